#include "tests/support/TestEnvironment.h"

#include <windows.h>

#include <cstdlib>

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

namespace {

// Deletes a folder with everything in it.
void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void RemoveTempFolder()
{
    if (!g_tempFolder.empty()) {
        RemoveTree(g_tempFolder);
    }
}

} // namespace

void Initialise()
{
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string stem = program;
    stem = stem.substr(stem.find_last_of("\\/") + 1);
    stem = stem.substr(0, stem.find_last_of('.'));
    g_tempFolder = std::string(base) + "lumora-" + stem + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    // Large files (captures) must not pile up across runs.
    atexit(RemoveTempFolder);
    CreateDirectoryA(g_tempFolder.c_str(), nullptr);
    SetEnvironmentVariableA("TMP", g_tempFolder.c_str());
    SetEnvironmentVariableA("TEMP", g_tempFolder.c_str());
    RemoveSettingsFile();
    // The counters' own first use loads and keeps system resources (a handle
    // among them); take it now, so that no leak check counts it.
    HandleCount();
    ThreadCount();
}

} // namespace testenv
