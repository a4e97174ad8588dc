// The camera settings record and its 67-byte settings file,
// "Lumora Camera.config" in the user's temporary folder (or at a path its
// holder chooses, camera/SettingsLocation.h).
//
// A value type: every holder (controller, pages, media type queries) owns its
// own copy. The file layout is fixed little-endian with no header; the fields'
// offsets and defaults are the table of camera/CameraSettingFields.h.
#pragma once

#include <windows.h>

#include <stdint.h>

class CameraConfig {
public:
    CameraConfig();
    virtual ~CameraConfig();

    CameraConfig(const CameraConfig&) = default;
    CameraConfig& operator=(const CameraConfig&) = default;

    // Fills the record from the settings file (or from path, when given, in
    // the ANSI code page). Returns 1 when the file was opened, 0 otherwise
    // (the record is then untouched). A short file fills the fields it
    // covers; extra bytes are ignored. Anything at the path that is not a
    // plain file (a directory, a link, a device) counts as no file: it is
    // neither read nor followed.
    int LoadFromFile(const char* path = nullptr);
    // LoadFromFile of a wide path (or of the settings file, when null).
    int LoadFromPath(const wchar_t* path);
    // Writes the record to the settings file (or to path), replacing it
    // atomically. Returns 1 when the file could be written, 0 otherwise.
    int SaveToFile(const char* path = nullptr) const;
    // SaveToFile with the reason of a failure: S_OK when written, otherwise
    // the Win32 error as an HRESULT. The record goes to a new sibling file
    // with a unique name (created exclusively), which then replaces the file
    // at path. A directory, link or junction at path is left alone
    // (ERROR_CANT_ACCESS_FILE), as is a read-only file (ERROR_ACCESS_DENIED).
    // A file another handle holds open is tried again for up to 100 ms; the
    // caller holds no lock another thread needs meanwhile.
    HRESULT Store(const wchar_t* path = nullptr) const;

    struct FormatSettings {
        uint8_t m_Resolution;  // 0 "3264 x 2448", 1 "2bin", 2 "4bin"
        uint32_t m_Reserved0;  // kept in the file, read by nobody
        uint32_t m_Reserved1;  // cleared by every CCamera::GetConfig
        uint32_t m_Reserved2;
        uint32_t m_Reserved3;
        uint32_t m_Reserved4;
    } m_Format;

    struct ColorSettings {
        int32_t m_GainR;  // shown as value / 64
        int32_t m_GainG;
        int32_t m_GainB;
        uint8_t m_Gamma;  // shown as value / 100
        uint8_t m_Contrast;
        int32_t m_ColorEnhancement;
        uint8_t m_Saturation;
    } m_Color;

    struct ExposureSettings {
        int32_t m_AeState;
        uint8_t m_Target;
        uint32_t m_ExposureTimeMS;
        uint16_t m_AnalogGain;
    } m_Exposure;

    int32_t m_FrameSpeed;  // 1 high, 2 normal
    int32_t m_HMirror;
    int32_t m_VMirror;
    int32_t m_Monochrome;
};

// Size of the settings file in bytes.
constexpr int kCameraConfigFileSize = 67;
