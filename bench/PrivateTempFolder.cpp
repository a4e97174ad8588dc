#include "bench/PrivateTempFolder.h"

#include <windows.h>

#include <vector>

PrivateTempFolder::PrivateTempFolder()
{
    m_tmp = Save("TMP");
    m_temp = Save("TEMP");
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(base), base);
    if (length == 0 || length > MAX_PATH) {
        return;
    }
    m_path = std::string(base) + "lumorabench-" + std::to_string(GetCurrentProcessId()) + "\\";
    if (!CreateDirectoryA(m_path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return;
    }
    m_ready = SetEnvironmentVariableA("TMP", m_path.c_str()) && SetEnvironmentVariableA("TEMP", m_path.c_str());
}

PrivateTempFolder::~PrivateTempFolder()
{
    Restore("TMP", m_tmp);
    Restore("TEMP", m_temp);
    if (m_path.empty()) {
        return;
    }
    // The settings file and any sibling left by its atomic replacement.
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((m_path + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((m_path + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(m_path.c_str());
}

PrivateTempFolder::SavedVariable PrivateTempFolder::Save(const char* name)
{
    SavedVariable saved;
    const DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) {
        return saved;
    }
    std::vector<char> value(needed);
    const DWORD length = GetEnvironmentVariableA(name, value.data(), needed);
    if (length > 0 && length < needed) {
        saved.value.assign(value.data(), length);
        saved.set = true;
    }
    return saved;
}

void PrivateTempFolder::Restore(const char* name, const SavedVariable& saved)
{
    SetEnvironmentVariableA(name, saved.set ? saved.value.c_str() : nullptr);
}
