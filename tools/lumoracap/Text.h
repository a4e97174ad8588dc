// Conversions between the program's wide texts (device names, paths) and the
// UTF-8 it prints, and the system's message for a result code.
#pragma once

#include <windows.h>

#include <string>

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// "0x80004005 (Unspecified error)": the code in hexadecimal with the system's
// description when it has one.
std::string DescribeResult(HRESULT hr);
