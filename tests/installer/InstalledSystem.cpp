#include "tests/installer/InstalledSystem.h"

#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "filter/LumoraGuids.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/TestEnvironment.h"

namespace installtest {

const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LumoraCamera";

std::wstring Folder(View view)
{
    wchar_t path[MAX_PATH] = {};
    if (view == View::Bits32) {
        SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, path);
    } else {
        // The 64-bit folder, as a 32-bit or a 64-bit program sees it.
        ExpandEnvironmentStringsW(L"%ProgramW6432%", path, MAX_PATH);
    }
    return std::wstring(path) + L"\\Lumora Camera";
}

const wchar_t* Name(View view)
{
    return view == View::Bits32 ? L"32-bit" : L"64-bit";
}

RunResult RunProgram(const std::wstring& commandLine, DWORD timeoutMs, const std::string& workingFolder)
{
    RunResult result;
    testenv::ChildProcess child(commandLine, workingFolder);
    int code = -1;
    if (child.Started() && child.Wait(timeoutMs, &code)) {
        result.exitCode = code;
    }
    result.output = child.Output() + child.Errors();
    return result;
}

REGSAM ViewFlag(View view)
{
    return view == View::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

std::wstring ReadString(View view, const std::wstring& key, const wchar_t* value)
{
    return testenv::ReadRegistryString(HKEY_LOCAL_MACHINE, key, value, ViewFlag(view));
}

bool ReadDword(View view, const std::wstring& key, const wchar_t* value, DWORD* data)
{
    return testenv::ReadRegistryDword(HKEY_LOCAL_MACHINE, key, value, data, ViewFlag(view));
}

bool KeyExists(View view, const std::wstring& key)
{
    return testenv::RegistryKeyExists(HKEY_LOCAL_MACHINE, key, ViewFlag(view));
}

std::map<std::wstring, std::wstring> DumpKey(View view, const std::wstring& key)
{
    std::map<std::wstring, std::wstring> lines;
    testenv::DumpRegistryKey(HKEY_LOCAL_MACHINE, key, ViewFlag(view), L"", &lines);
    return lines;
}

std::wstring ClassKey(REFCLSID classId)
{
    return L"Software\\Classes\\CLSID\\" + testenv::GuidText(classId);
}

std::vector<std::wstring> CameraEntries(View view, REFCLSID category)
{
    const std::wstring camera = testenv::GuidText(CLSID_LumoraCameraFilter);
    const std::wstring instances = ClassKey(category) + L"\\Instance";
    std::vector<std::wstring> names;
    for (const std::wstring& entry : testenv::RegistrySubkeys(HKEY_LOCAL_MACHINE, instances, ViewFlag(view))) {
        const std::wstring key = instances + L"\\" + entry;
        if (_wcsicmp(ReadString(view, key, L"CLSID").c_str(), camera.c_str()) == 0) {
            names.push_back(ReadString(view, key, L"FriendlyName"));
        }
    }
    return names;
}

VersionInfo ReadVersionInfo(const std::wstring& path)
{
    VersionInfo info;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) {
        return info;
    }
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        return info;
    }
    auto text = [&](const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) {
            return std::wstring();
        }
        return std::wstring(static_cast<const wchar_t*>(value));
    };
    info.productName = text(L"ProductName");
    info.fileDescription = text(L"FileDescription");
    info.fileVersion = text(L"FileVersion");
    info.productVersion = text(L"ProductVersion");
    info.originalFilename = text(L"OriginalFilename");
    void* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &fixed, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(fixed);
        info.fixedFileVersion = std::to_wstring(HIWORD(numbers->dwFileVersionMS)) + L"." +
                                std::to_wstring(LOWORD(numbers->dwFileVersionMS)) + L"." +
                                std::to_wstring(HIWORD(numbers->dwFileVersionLS)) + L"." +
                                std::to_wstring(LOWORD(numbers->dwFileVersionLS));
    }
    return info;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::wstring> FilesMatching(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string ReadLog(const char* name)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(testenv::TempPath(std::string(name) + " *.log")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::wstring newest;
    FILETIME newestTime = {};
    do {
        if (CompareFileTime(&found.ftLastWriteTime, &newestTime) > 0) {
            newest = found.cFileName;
            newestTime = found.ftLastWriteTime;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    const std::string bytes = ReadFileBytes(Wide(testenv::TempPath("")) + newest);
    if (bytes.size() < 2) {
        return std::string();
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    if (!text.empty() && text[0] == 0xFEFF) {
        text.erase(0, 1);
    }
    return Narrow(text);
}

} // namespace installtest
