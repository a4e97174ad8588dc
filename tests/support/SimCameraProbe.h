// What the tests of every layer read back as evidence: the simulated camera's journal of SDK calls, frame
// counters and frame stamps (lumora_simcamera_probe, which brings in ZorvikSDK's import library), and the
// settings file's fields (header-only, for programs without the camera). All safe to call from any thread.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "camera/CameraSettingFields.h"
#include "simcamera/SimControl.h"
#include "tests/support/TestEnvironment.h"

namespace testenv {

// The journal as one text, a "Name(args)\n" line per call (a line added between sizing and copying may be cut).
std::string JournalText();

// The journal's complete lines without their line ends, such as "CameraSetMirror(0,1)".
std::vector<std::string> JournalLines();

// The journal's complete lines that start with prefix, such as "CameraSet".
std::vector<std::string> JournalLinesStartingWith(const std::string& prefix);

// The journal's lines without the size query a controller makes before each fetch, which streaming adds any time.
std::vector<std::string> JournalLinesBesideFrames();

bool Called(const std::string& journal, const std::string& call);

// The lines for the named calls only. A slider that repaints sends its value again, so exact comparisons look only
// at the calls a test is about.
std::string Only(const std::string& journal, std::initializer_list<const char*> names);

SimCounters FrameCounters();

// The stamp at the centre of a width x height RGB24 frame of size bytes; all zero (not IsStamp) when frame is
// null or too short: nothing is read past size.
SimStamp StampOf(const void* frame, size_t size, int width, int height);
SimStamp StampOf(const std::vector<uint8_t>& frame, int width, int height);

// Whether stamp bytes carry the camera's magic "LUMO".
bool IsStamp(const SimStamp& stamp);

// A field of the settings file, little-endian; the names are the field table's.
struct SettingField {
    size_t offset, size;
};
namespace setting {
#define LUMORA_TEST_SETTING_FIELD(name, member, type, offset, initial, index)                                   \
    constexpr SettingField k##name{offset, sizeof(type)};
LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_TEST_SETTING_FIELD)
#undef LUMORA_TEST_SETTING_FIELD
} // namespace setting

// The settings file's bytes (the private temporary folder's, or the file at
// path); none when there is no file.
inline std::vector<uint8_t> SettingsFile(const std::string& path = TempPath("Lumora Camera.config"))
{
    const std::string bytes = FileBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

inline uint32_t Field(const std::vector<uint8_t>& file, SettingField field)
{
    uint32_t value = 0;
    for (size_t i = 0; i < field.size && field.offset + i < file.size(); ++i) {
        value |= static_cast<uint32_t>(file[field.offset + i]) << (8 * i);
    }
    return value;
}

struct ExpectedField {
    SettingField field;
    uint32_t value;
};

inline void ExpectFields(const std::vector<uint8_t>& file, std::initializer_list<ExpectedField> fields)
{
    for (const ExpectedField& expected : fields) {
        EXPECT_EQ(Field(file, expected.field), expected.value)
            << "settings file field at offset " << expected.field.offset;
    }
}

} // namespace testenv
