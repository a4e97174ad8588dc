#include "camera/CameraConfig.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "camera/CameraSettingFields.h"
#include "win/UniqueHandle.h"

// The byte map of the settings file is the table of camera/CameraSettingFields.h:
// each field is read and written at its offset through its own bytes; the
// targets are little-endian, so the field's memory is its file form.
//
// Files are opened with every sharing mode, so that a reader never stops a
// writer from moving a new file into place, and the reverse.

namespace {

const char kSettingsFileName[] = "Lumora Camera.config";
// The temporary folder path is asked for into a buffer of this many characters.
const DWORD kTempPathCapacity = 8192;
// A reader holds the settings file open for one read; a replacement that
// collides with one is tried again this many times, a millisecond apart.
const int kReplaceAttempts = 200;

using FileBytes = std::array<unsigned char, kCameraConfigFileSize>;

// Calls transfer(field, size, offset) for each field of record: the address
// of its bytes, their number, and their offset in the file.
template <class Record, class Transfer>
void ForEachFileField(Record& record, Transfer transfer)
{
#define LUMORA_FILE_FIELD(name, member, type, offset, initial, index) transfer(&record.member, sizeof(type), offset);
    LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_FILE_FIELD)
#undef LUMORA_FILE_FIELD
}

// The settings file in the temporary folder; empty when the folder is unknown
// (or its path does not fit the buffer).
std::string SettingsFilePath()
{
    std::unique_ptr<char[]> folder(new char[kTempPathCapacity]);
    const DWORD length = GetTempPathA(kTempPathCapacity, folder.get());
    if (length == 0 || length >= kTempPathCapacity) {
        return std::string();
    }
    // The temporary path already ends with a separator.
    return std::string(folder.get(), length) + kSettingsFileName;
}

// A name beside target that no other thread or process writes at the same
// time, for the file that replaces target.
std::string SiblingTemporaryPath(const std::string& target)
{
    char suffix[48];
    wsprintfA(suffix, ".%lu.%lu.tmp", GetCurrentProcessId(), GetCurrentThreadId());
    return target + suffix;
}

win::UniqueHandle OpenShared(const std::string& path, DWORD access, DWORD disposition)
{
    const DWORD everyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    return win::UniqueHandle(
        CreateFileA(path.c_str(), access, everyShare, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteWholeFile(const std::string& path, const FileBytes& bytes)
{
    win::UniqueHandle file = OpenShared(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool MoveIntoPlace(const std::string& replacement, const std::string& target)
{
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (MoveFileExA(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) {
            return false;
        }
        Sleep(1);
    }
    return false;
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

// Both file operations end with 0 rather than let an allocation failure
// escape: their callers sit behind COM interfaces.
int CameraConfig::LoadFromFile(const char* path)
try {
    const std::string file = path ? std::string(path) : SettingsFilePath();
    if (file.empty()) {
        return 0;
    }
    win::UniqueHandle in = OpenShared(file, GENERIC_READ, OPEN_EXISTING);
    if (!in) {
        return 0;
    }
    // Only the first 67 bytes count; a read error counts as the end of the file.
    FileBytes bytes{};
    DWORD length = 0;
    if (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &length, nullptr)) {
        length = 0;
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
    const std::string file = path ? std::string(path) : SettingsFilePath();
    if (file.empty()) {
        return 0;
    }
    FileBytes bytes{};
    ForEachFileField(*this, [&](const void* field, size_t size, size_t offset) {
        std::memcpy(bytes.data() + offset, field, size);
    });
    // Write a sibling file and move it over the settings file, so that a
    // reader on another thread (GetConfig) sees the old or the new file,
    // never half of one.
    const std::string temporary = SiblingTemporaryPath(file);
    if (!WriteWholeFile(temporary, bytes) || !MoveIntoPlace(temporary, file)) {
        DeleteFileA(temporary.c_str());
        return 0;
    }
    return 1;
} catch (...) {
    return 0;
}
