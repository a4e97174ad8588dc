#include "camera/CameraConfig.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "camera/CameraSettingFields.h"
#include "win/HResult.h"
#include "win/ReaderWriterLock.h"
#include "win/UniqueHandle.h"

// The byte map of the settings file is the table of camera/CameraSettingFields.h:
// each field is read and written at its offset through its own bytes; the
// targets are little-endian, so the field's memory is its file form.
//
// Paths are wide throughout: a temporary folder whose name lies outside the
// ANSI code page (a user name in Cyrillic, say) must still work.
//
// A file that is open cannot be replaced (Windows reports a sharing
// violation or access denied, Wine access denied), whatever its sharing
// modes. Within the process, readers and the replacing move therefore take
// turns on fileTurns: a read holds it shared from open to close, a move
// exclusively for the one call. It is a leaf lock, held for single file
// operations and never while waiting: a writer that meets the file held by
// another process waits between attempts without it.

namespace {

const wchar_t kSettingsFileName[] = L"Lumora Camera.config";
// A replacement that meets the file held open by another handle (a reader in
// this or another process) is tried again, every few milliseconds, for this
// long in all: short enough that a caller is never held up noticeably.
const ULONGLONG kReplaceRetryMs = 100;
const DWORD kReplaceRetryPauseMs = 2;
// A new temporary name is drawn this many times when one is taken already.
const int kTemporaryNameAttempts = 16;

using FileBytes = std::array<unsigned char, kCameraConfigFileSize>;

win::ReaderWriterLock fileTurns;

// Calls transfer(field, size, offset) for each field of record: the address
// of its bytes, their number, and their offset in the file.
template <class Record, class Transfer>
void ForEachFileField(Record& record, Transfer transfer)
{
#define LUMORA_FILE_FIELD(name, member, type, offset, initial, index) transfer(&record.member, sizeof(type), offset);
    LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_FILE_FIELD)
#undef LUMORA_FILE_FIELD
}

// The settings file in the temporary folder; empty when the folder is unknown.
std::wstring SettingsFilePath()
{
    // The folder's length may change between the two calls (another thread
    // setting TMP): ask again until the buffer held it.
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]);
        if (length == 0) {
            return std::wstring();
        }
        if (length < folder.size()) {
            folder.resize(length);
            break;
        }
        folder.assign(length + 1, L'\0');
    }
    // The temporary path already ends with a separator.
    return folder + kSettingsFileName;
}

// A path given in the ANSI code page, widened; empty when it cannot be.
std::wstring Widen(const char* path)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

// A name beside target no one else has asked for in this process, for the
// file that replaces target; the process id keeps other processes off it,
// and the exclusive creation catches whatever is there already.
std::wstring SiblingTemporaryPath(const std::wstring& target)
{
    static std::atomic<unsigned long> serial{0};
    return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(GetCurrentThreadId()) +
           L"." + std::to_wstring(++serial) + L".tmp";
}

// Opens path for reading without following a link; only a plain disk file
// is kept.
win::UniqueHandle OpenPlainFileToRead(const std::wstring& path)
{
    const DWORD everyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, everyShare, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.Get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        return win::UniqueHandle();
    }
    return file;
}

// Writes bytes to a new file beside target whose name no one held, and
// stores its name in *temporary. Nothing is left behind on failure.
HRESULT WriteTemporaryFile(const std::wstring& target, const FileBytes& bytes, std::wstring* temporary)
{
    win::UniqueHandle file;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !file; ++attempt) {
        *temporary = SiblingTemporaryPath(target);
        // CREATE_NEW: never an existing file, nor a link planted at the name.
        file.Reset(CreateFileW(temporary->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (!file) {
        return win::LastErrorResult();
    }
    DWORD written = 0;
    const BOOL wrote = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    // On the disk before the file is moved over the old one: the move does
    // not write the data, and after a power cut a replaced settings file
    // could be empty.
    const BOOL flushed = wrote && written == bytes.size() && FlushFileBuffers(file.Get());
    if (!flushed) {
        const HRESULT failure = !wrote || written == bytes.size() ? win::LastErrorResult()
                                                                  : HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL);
        file.Reset();
        DeleteFileW(temporary->c_str());
        return failure;
    }
    return S_OK;
}

// Whether the file at target, if any, may be replaced: a directory, a link
// or junction (a reparse point, never followed) and a read-only file stay.
HRESULT CheckReplaceable(const std::wstring& target)
{
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return S_OK; // nothing there yet (or the move reports why not)
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        return HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE);
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    return S_OK;
}

// Moves replacement over target. A target open elsewhere refuses the move
// (a sharing violation, or access denied while a handle is open), which
// passes when the holder closes it: tried again for kReplaceRetryMs.
HRESULT MoveIntoPlace(const std::wstring& replacement, const std::wstring& target)
{
    const ULONGLONG deadline = GetTickCount64() + kReplaceRetryMs;
    for (;;) {
        DWORD error = ERROR_SUCCESS;
        {
            win::ExclusiveGuard turn(fileTurns);
            if (MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                return S_OK;
            }
            error = GetLastError();
        }
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          error == ERROR_ACCESS_DENIED;
        if (!held || GetTickCount64() >= deadline) {
            return HRESULT_FROM_WIN32(error);
        }
        Sleep(kReplaceRetryPauseMs);
    }
}

} // namespace

// The table describes the record: each member has the table's type, and the
// offsets fill the file.
#define LUMORA_CHECK_FIELD_TYPE(name, member, type, offset, initial, index)                                     \
    static_assert(std::is_same_v<decltype(std::declval<CameraConfig>().member), type>, #member " is a " #type);
LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_CHECK_FIELD_TYPE)
#undef LUMORA_CHECK_FIELD_TYPE
static_assert(camera_setting_fields::TileTheFile(kCameraConfigFileSize),
              "the settings file's bytes each belong to exactly one field");

CameraConfig::CameraConfig()
{
#define LUMORA_FIELD_DEFAULT(name, member, type, offset, initial, index) member = initial;
    LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_FIELD_DEFAULT)
#undef LUMORA_FIELD_DEFAULT
}

CameraConfig::~CameraConfig() = default;

// The file operations end with a failure rather than let an allocation
// failure escape: their callers sit behind COM interfaces.
int CameraConfig::LoadFromFile(const char* path)
try {
    if (!path) {
        return LoadFromPath(nullptr);
    }
    const std::wstring file = Widen(path);
    return file.empty() ? 0 : LoadFromPath(file.c_str());
} catch (...) {
    return 0;
}

int CameraConfig::LoadFromPath(const wchar_t* path)
try {
    const std::wstring file = path ? std::wstring(path) : SettingsFilePath();
    if (file.empty()) {
        return 0;
    }
    // Only the first 67 bytes count; a read error counts as the end of the file.
    FileBytes bytes{};
    DWORD length = 0;
    {
        win::SharedGuard turn(fileTurns);
        const win::UniqueHandle in = OpenPlainFileToRead(file);
        if (!in) {
            return 0;
        }
        if (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &length, nullptr)) {
            length = 0;
        }
    }
    // A short file fills the fields it covers; a field cut by the end of the
    // file receives only its leading (low-order) bytes.
    ForEachFileField(*this, [&](void* field, size_t size, size_t offset) {
        if (offset < length) {
            std::memcpy(field, bytes.data() + offset, std::min<size_t>(size, length - offset));
        }
    });
    return 1;
} catch (...) {
    return 0;
}

int CameraConfig::SaveToFile(const char* path) const
try {
    if (!path) {
        return Store() == S_OK ? 1 : 0;
    }
    const std::wstring file = Widen(path);
    return !file.empty() && Store(file.c_str()) == S_OK ? 1 : 0;
} catch (...) {
    return 0;
}

HRESULT CameraConfig::Store(const wchar_t* path) const
try {
    const std::wstring file = path ? std::wstring(path) : SettingsFilePath();
    if (file.empty()) {
        return win::LastErrorResult();
    }
    RETURN_IF_FAILED(CheckReplaceable(file));
    FileBytes bytes{};
    ForEachFileField(*this, [&](const void* field, size_t size, size_t offset) {
        std::memcpy(bytes.data() + offset, field, size);
    });
    // Write a sibling file and move it over the settings file, so that a
    // reader on another thread (GetConfig) sees the old or the new file,
    // never half of one.
    std::wstring temporary;
    RETURN_IF_FAILED(WriteTemporaryFile(file, bytes, &temporary));
    const HRESULT moved = MoveIntoPlace(temporary, file);
    if (FAILED(moved)) {
        DeleteFileW(temporary.c_str());
    }
    return moved;
} catch (...) {
    return E_OUTOFMEMORY;
}
