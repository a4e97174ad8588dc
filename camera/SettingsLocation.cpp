#include "camera/SettingsLocation.h"

#include <shlobj.h>

#include "win/HResult.h"
#include "win/Module.h"
#include "win/TaskMemory.h"

namespace {

const wchar_t kMachineFolderName[] = L"Lumora Camera";
const wchar_t kSettingsFileName[] = L"Lumora Camera.config";

// The folder part of path (without its last separator); empty when path
// names no folder.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos || separator == 0 ? std::wstring() : path.substr(0, separator);
}

// Whether folder is a plain folder: not a link or junction, not a file.
// ERROR_FILE_NOT_FOUND (or the like) when nothing is there.
HRESULT CheckPlainFolder(const std::wstring& folder)
{
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return win::LastErrorResult();
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE);
    }
    return S_OK;
}

// Creates folder when it is not there (security attributes null: it takes
// the ACLs its parent passes on), then checks it is a plain folder. Only
// the last part is created: its parent must exist.
HRESULT EnsureFolder(const std::wstring& folder)
{
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return win::LastErrorResult();
    }
    // Checked after the creation too: another program may have put
    // something else at the name meanwhile.
    return CheckPlainFolder(folder);
}

} // namespace

SettingsLocation SettingsLocation::UserTemporary()
{
    return SettingsLocation(std::nullopt);
}

SettingsLocation SettingsLocation::At(std::wstring path)
{
    return SettingsLocation(std::move(path));
}

SettingsLocation SettingsLocation::MachineWide()
{
    return At(MachineSettingsPath());
}

int SettingsLocation::Load(CameraConfig& record) const
try {
    if (!m_Path) {
        return record.LoadFromPath(nullptr);
    }
    const std::wstring folder = FolderOf(*m_Path);
    if (folder.empty() || FAILED(CheckPlainFolder(folder))) {
        return 0;
    }
    return record.LoadFromPath(m_Path->c_str());
} catch (...) {
    return 0;
}

HRESULT SettingsLocation::Store(const CameraConfig& record) const
try {
    if (!m_Path) {
        return record.Store(nullptr);
    }
    const std::wstring folder = FolderOf(*m_Path);
    if (folder.empty()) {
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }
    RETURN_IF_FAILED(EnsureFolder(folder));
    return record.Store(m_Path->c_str());
} catch (...) {
    return E_OUTOFMEMORY;
}

std::wstring MachineSettingsPath()
try {
    // shell32 is loaded only here, for the media source: the filter, which
    // keeps the per-user file, imports no more than it did.
    const win::UniqueModule shell = win::LoadSystemLibrary(L"shell32.dll");
    using GetKnownFolderPath = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    const auto getKnownFolderPath = win::ProcedureOf<GetKnownFolderPath>(shell.Get(), "SHGetKnownFolderPath");
    if (!getKnownFolderPath) {
        return std::wstring();
    }
    PWSTR raw = nullptr;
    const HRESULT found = getKnownFolderPath(FOLDERID_ProgramData, KF_FLAG_DEFAULT, nullptr, &raw);
    // The block is the caller's even when the call failed.
    const win::TaskMemoryPtr<wchar_t> programData(raw);
    if (FAILED(found) || !programData || !*programData) {
        return std::wstring();
    }
    std::wstring path(programData.get());
    if (path.back() != L'\\') {
        path += L'\\';
    }
    return path + kMachineFolderName + L'\\' + kSettingsFileName;
} catch (...) {
    return std::wstring();
}
