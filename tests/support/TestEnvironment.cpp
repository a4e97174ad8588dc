#include "tests/support/TestEnvironment.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "diagnostics/PrivateTempFolder.h"
#include "tests/support/ProcessCounters.h"

namespace testenv {
namespace {
std::string g_tempFolder;
}

const std::string& TempFolder()
{
    return g_tempFolder;
}

std::string TempPath(const std::string& name)
{
    return g_tempFolder + name;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> TempFilesMatching(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(TempPath(pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

std::string ArtifactPath(const std::string& name)
{
    const std::string folder = ProgramFolder() + "test-artifacts\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + name;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::wstring Wide(const std::string& utf8)
{
    const int length = static_cast<int>(utf8.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

std::string Narrow(const std::wstring& utf16)
{
    const int length = static_cast<int>(utf16.size());
    std::string narrow(
        static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, &narrow[0], static_cast<int>(narrow.size()), nullptr,
                        nullptr);
    return narrow;
}

void RemoveSettingsFile()
{
    DeleteFileA(TempPath("Lumora Camera.config").c_str());
}

void Initialise()
{
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string stem = program;
    stem = stem.substr(stem.find_last_of("\\/") + 1);
    stem = stem.substr(0, stem.find_last_of('.'));
    // The folder lives as long as the process: large files (captures) must not pile up across runs.
    static PrivateTempFolder* folder = nullptr;
    if (!folder) {
        folder = new PrivateTempFolder("lumora-" + stem);
        atexit([] { delete folder; });
    }
    g_tempFolder = folder->Path();
    RemoveSettingsFile();
    // The counters' own first use loads and keeps system resources (a handle
    // among them); take it now, so that no leak check counts it.
    HandleCount();
    ThreadCount();
}

} // namespace testenv
