// printf-style formatting into a std::string, for the reports' tables and
// JSON lines (one line at most 511 characters; longer text is cut).
#pragma once

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
