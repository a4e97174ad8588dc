#include "camera/CameraConfig.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "win/UniqueHandle.h"

// Byte map of the settings file (67 bytes, little-endian, no header):
//
//   offset size field               offset size field
//    0     1   m_Resolution          32     4   m_GainB
//    1     4   m_Reserved3           36     4   m_GainG
//    5     4   m_Reserved4           40     4   m_GainR
//    9     4   m_Reserved1           44     1   m_Contrast
//   13     4   m_Reserved2           45     1   m_Saturation
//   17     4   m_Reserved0           46     4   m_ColorEnhancement
//   21     4   m_AeState             50     1   m_Gamma
//   25     1   m_Target              51     4   m_FrameSpeed
//   26     2   m_AnalogGain          55     4   m_HMirror
//   28     4   m_ExposureTimeMS      59     4   m_VMirror
//                                    63     4   m_Monochrome
//
// Each field is read and written through its own bytes; the targets are
// little-endian, so the field's memory is its file form.
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

// One field of the file: where its bytes live in the record, and how many.
struct FileField {
    unsigned char* bytes;
    size_t size;
};

template <typename T>
FileField Field(T& value)
{
    return FileField{reinterpret_cast<unsigned char*>(&value), sizeof(value)};
}

// The record's fields in file order. Reading and writing both go through
// this one list, so they cannot disagree about the layout.
std::array<FileField, 21> FieldsInFileOrder(CameraConfig& c)
{
    return {{
        Field(c.m_Format.m_Resolution),
        Field(c.m_Format.m_Reserved3),
        Field(c.m_Format.m_Reserved4),
        Field(c.m_Format.m_Reserved1),
        Field(c.m_Format.m_Reserved2),
        Field(c.m_Format.m_Reserved0),
        Field(c.m_Exposure.m_AeState),
        Field(c.m_Exposure.m_Target),
        Field(c.m_Exposure.m_AnalogGain),
        Field(c.m_Exposure.m_ExposureTimeMS),
        Field(c.m_Color.m_GainB),
        Field(c.m_Color.m_GainG),
        Field(c.m_Color.m_GainR),
        Field(c.m_Color.m_Contrast),
        Field(c.m_Color.m_Saturation),
        Field(c.m_Color.m_ColorEnhancement),
        Field(c.m_Color.m_Gamma),
        Field(c.m_FrameSpeed),
        Field(c.m_HMirror),
        Field(c.m_VMirror),
        Field(c.m_Monochrome),
    }};
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

CameraConfig::CameraConfig()
    : m_Format{0, 0, 0, 0, 0, 0},
      m_Color{100, 88, 88, 100, 20, 1, 100},
      m_Exposure{1, 100, 40, 40},
      m_FrameSpeed(1),
      m_HMirror(0),
      m_VMirror(0),
      m_Monochrome(0)
{
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
    // A short file fills the fields it covers, in file order; a field cut by
    // the end of the file receives only its leading (low-order) bytes.
    size_t offset = 0;
    for (const FileField& field : FieldsInFileOrder(*this)) {
        const size_t available = std::min<size_t>(field.size, length - offset);
        std::memcpy(field.bytes, bytes.data() + offset, available);
        offset += available;
    }
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
    CameraConfig copy(*this);
    size_t offset = 0;
    for (const FileField& field : FieldsInFileOrder(copy)) {
        std::memcpy(bytes.data() + offset, field.bytes, field.size);
        offset += field.size;
    }
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
