// Feeds the settings file any length and any bytes, reproducibly for a seed,
// and checks what the record and the controller make of it:
//
//   settings_file_fuzzer --seed N --count N
//
// Each input is random bytes (0 to 200 of them), a valid 67-byte file with
// bytes changed, a valid file cut short or lengthened, or no file at all.
// For each one: LoadFromFile reports 1 for any file and fills exactly the
// bytes the file covers (0 and nothing changed without a file); a saved
// record is its 67-byte form, which loads back to the same record; and the
// camera controller's GetConfig / SetConfig round trip (on the simulated
// camera beside the program, or on no camera; every 16th input) keeps the
// file's own fields, clears the four reserved words and writes what it was
// given.
//
// The program works in a private temporary folder (TMP and TEMP point there),
// reports its progress every 10000 inputs and ends with a summary line. Exit code 0 when every input passed, 1 at the
// first wrong result (the input is printed), 2 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraConfig.h"
#include "camera/CameraSettingFields.h"
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

// One input: the file's bytes, or no file at all.
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

// The settings file's bytes; a missing file reads as more bytes than any
// settings file holds, so it never equals a record's form.
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

// Checks one input; the empty text when it passed, else what was wrong.
// controllerForm is the form of the controller's record (kept up to date).
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

    // A saved record is its 67-byte form (which loads back to it, as the
    // 67-byte inputs show).
    if (loaded.Store() != S_OK) {
        return "Store failed";
    }
    if (ReadRaw() != FormOf(loaded)) {
        return "the saved file is " + Hex(ReadRaw());
    }

    // The controller: the file's own fields over the controller's record
    // (whatever the caller's held) survive GetConfig, the reserved words 1
    // to 4 (bytes 1 to 16) are cleared, and SetConfig writes the record it
    // was given, which GetConfig then reads back unchanged. Every
    // 16th input only: these calls take four times as long as the rest.
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

// A fresh folder of this process's own under the system's temporary folder,
// ending in a backslash, which TMP and TEMP then name.
std::wstring MakePrivateTempFolder()
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    wchar_t name[64];
    wsprintfW(name, L"lumora-settings-fuzz-%lu\\", GetCurrentProcessId());
    const std::wstring folder = std::wstring(base) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    return folder;
}

void RemovePrivateTempFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((folder + entry.cFileName).c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

bool ParseNumber(const char* text, unsigned long* value)
{
    char* end = nullptr;
    *value = std::strtoul(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    unsigned long seed = 1;
    unsigned long count = 10000;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool known = option == "--seed" || option == "--count";
        if (!known || i + 1 == argc || !ParseNumber(argv[i + 1], option == "--seed" ? &seed : &count)) {
            std::fprintf(stderr, "usage: settings_file_fuzzer [--seed N] [--count N]\n");
            return 2;
        }
        ++i;
    }

    const std::wstring folder = MakePrivateTempFolder();
    g_settingsPath = folder + L"Lumora Camera.config";
    int exitCode = 0;
    const ULONGLONG start = GetTickCount64();
    {
        CCamera camera;
        Bytes controllerForm = FormOf(CameraConfig());
        for (unsigned long index = 0; index < count; ++index) {
            // Each input has its own generator, so one can be replayed alone.
            std::seed_seq sequence{seed, index};
            std::mt19937 random(sequence);
            const Input input = MakeInput(random);
            const std::string failure = Check(input, random, camera, index % 16 == 0, controllerForm);
            if (!failure.empty()) {
                std::printf("seed %lu input %lu (%s): %s\n", seed, index,
                            input.present ? Hex(input.bytes).c_str() : "no file", failure.c_str());
                exitCode = 1;
                break;
            }
            if ((index + 1) % 10000 == 0) {
                std::printf("%lu inputs passed, %llu ms\n", index + 1, GetTickCount64() - start);
                std::fflush(stdout);
            }
        }
    }
    std::printf("settings file fuzzer: seed %lu, %lu inputs, %s, %llu ms\n", seed, count,
                exitCode == 0 ? "all passed" : "FAILED", GetTickCount64() - start);
    RemovePrivateTempFolder(folder);
    return exitCode;
}
