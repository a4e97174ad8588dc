#include "tests/support/TestEnvironment.h"

#include <windows.h>

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

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

void RemoveSettingsFile()
{
    DeleteFileA(TempPath("Lumora Camera.config").c_str());
}

void Initialise()
{
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    char name[64];
    wsprintfA(name, "lumora-test-%lu\\", GetCurrentProcessId());
    g_tempFolder = std::string(base) + name;
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
