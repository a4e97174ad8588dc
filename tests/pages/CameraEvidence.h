// What the tests read back as evidence of what the pages did: the simulated
// camera's journal of SDK calls and the bytes of the settings file.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"

namespace evidence {

// The journal since the last SimClearJournal, one "Name(args)" call per line.
using testenv::JournalText;

inline bool Called(const std::string& journal, const std::string& call)
{
    return journal.find(call + "\n") != std::string::npos;
}

// The lines of a journal for the named calls only. A slider that repaints
// sends its value again (the page applies every slider notification), so
// exact comparisons look only at the calls a test is about.
inline std::string Only(const std::string& journal, std::initializer_list<const char*> names)
{
    std::string kept;
    size_t start = 0;
    while (start < journal.size()) {
        size_t end = journal.find('\n', start);
        end = end == std::string::npos ? journal.size() : end + 1;
        const std::string line = journal.substr(start, end - start);
        for (const char* name : names) {
            if (line.compare(0, std::strlen(name), name) == 0 && line[std::strlen(name)] == '(') {
                kept += line;
                break;
            }
        }
        start = end;
    }
    return kept;
}

inline std::vector<uint8_t> SettingsFile()
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileA(testenv::TempPath("Lumora Camera.config").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    uint8_t buffer[256];
    DWORD read = 0;
    if (ReadFile(file, buffer, sizeof(buffer), &read, nullptr)) {
        bytes.assign(buffer, buffer + read);
    }
    CloseHandle(file);
    return bytes;
}

// Little-endian field of the settings file at offset.
inline uint32_t Field(const std::vector<uint8_t>& file, size_t offset, size_t size)
{
    uint32_t value = 0;
    for (size_t i = 0; i < size && offset + i < file.size(); ++i) {
        value |= static_cast<uint32_t>(file[offset + i]) << (8 * i);
    }
    return value;
}

// Offsets of the settings file (each field is read with its own size).
enum SettingsOffset : size_t {
    kResolution = 0,
    kAeState = 21,
    kTarget = 25,
    kAnalogGain = 26,
    kExposureTime = 28,
    kGainB = 32,
    kGainG = 36,
    kGainR = 40,
    kContrast = 44,
    kSaturation = 45,
    kColorEnhancement = 46,
    kGamma = 50,
    kFrameSpeed = 51,
    kHMirror = 55,
    kVMirror = 59,
    kMonochrome = 63,
};

// One field of the settings file and the value a test expects in it.
struct ExpectedField {
    SettingsOffset offset;
    size_t size;
    uint32_t value;
};

// Checks every given field of a settings file; a mismatch names its offset.
inline void ExpectFields(const std::vector<uint8_t>& file, std::initializer_list<ExpectedField> fields)
{
    for (const ExpectedField& field : fields) {
        EXPECT_EQ(Field(file, field.offset, field.size), field.value)
            << "settings file field at offset " << static_cast<size_t>(field.offset);
    }
}

} // namespace evidence
