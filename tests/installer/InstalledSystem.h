// What a Windows machine says about an installation of Lumora Camera, read as an administrator would: child
// processes, the registry's 32-bit and 64-bit views, files and their version resources, lumoracap of each.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

namespace installtest {

enum class View { Bits32, Bits64 };

// The installation folders: "<Program Files (x86)>\Lumora Camera" and "<Program Files>\Lumora Camera".
std::wstring Folder(View view);
const View kBothViews[] = {View::Bits32, View::Bits64};
const wchar_t* Name(View view);

// The files setup puts into each folder (the 32-bit folder also gets uninstall.exe).
const wchar_t* const kInstalledFiles[] = {L"ZorvikFilter.dll", L"LumoraMediaSource.dll", L"ZorvikSDK.dll",
                                          L"lumoracap.exe"};

// The installed-programs entry, in the 32-bit view of HKLM.
extern const wchar_t* const kUninstallKey;

// A program run with a command line (program path first) in the test's environment, in a working folder (empty:
// the test's own); its exit code, or -1 when it did not end in time.
struct RunResult {
    int exitCode = -1;
    std::string output;
};
RunResult RunProgram(const std::wstring& commandLine, DWORD timeoutMs = 300000,
                     const std::string& workingFolder = std::string());

// KEY_WOW64_32KEY or KEY_WOW64_64KEY.
REGSAM ViewFlag(View view);
// Registry values of HKEY_LOCAL_MACHINE in one view; empty / false when missing.
std::wstring ReadString(View view, const std::wstring& key, const wchar_t* value);
bool ReadDword(View view, const std::wstring& key, const wchar_t* value, DWORD* data);
bool KeyExists(View view, const std::wstring& key);
// Every value under a key, subkeys included, as "subkey|value" -> text.
std::map<std::wstring, std::wstring> DumpKey(View view, const std::wstring& key);

// "Software\Classes\CLSID\{...}" of a class id.
std::wstring ClassKey(REFCLSID classId);
// The names of a filter category's entries whose class is the camera filter, from one view's registry.
std::vector<std::wstring> CameraEntries(View view, REFCLSID category);

// The strings of a file's version resource (block 040904B0) and its fixed version "a.b.c.d"; empty when none.
struct VersionInfo {
    std::wstring productName, fileDescription, fileVersion, productVersion, originalFilename, fixedFileVersion;
};
VersionInfo ReadVersionInfo(const std::wstring& path);

bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Files in a folder whose names match a pattern ("*.previous").
std::vector<std::wstring> FilesMatching(const std::wstring& folder, const wchar_t* pattern);

// The UTF-8 text of the newest UTF-16 log "<name> <date> <time>.log" in the test's temporary folder; empty if none.
std::string ReadLog(const char* name);

using testenv::Narrow;
using testenv::Wide;

} // namespace installtest
