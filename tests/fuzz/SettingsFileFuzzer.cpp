// Feeds the settings file any length and any bytes (random, a valid 67-byte file changed, cut short or
// lengthened, or no file) and checks what the record and the controller make of it: LoadFromFile reports 1 for
// any file and fills exactly the bytes it covers; a saved record is its 67-byte form; and the controller's
// GetConfig / SetConfig round trip (every 16th input) keeps the file's fields and clears the reserved words.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraConfig.h"
#include "camera/CameraSettingFields.h"
#include "tests/fuzz/FuzzDriver.h"
#include "tests/support/TestEnvironment.h"
#include "win/UniqueHandle.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr size_t kMaxInputLength = 200;

// The record's file form, straight from the field table.
Bytes FormOf(const CameraConfig& record)
{
    Bytes form(kCameraConfigFileSize, 0);
#define LUMORA_FORM_FIELD(name, member, type, offset, initial, index)                                          \
    std::memcpy(form.data() + offset, &record.member, sizeof(type));
    LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_FORM_FIELD)
#undef LUMORA_FORM_FIELD
    return form;
}

CameraConfig RecordOf(const Bytes& form)
{
    CameraConfig record;
#define LUMORA_RECORD_FIELD(name, member, type, offset, initial, index)                                        \
    std::memcpy(&record.member, form.data() + offset, sizeof(type));
    LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_RECORD_FIELD)
#undef LUMORA_RECORD_FIELD
    return record;
}

Bytes RandomBytes(std::mt19937& random, size_t length)
{
    Bytes bytes(length);
    for (unsigned char& byte : bytes) {
        byte = static_cast<unsigned char>(random());
    }
    return bytes;
}

struct Input {
    bool present = true;
    Bytes bytes;
};

Input MakeInput(std::mt19937& random)
{
    Input input;
    switch (random() % 8) {
    case 0: // no file
        input.present = false;
        break;
    case 1:
    case 2: // a valid file with a few bytes changed
        input.bytes = RandomBytes(random, kCameraConfigFileSize);
        for (unsigned changes = random() % 4 + 1; changes > 0; --changes) {
            input.bytes[random() % input.bytes.size()] ^= static_cast<unsigned char>(random() % 255 + 1);
        }
        break;
    case 3: // a valid file cut short
        input.bytes = FormOf(CameraConfig());
        input.bytes.resize(random() % kCameraConfigFileSize);
        break;
    case 4: { // a valid file with bytes after it
        input.bytes = FormOf(RecordOf(RandomBytes(random, kCameraConfigFileSize)));
        const Bytes tail = RandomBytes(random, random() % (kMaxInputLength - kCameraConfigFileSize + 1));
        input.bytes.insert(input.bytes.end(), tail.begin(), tail.end());
        break;
    }
    default: // any length, any bytes
        input.bytes = RandomBytes(random, random() % (kMaxInputLength + 1));
        break;
    }
    return input;
}

std::wstring g_settingsPath;

bool WriteRaw(const Input& input)
{
    if (!input.present) {
        return DeleteFileW(g_settingsPath.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    const win::UniqueHandle file(
        CreateFileW(g_settingsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.Get(), input.bytes.data(), static_cast<DWORD>(input.bytes.size()), &written, nullptr) &&
           written == input.bytes.size();
}

// The settings file's bytes; a missing file reads as more bytes than any settings file, equal to no record's form.
Bytes ReadRaw()
{
    const win::UniqueHandle file(
        CreateFileW(g_settingsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return Bytes(kMaxInputLength + 1, 0xFF);
    }
    unsigned char buffer[kMaxInputLength + 1];
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) {
        read = 0;
    }
    return Bytes(buffer, buffer + read);
}

// What loading input over a record of form `before` must give.
Bytes LoadedForm(const Input& input, Bytes before)
{
    const size_t covered = input.present ? std::min(input.bytes.size(), before.size()) : 0;
    std::copy(input.bytes.begin(), input.bytes.begin() + static_cast<std::ptrdiff_t>(covered), before.begin());
    return before;
}

std::string Hex(const Bytes& bytes)
{
    std::string text;
    char pair[4];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof(pair), "%02x", byte);
        text += pair;
    }
    return text;
}

// Checks one input; the empty text when it passed, else what was wrong. controllerForm is the form of the
// controller's record (kept up to date).
std::string Check(const Input& input, std::mt19937& random, CCamera& camera, bool withController,
                  Bytes& controllerForm)
{
    if (!WriteRaw(input)) {
        return "the input file could not be written";
    }
    // LoadFromFile: 1 for any file, the bytes it covers and nothing more.
    const Bytes before = FormOf(RecordOf(RandomBytes(random, kCameraConfigFileSize)));
    CameraConfig loaded = RecordOf(before);
    const int result = loaded.LoadFromFile();
    if (result != (input.present ? 1 : 0)) {
        return "LoadFromFile returned " + std::to_string(result);
    }
    if (FormOf(loaded) != LoadedForm(input, before)) {
        return "LoadFromFile filled " + Hex(FormOf(loaded));
    }

    // A saved record is its 67-byte form (which loads back to it, as the 67-byte inputs show).
    if (loaded.Store() != S_OK) {
        return "Store failed";
    }
    if (ReadRaw() != FormOf(loaded)) {
        return "the saved file is " + Hex(ReadRaw());
    }

    // The controller: the file's own fields survive GetConfig, the reserved words 1 to 4 (bytes 1 to 16) are cleared,
    // and SetConfig writes the record it was given, which GetConfig reads back. Every 16th input only: these calls
    // take four times as long as the rest.
    if (!withController) {
        return std::string();
    }
    if (!WriteRaw(input)) {
        return "the input file could not be written again";
    }
    const Bytes callerForm = FormOf(RecordOf(RandomBytes(random, kCameraConfigFileSize)));
    CameraConfig config = RecordOf(callerForm);
    if (camera.GetConfig(&config) != 1) {
        return "GetConfig failed";
    }
    Bytes expected = LoadedForm(input, controllerForm);
    const Bytes got = FormOf(config);
    std::fill(expected.begin() + 1, expected.begin() + 17, 0);
    if (!std::equal(got.begin(), got.begin() + 21, expected.begin())) {
        return "GetConfig gave the format part " + Hex(Bytes(got.begin(), got.begin() + 21));
    }
    if (camera.SetConfig(&config) != 1 || ReadRaw() != got) {
        return "SetConfig stored " + Hex(ReadRaw());
    }
    controllerForm = got;
    CameraConfig again = RecordOf(RandomBytes(random, kCameraConfigFileSize));
    if (camera.GetConfig(&again) != 1 || FormOf(again) != got) {
        return "GetConfig after SetConfig gave " + Hex(FormOf(again));
    }
    return std::string();
}

} // namespace

int main(int argc, char** argv)
{
    fuzz::Options options;
    if (!fuzz::ParseOptions(argc, argv, "settings_file_fuzzer", nullptr, &options)) {
        return 2;
    }
    testenv::Initialise();
    g_settingsPath = testenv::Wide(testenv::TempPath("Lumora Camera.config"));
    CCamera camera;
    Bytes controllerForm = FormOf(CameraConfig());
    return fuzz::RunInputs("settings file fuzzer", options, [&](uint64_t index) {
        // Each input has its own generator, so one can be replayed alone.
        std::seed_seq sequence{static_cast<unsigned long>(options.seed), static_cast<unsigned long>(index)};
        std::mt19937 random(sequence);
        const Input input = MakeInput(random);
        const std::string failure = Check(input, random, camera, index % 16 == 0, controllerForm);
        return failure.empty() ? failure
                               : "(" + (input.present ? Hex(input.bytes) : std::string("no file")) + ") " + failure;
    });
}
