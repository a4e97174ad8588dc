// The settings record and its 67-byte file: exact bytes, short and long files, the atomic replacement seen by a
// concurrent reader, and what else may stand at the settings path.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "camera/CameraConfig.h"
#include "camera/CameraSettingFields.h"
#include "tests/support/ImportHook.h"
#include "tests/support/SettingsRecord.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string SettingsPath()
{
    return testenv::TempPath("Lumora Camera.config");
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// One field of a settings file: size bytes at offset, low-order byte first.
struct FileField {
    size_t offset, size;
    uint32_t value;
};

// A whole settings file: the given fields, zero bytes everywhere else.
Bytes FileOf(std::initializer_list<FileField> fields)
{
    Bytes bytes(kCameraConfigFileSize, 0);
    for (const FileField& field : fields) {
        for (size_t i = 0; i < field.size; ++i) {
            bytes.at(field.offset + i) = static_cast<unsigned char>(field.value >> (8 * i));
        }
    }
    return bytes;
}

// Every field different from its default and from every other field.
CameraConfig DistinctRecord()
{
    using namespace testenv::setting;
    return testenv::SettingsOf({{Resolution, 2}, {Reserved0, 0x0A0A0A00}, {Reserved1, 0x0B0B0B01},
                                {Reserved2, 0x0C0C0C02}, {Reserved3, 0x0D0D0D03}, {Reserved4, 0x0E0E0E04},
                                {AeState, 0}, {AeTarget, 150}, {AnalogGain, 0x1234}, {ExposureTimeMS, 0x00012345},
                                {GainR, 1}, {GainG, 2}, {GainB, 3}, {Contrast, 44}, {Saturation, 45},
                                {ColorEnhancement, 0}, {Gamma, 50}, {FrameSpeed, 2}, {HMirror, 1}, {VMirror, 0x101},
                                {Monochrome, 0x10001}});
}

// The file form of DistinctRecord(), spelt out offset by offset.
Bytes DistinctRecordBytes()
{
    return FileOf({
        {0, 1, 2},           // resolution
        {1, 4, 0x0D0D0D03},  // reserved 3
        {5, 4, 0x0E0E0E04},  // reserved 4
        {9, 4, 0x0B0B0B01},  // reserved 1
        {13, 4, 0x0C0C0C02}, // reserved 2
        {17, 4, 0x0A0A0A00}, // reserved 0
        {21, 4, 0},          // AE state
        {25, 1, 150},        // target
        {26, 2, 0x1234},     // analog gain: 0x34, then 0x12
        {28, 4, 0x00012345}, // exposure time
        {32, 4, 3},          // blue
        {36, 4, 2},          // green
        {40, 4, 1},          // red
        {44, 1, 44},         // contrast
        {45, 1, 45},         // saturation
        {46, 4, 0},          // colour enhancement
        {50, 1, 50},         // gamma
        {51, 4, 2},          // frame speed
        {55, 4, 1},          // horizontal mirror
        {59, 4, 0x101},      // vertical mirror
        {63, 4, 0x10001},    // monochrome
    });
}

std::vector<uint64_t> AllFields(const CameraConfig& c)
{
#define LUMORA_TEST_FIELD(name, member, type, offset, initial, index) static_cast<uint64_t>(c.member),
    return {LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_TEST_FIELD)};
#undef LUMORA_TEST_FIELD
}

bool SameRecord(const CameraConfig& a, const CameraConfig& b)
{
    return AllFields(a) == AllFields(b);
}

bool TemporaryFilesLeft()
{
    return !testenv::TempFilesMatching("*.tmp").empty();
}

// What stands at the settings path before a save, and what must be true of it afterwards.
struct InThePath {
    const char* what;
    std::function<bool()> make; // false: this platform cannot make it
    HRESULT stored;             // Store's result
    int loaded;                 // LoadFromFile's result before the save
    std::function<void()> check;
};

class CameraConfigFile : public testing::Test {
protected:
    void SetUp() override { testenv::RemoveSettingsFile(); }
    void TearDown() override { testenv::RemoveSettingsFile(); }
};

} // namespace

TEST_F(CameraConfigFile, FreshRecordIsWrittenAsTheDefaultLayout)
{
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);

    // The resolution and the five reserved words (21 bytes) and the mirrors and monochrome (the last 12) are zero.
    const Bytes expected = FileOf({
        {21, 4, 1},   // AE on
        {25, 1, 100}, // target
        {26, 2, 40},  // analog gain
        {28, 4, 40},  // exposure time
        {32, 4, 88},  // blue
        {36, 4, 88},  // green
        {40, 4, 100}, // red
        {44, 1, 20},  // contrast
        {45, 1, 100}, // saturation
        {46, 4, 1},   // colour enhancement
        {50, 1, 100}, // gamma
        {51, 4, 1},   // frame speed high
    });
    EXPECT_EQ(testenv::SettingsFile(), expected);
}

TEST_F(CameraConfigFile, EveryFieldLandsAtItsOffsetAndComesBack)
{
    const CameraConfig written = DistinctRecord();
    ASSERT_EQ(written.SaveToFile(), 1);
    EXPECT_EQ(testenv::SettingsFile(), DistinctRecordBytes());

    CameraConfig loaded;
    ASSERT_EQ(loaded.LoadFromFile(), 1);
    EXPECT_EQ(loaded.m_Color.m_GainR, 1);
    EXPECT_EQ(loaded.m_Color.m_GainG, 2);
    EXPECT_EQ(loaded.m_Color.m_GainB, 3);
    EXPECT_EQ(loaded.m_Exposure.m_AnalogGain, 0x1234);
    EXPECT_EQ(loaded.m_Format.m_Reserved3, 0x0D0D0D03u);
    EXPECT_TRUE(SameRecord(loaded, written));
}

TEST_F(CameraConfigFile, AGivenPathIsUsedUnchanged)
{
    const std::string path = testenv::TempPath("elsewhere.cfg");
    ASSERT_EQ(DistinctRecord().SaveToFile(path.c_str()), 1);
    EXPECT_EQ(testenv::SettingsFile(path), DistinctRecordBytes());
    EXPECT_EQ(GetFileAttributesA(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
    CameraConfig loaded;
    EXPECT_EQ(loaded.LoadFromFile(path.c_str()), 1);
    EXPECT_TRUE(SameRecord(loaded, DistinctRecord()));
    DeleteFileA(path.c_str());
}

TEST_F(CameraConfigFile, MissingFileLeavesTheRecordAlone)
{
    CameraConfig record = DistinctRecord();
    EXPECT_EQ(record.LoadFromFile(), 0);
    EXPECT_TRUE(SameRecord(record, DistinctRecord()));
    EXPECT_EQ(record.LoadFromFile(testenv::TempPath("no such folder\\x.config").c_str()), 0);
    EXPECT_TRUE(SameRecord(record, DistinctRecord()));
}

TEST_F(CameraConfigFile, ShortFileFillsOnlyTheBytesItHolds)
{
    // Three bytes: the resolution and the two low-order bytes of reserved 3.
    WriteBytes(SettingsPath(), Bytes{1, 0xAA, 0xBB});
    CameraConfig record = DistinctRecord();
    ASSERT_EQ(record.LoadFromFile(), 1);
    EXPECT_EQ(record.m_Format.m_Resolution, 1);
    EXPECT_EQ(record.m_Format.m_Reserved3, 0x0D0DBBAAu);
    using namespace testenv::setting;
    const CameraConfig expected = testenv::SettingsOf({{Resolution, 1}, {Reserved3, 0x0D0DBBAA}}, DistinctRecord());
    EXPECT_TRUE(SameRecord(record, expected));

    // Cut inside the analog gain: the target is read, the gain gets its low byte only.
    Bytes cut = CameraConfig().SaveToFile() ? testenv::SettingsFile() : Bytes();
    ASSERT_EQ(cut.size(), 67u);
    cut.resize(27);
    WriteBytes(SettingsPath(), cut);
    CameraConfig partial = DistinctRecord();
    ASSERT_EQ(partial.LoadFromFile(), 1);
    EXPECT_EQ(partial.m_Exposure.m_Target, 100);
    EXPECT_EQ(partial.m_Exposure.m_AnalogGain, 0x1228); // 40 = 0x28 from the file, 0x12 kept
    EXPECT_EQ(partial.m_Exposure.m_ExposureTimeMS, 0x00012345u);
    EXPECT_EQ(partial.m_Monochrome, 0x10001);

    // An empty file opens, so the result is 1, and nothing changes.
    WriteBytes(SettingsPath(), Bytes());
    CameraConfig untouched = DistinctRecord();
    EXPECT_EQ(untouched.LoadFromFile(), 1);
    EXPECT_TRUE(SameRecord(untouched, DistinctRecord()));
}

TEST_F(CameraConfigFile, LongerFileIsReadForItsFirst67Bytes)
{
    Bytes longer = DistinctRecordBytes();
    longer.insert(longer.end(), 100, 0xEE);
    WriteBytes(SettingsPath(), longer);
    CameraConfig record;
    ASSERT_EQ(record.LoadFromFile(), 1);
    EXPECT_TRUE(SameRecord(record, DistinctRecord()));
}

TEST_F(CameraConfigFile, ReplacementLeavesNoTemporaryFileBehind)
{
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    ASSERT_EQ(DistinctRecord().SaveToFile(), 1); // replaces an existing file
    EXPECT_EQ(testenv::SettingsFile(), DistinctRecordBytes());
    EXPECT_EQ(testenv::TempFilesMatching(), std::vector<std::string>{"Lumora Camera.config"});

    // A folder that does not exist: nothing written, nothing left over, result 0.
    EXPECT_EQ(CameraConfig().SaveToFile(testenv::TempPath("missing\\Lumora Camera.config").c_str()), 0);
    EXPECT_EQ(testenv::TempFilesMatching(), std::vector<std::string>{"Lumora Camera.config"});
}

TEST_F(CameraConfigFile, TheNewFileIsOnTheDiskBeforeItReplacesTheOldOne)
{
    // A move does not write the data: after a power cut a file replaced by an unflushed one could be empty.
    testenv::FlushBeforeMoveWatch watch;
    ASSERT_TRUE(watch.Installed()) << "the program flushes no file";
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    ASSERT_EQ(DistinctRecord().SaveToFile(), 1); // replaces an existing file
    EXPECT_EQ(watch.Moves(), 2);
    EXPECT_EQ(watch.MovesOfFlushedFiles(), 2);
}

TEST_F(CameraConfigFile, ConcurrentReaderSeesOnlyWholeFiles)
{
    // One thread keeps rewriting the file with two records, another keeps loading it: every load yields one of the
    // two whole records, and every save succeeds although a reader may have the file open.
    const CameraConfig first;
    const CameraConfig second = DistinctRecord();
    ASSERT_EQ(first.SaveToFile(), 1);

    std::atomic<bool> writing{true};
    std::atomic<int> failedSaves{0};
    std::thread writer([&] {
        for (int i = 0; i < 100; ++i) {
            if ((i % 2 ? second : first).SaveToFile() != 1) {
                ++failedSaves;
            }
        }
        writing = false;
    });
    int loads = 0, torn = 0;
    while (writing) {
        CameraConfig seen = DistinctRecord();
        seen.m_Format.m_Resolution = 7; // neither record has it
        if (seen.LoadFromFile() == 1) {
            ++loads;
            if (!SameRecord(seen, first) && !SameRecord(seen, second)) {
                ++torn;
            }
        }
    }
    writer.join();
    EXPECT_GT(loads, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(failedSaves, 0);
    EXPECT_EQ(testenv::TempFilesMatching(), std::vector<std::string>{"Lumora Camera.config"});
}

TEST_F(CameraConfigFile, OnlyAPlainWritableFileAtThePathIsReadOrReplaced)
{
    const std::string path = SettingsPath();
    const std::string victim = testenv::TempPath("elsewhere.bin");
    const Bytes victimBytes(20, 0x77);
    const InThePath cases[] = {
        {"a directory", [&] { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; },
         HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE), 0,
         [&] {
             EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
             RemoveDirectoryA(path.c_str());
         }},
        {"a read-only file",
         [&] {
             WriteBytes(path, DistinctRecordBytes());
             return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
         },
         E_ACCESSDENIED, 1,
         [&] {
             EXPECT_EQ(testenv::SettingsFile(path), DistinctRecordBytes()) << "left as it was";
             SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
         }},
        // Wine shows a Linux symbolic link as the file it points to; a save replaces the link, not the file.
        {"a Linux symbolic link",
         [&] {
             WriteBytes(victim, victimBytes);
             const std::string command =
                 "ln -s '" + testenv::UnixPath(victim) + "' '" + testenv::UnixPath(path) + "'";
             return testenv::RunUnixCommand(command, nullptr, 20000) == 0;
         },
         S_OK, 1,
         [&] {
             EXPECT_EQ(testenv::SettingsFile(victim), victimBytes) << "written through the link";
             EXPECT_EQ(testenv::SettingsFile(path), DistinctRecordBytes());
             DeleteFileA(victim.c_str());
             for (const std::string& name : testenv::TempFilesMatching()) {
                 if (name.compare(0, 8, "unixcmd-") == 0) { // the command's own files
                     DeleteFileA(testenv::TempPath(name).c_str());
                 }
             }
         }},
    };
    for (const InThePath& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::RemoveSettingsFile();
        if (!c.make()) {
            std::printf("skipped: cannot make %s here\n", c.what);
            continue;
        }
        CameraConfig record;
        EXPECT_EQ(record.LoadFromFile(), c.loaded);
        EXPECT_EQ(DistinctRecord().Store(), c.stored);
        EXPECT_EQ(DistinctRecord().SaveToFile(), c.stored == S_OK ? 1 : 0);
        EXPECT_FALSE(TemporaryFilesLeft());
        c.check();
    }
}

TEST_F(CameraConfigFile, AWindowsLinkAtThePathIsNeitherFollowedNorReplaced)
{
    const std::string target = testenv::TempPath("target.bin");
    WriteBytes(target, DistinctRecordBytes());
    CreateSymbolicLinkA(SettingsPath().c_str(), target.c_str(), 0);
    const DWORD attributes = GetFileAttributesA(SettingsPath().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteFileA(target.c_str());
        // Wine 8's CreateSymbolicLink reports success and makes nothing and it refuses FSCTL_SET_REPARSE_POINT; Windows
        // needs the privilege.
        GTEST_SKIP() << "this system cannot make a symbolic link here";
    }
    CameraConfig record;
    EXPECT_EQ(record.LoadFromFile(), 0) << "followed the link";
    EXPECT_EQ(CameraConfig().Store(), HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE));
    EXPECT_EQ(testenv::SettingsFile(target), DistinctRecordBytes());
    RemoveDirectoryA(SettingsPath().c_str());
    DeleteFileA(SettingsPath().c_str());
    DeleteFileA(target.c_str());
}

TEST_F(CameraConfigFile, ATemporaryFolderNamedOutsideTheAnsiCodePageWorks)
{
    // "Настройки-設定": neither Cyrillic nor CJK is in the Western code page.
    const std::wstring folder = testenv::Wide(testenv::TempFolder()) + L"\x041D\x0430\x0441\x0442\x0440\x043E\x0439\x043A"
                                                              L"\x0438-\x8A2D\x5B9A\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());

    const HRESULT stored = DistinctRecord().Store();
    CameraConfig loaded;
    const int read = loaded.LoadFromFile();
    const std::wstring file = folder + L"Lumora Camera.config";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    const bool found = GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) != FALSE;

    SetEnvironmentVariableA("TMP", testenv::TempFolder().c_str());
    SetEnvironmentVariableA("TEMP", testenv::TempFolder().c_str());
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());

    EXPECT_EQ(stored, S_OK);
    ASSERT_TRUE(found) << "not written into the folder";
    EXPECT_EQ(data.nFileSizeLow, 67u);
    EXPECT_EQ(read, 1);
    EXPECT_TRUE(SameRecord(loaded, DistinctRecord()));
    EXPECT_EQ(GetFileAttributesA(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES) << "landed in the folder above";
}
