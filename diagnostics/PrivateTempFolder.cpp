#include "diagnostics/PrivateTempFolder.h"

#include <windows.h>

#include <vector>

namespace {

// Deletes a folder with everything in it.
void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
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

} // namespace

PrivateTempFolder::PrivateTempFolder(const std::string& name)
{
    m_tmp = Save("TMP");
    m_temp = Save("TEMP");
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(base), base);
    if (length == 0 || length > MAX_PATH) {
        return;
    }
    const std::string path = std::string(base) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    // Left by an earlier process of the same id, the folder is taken over.
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return;
    }
    m_path = path;
    m_ready = SetEnvironmentVariableA("TMP", m_path.c_str()) && SetEnvironmentVariableA("TEMP", m_path.c_str());
}

PrivateTempFolder::~PrivateTempFolder()
{
    Restore("TMP", m_tmp);
    Restore("TEMP", m_temp);
    if (m_path.empty()) {
        return;
    }
    RemoveTree(m_path);
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
