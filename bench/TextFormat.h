// printf-style formatting into a std::string, for the reports' tables and
// JSON lines (one line at most 511 characters; longer text is cut).
#pragma once

#include <windows.h>

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// text as a JSON string, quotes included, for the error texts of the
// reports: quotes, backslashes and control characters never appear in the
// texts made here, so they are dropped rather than escaped.
std::string JsonErrorString(const std::string& text);

// "<what> failed (0x8007000E)": a failed call as the reports name it.
std::string FailureText(const char* what, HRESULT hr);
