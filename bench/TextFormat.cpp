#include "bench/TextFormat.h"

#include <cstdarg>
#include <cstdio>

std::string FormatText(const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

std::string FailureText(const char* what, HRESULT hr)
{
    return FormatText("%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
}

std::string JsonErrorString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) {
            quoted += c;
        }
    }
    return quoted + "\"";
}
