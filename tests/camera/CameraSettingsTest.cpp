// GetConfig, SetConfig and Init's apply against the simulated camera: which SDK calls are made, in which order,
// and what reaches the record and the settings file, also when the file cannot be written.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraSdk.h"
#include "simcamera/SimControl.h"
#include "tests/camera/OpenJournal.h"
#include "tests/support/CameraHeld.h"
#include "tests/support/ImportHook.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SettingsRecord.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"
#include "win/Event.h"
#include "win/UniqueHandle.h"

using testenv::Held;
using testenv::HeldMirror;
using testenv::JournalLines;
using testenv::SettingsOf;
namespace setting = testenv::setting;
using Lines = std::vector<std::string>;

namespace {

using CameraSettings = testenv::SimCameraFixture;

const Lines kAlwaysSent = {"CameraSetMonochrome(0)", "CameraSetMirror(0,0)", "CameraSetMirror(1,0)"};

using Values = std::vector<int64_t>;

// The fields the camera holds, in the order the controller reads them.
Values HeldFields(const CameraConfig& c)
{
    return {c.m_Exposure.m_AeState, c.m_Exposure.m_Target, c.m_Exposure.m_AnalogGain, c.m_Exposure.m_ExposureTimeMS,
            c.m_Color.m_GainR, c.m_Color.m_GainG, c.m_Color.m_GainB, c.m_Color.m_Gamma, c.m_Color.m_Contrast,
            c.m_Color.m_Saturation, c.m_Color.m_ColorEnhancement, c.m_FrameSpeed, c.m_Monochrome, c.m_HMirror,
            c.m_VMirror};
}

// What applying record sends to the camera.
Lines SentBy(CCamera& camera, const CameraConfig& record)
{
    SimClearJournal();
    camera.SetConfig(&record);
    return JournalLines();
}

Lines Concat(Lines first, const Lines& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Makes the next settings-file read of one thread last until a change has completed (or 300 ms have passed): the read
// stands between its file contents and its store of them, where a change could slip in.
class SlowSettingsRead {
public:
    SlowSettingsRead() : m_Hook("KERNEL32.dll", "ReadFile", reinterpret_cast<void*>(&Read))
    {
        original = reinterpret_cast<decltype(original)>(m_Hook.Original());
        slowThread = GetCurrentThreadId();
    }
    ~SlowSettingsRead() { slowThread = 0; }
    SlowSettingsRead(const SlowSettingsRead&) = delete;
    SlowSettingsRead& operator=(const SlowSettingsRead&) = delete;

    bool Installed() const { return m_Hook.Installed(); }
    static win::Event readDone;
    static win::Event changeDone;

private:
    static BOOL WINAPI Read(HANDLE file, void* buffer, DWORD bytes, DWORD* read, OVERLAPPED* overlapped)
    {
        const BOOL result = original(file, buffer, bytes, read, overlapped);
        DWORD slow = GetCurrentThreadId();
        if (slowThread.compare_exchange_strong(slow, 0)) {
            readDone.Set();
            changeDone.Wait(300);
        }
        return result;
    }
    static BOOL(WINAPI* original)(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);
    static std::atomic<DWORD> slowThread;
    testenv::ImportHook m_Hook;
};
win::Event SlowSettingsRead::readDone(win::Event::Mode::AutoReset);
win::Event SlowSettingsRead::changeDone(win::Event::Mode::AutoReset);
BOOL(WINAPI* SlowSettingsRead::original)(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*) = nullptr;
std::atomic<DWORD> SlowSettingsRead::slowThread{0};

// True once a temporary file of a save in progress stands in the folder.
bool SaveInProgress()
{
    return !testenv::TempFilesMatching("*.tmp").empty();
}

win::UniqueHandle HoldSettingsFile()
{
    const std::string path = testenv::TempPath("Lumora Camera.config");
    return win::UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

} // namespace

TEST_F(CameraSettings, RecordEqualToTheCurrentOneSendsOnlyMonochromeAndMirrors)
{
    CCamera camera;
    const CameraConfig record; // the controller starts with the defaults too
    EXPECT_EQ(camera.SetConfig(&record), 1);
    EXPECT_EQ(JournalLines(), kAlwaysSent);
}

TEST_F(CameraSettings, ChangedValuesAreSentInOrderComparedAtTheirOwnWidth)
{
    CCamera camera;
    CameraConfig record;

    // Only green: one CameraSetGain with all three gains.
    record.m_Color.m_GainG = 300;
    EXPECT_EQ(SentBy(camera, record), Concat({"CameraSetGain(100,300,88)"}, kAlwaysSent));

    // Everything changed: the fixed order, then the three sent every time.
    record = SettingsOf({{setting::AeState, 0}, {setting::AeTarget, 120}, {setting::AnalogGain, 0x1234},
                         {setting::ExposureTimeMS, 250}, {setting::GainB, 64}, {setting::Gamma, 70},
                         {setting::Contrast, 30}, {setting::Saturation, 140}, {setting::ColorEnhancement, 0},
                         {setting::FrameSpeed, 2}, {setting::Monochrome, 1}, {setting::HMirror, 1},
                         {setting::VMirror, 1}},
                        record);
    EXPECT_EQ(
        SentBy(camera, record),
        (Lines{"CameraSetAeState(0)", "CameraSetAeTarget(120)", "CameraSetAnalogGain(4660)",
               "CameraSetExposureTimeMS(250)", "CameraSetGain(100,300,64)", "CameraSetGamma(70)",
               "CameraSetContrast(30)", "CameraSetSaturation(140)", "CameraSetColorEnhancement(0)",
               "CameraSetFrameSpeed(2)", "CameraSetMonochrome(1)", "CameraSetMirror(0,1)", "CameraSetMirror(1,1)"}));

    // A gain that differs only above 16 bits still differs at the field's
    // 32-bit width; the SDK receives its low 16 bits.
    record.m_Color.m_GainR = 0x10000 + 100;
    EXPECT_EQ(SentBy(camera, record), (Lines{"CameraSetGain(100,300,64)", "CameraSetMonochrome(1)",
                                             "CameraSetMirror(0,1)", "CameraSetMirror(1,1)"}));
}

TEST_F(CameraSettings, ChangedResolutionSendsNothingButRewritesTheFileAndTheRecord)
{
    CCamera camera;
    CameraConfig record = SettingsOf({{setting::Resolution, 1}, {setting::Gamma, 55}});
    EXPECT_EQ(camera.SetConfig(&record), 1);
    EXPECT_TRUE(JournalLines().empty());

    CameraConfig saved;
    ASSERT_EQ(saved.LoadFromFile(), 1);
    EXPECT_EQ(saved.m_Format.m_Resolution, 1);
    EXPECT_EQ(saved.m_Color.m_Gamma, 55);

    // The record became the current one: the same record again differs in nothing.
    EXPECT_EQ(camera.SetConfig(&record), 1);
    EXPECT_EQ(JournalLines(), kAlwaysSent);
}

TEST_F(CameraSettings, GetConfigReadsTheFileAndWhileOpenTheCamerasValues)
{
    // The file says resolution 2 with reserved words and a gamma; the camera
    // holds other values (in a new program, its power-on ones).
    const CameraConfig stored =
        SettingsOf({{setting::Resolution, 2}, {setting::Reserved0, 0xABCD}, {setting::Reserved1, 1},
                    {setting::Reserved2, 2}, {setting::Reserved3, 3}, {setting::Reserved4, 4}, {setting::Gamma, 33}});
    ASSERT_EQ(stored.SaveToFile(), 1);
    CameraSetGamma(77);
    CameraSetMirror(kMirrorVertical, 1);
    SimClearJournal();

    // Closed: the file's values stand (the camera gets them when it opens).
    CCamera camera;
    CameraConfig record;
    EXPECT_EQ(camera.GetConfig(&record), 1);
    EXPECT_EQ(JournalLines(), Lines{});
    EXPECT_EQ(record.m_Format.m_Resolution, 2);
    EXPECT_EQ(record.m_Format.m_Reserved0, 0xABCDu);
    EXPECT_EQ(record.m_Format.m_Reserved1, 0u);
    EXPECT_EQ(record.m_Format.m_Reserved2, 0u);
    EXPECT_EQ(record.m_Format.m_Reserved3, 0u);
    EXPECT_EQ(record.m_Format.m_Reserved4, 0u);
    EXPECT_EQ(record.m_Color.m_Gamma, 33);
    EXPECT_EQ(record.m_VMirror, 0);

    // Open: what reaches the camera after the open (the settings page sends
    // its sliders straight to it) is read back over the file's values.
    ASSERT_EQ(camera.Init(), 1);
    CameraSetGamma(77);
    CameraSetMirror(kMirrorVertical, 1);
    CameraSetFrameSpeed(kFrameSpeedNormal);
    SimClearJournal();
    EXPECT_EQ(camera.GetConfig(&record), 1);
    EXPECT_EQ(JournalLines(),
              (Lines{"CameraGetAeState()", "CameraGetAeTarget()", "CameraGetAnalogGain()",
                     "CameraGetExposureTimeMS()", "CameraGetGain()", "CameraGetGamma()", "CameraGetContrast()",
                     "CameraGetSaturation()", "CameraGetColorEnhancement()", "CameraGetFrameSpeed()",
                     "CameraGetMonochrome()", "CameraGetMirror(0)", "CameraGetMirror(1)"}));
    EXPECT_EQ(record.m_Format.m_Resolution, 2);
    EXPECT_EQ(record.m_Format.m_Reserved0, 0xABCDu);
    EXPECT_EQ(record.m_Color.m_Gamma, 77);
    EXPECT_EQ(record.m_VMirror, 1);
    EXPECT_EQ(record.m_FrameSpeed, kFrameSpeedNormal);

    // The record read back became the current one (resolution 2 included), so
    // applying it again sends only the three unconditional settings.
    EXPECT_EQ(SentBy(camera, record),
              (Lines{"CameraSetMonochrome(0)", "CameraSetMirror(0,0)", "CameraSetMirror(1,1)"}));
    camera.UnInit();
}

TEST_F(CameraSettings, DifferencesAreJudgedAgainstTheRecordNotTheCamera)
{
    // A value sent straight to the camera (as the settings page does) is not
    // in the controller's record until the next GetConfig or SetConfig.
    CCamera camera;
    CameraSetContrast(99);
    CameraConfig record; // contrast 20, as the controller's record
    EXPECT_EQ(SentBy(camera, record), kAlwaysSent);
    record.m_Color.m_Contrast = 99;
    EXPECT_EQ(SentBy(camera, record), Concat({"CameraSetContrast(99)"}, kAlwaysSent));
}

TEST_F(CameraSettings, GetConfigReadsEveryFieldTheCameraHoldsIntoItsOwnMember)
{
    // A settings file of 0x55 bytes: no field is at its default or at a value
    // the camera has. Closed, the record is the file's, field for field.
    std::ofstream(testenv::TempPath("Lumora Camera.config"), std::ios::binary) << std::string(67, '\x55');
    CCamera camera;
    CameraConfig record;
    ASSERT_EQ(camera.GetConfig(&record), 1);
    CameraConfig fromFile;
    ASSERT_EQ(fromFile.LoadFromFile(), 1);
    EXPECT_EQ(record.m_Format.m_Resolution, 0x55);
    EXPECT_EQ(record.m_Format.m_Reserved0, 0x55555555u);
    EXPECT_EQ(HeldFields(record), HeldFields(fromFile));

    // Open, with distinct values set, so that a value read into another field
    // shows: the camera's values replace exactly the fields it holds.
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    ASSERT_EQ(camera.GetConfig(&record), 1);
    ASSERT_EQ(camera.Init(), 1);
    CameraSetAeState(0);
    CameraSetAeTarget(201);
    CameraSetAnalogGain(0xBEEF);
    CameraSetExposureTimeMS(123456);
    CameraSetGain(1, 2, 300);
    CameraSetGamma(150);
    CameraSetContrast(254);
    CameraSetSaturation(7);
    CameraSetColorEnhancement(0);
    CameraSetFrameSpeed(kFrameSpeedNormal);
    CameraSetMonochrome(1);
    CameraSetMirror(kMirrorVertical, 1);
    ASSERT_EQ(camera.GetConfig(&record), 1);
    EXPECT_EQ(HeldFields(record), (Values{0, 201, 0xBEEF, 123456, 1, 2, 300, 150, 254, 7, 0, 2, 1, 0, 1}));
    camera.UnInit();
}

TEST_F(CameraSettings, ARecordStoredByAnEarlierProgramReachesTheCameraWhenItOpens)
{
    // An earlier program kept these; this program's camera is at power-on.
    const CameraConfig stored = SettingsOf({{setting::AeState, 0}, {setting::ExposureTimeMS, 520},
                                            {setting::Contrast, 150}, {setting::FrameSpeed, kFrameSpeedNormal},
                                            {setting::Monochrome, 1}});
    ASSERT_EQ(stored.SaveToFile(), 1);

    // The pin's way: GetConfig at Pause, then Init.
    CCamera camera;
    CameraConfig current;
    ASSERT_EQ(camera.GetConfig(&current), 1);
    SimClearJournal();
    ASSERT_EQ(camera.Init(), 1);
    EXPECT_EQ(JournalLines(), cameratest::OpenJournal(stored));
    EXPECT_EQ(Held(CameraGetContrast), 150);
    CameraConfig file;
    ASSERT_EQ(file.LoadFromFile(), 1);
    EXPECT_EQ(HeldFields(file), HeldFields(stored)) << "the open kept the stored values";
    // And GetConfig, open, reads them back from the camera.
    ASSERT_EQ(camera.GetConfig(&current), 1);
    EXPECT_EQ(HeldFields(current), HeldFields(stored));
    camera.UnInit();
}

TEST_F(CameraSettings, InitWritesTheRecordItAppliedToTheSettingsFileOnceTheCameraOpened)
{
    CCamera camera;
    CameraConfig record = SettingsOf({{setting::Gamma, 55}, {setting::VMirror, 1}});
    ASSERT_EQ(camera.SetConfig(&record), 1);

    // CameraInit fails: nothing was applied, and the file is not written.
    testenv::RemoveSettingsFile();
    SimSetFault(SimFaultCameraInit, 1);
    EXPECT_EQ(camera.Init(), 2);
    SimSetFault(SimFaultCameraInit, 0);
    CameraConfig saved;
    EXPECT_EQ(saved.LoadFromFile(), 0);

    SimClearJournal();
    ASSERT_EQ(camera.Init(), 1);
    EXPECT_EQ(JournalLines(), cameratest::OpenJournal(record));
    ASSERT_EQ(saved.LoadFromFile(), 1);
    EXPECT_EQ(saved.m_Color.m_Gamma, 55);
    EXPECT_EQ(saved.m_VMirror, 1);
    camera.UnInit();
}

TEST_F(CameraSettings, ASaveWaitsBrieflyForAFileHeldOpenWithoutHoldingTheController)
{
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    win::UniqueHandle holder = HoldSettingsFile();
    ASSERT_TRUE(holder);

    CCamera camera;
    CameraConfig record = SettingsOf({{setting::Gamma, 55}});
    std::atomic<int> result{-1};
    HRESULT saved = E_PENDING;
    std::thread setter([&] { result = camera.SetConfig(&record, &saved); });
    // The save has written its new file and waits to move it into place. Meanwhile the controller answers another
    // thread's call that takes its lock, and then the holder lets go.
    while (!SaveInProgress() && result == -1) {
        Sleep(1);
    }
    BITMAPINFOHEADER formats[5] = {};
    int count = 5;
    EXPECT_EQ(camera.GetFormats(formats, &count), 1);
    holder.Reset();
    setter.join();

    EXPECT_EQ(result, 1);
    EXPECT_EQ(saved, S_OK);
    CameraConfig stored;
    ASSERT_EQ(stored.LoadFromFile(), 1);
    EXPECT_EQ(stored.m_Color.m_Gamma, 55);
    EXPECT_FALSE(SaveInProgress()) << "a temporary file was left behind";
}

TEST_F(CameraSettings, ASaveGivesUpOnAFileHeldLongAndStillAppliesTheValues)
{
    ASSERT_EQ(SettingsOf({{setting::Gamma, 33}}).SaveToFile(), 1);
    const win::UniqueHandle holder = HoldSettingsFile();
    ASSERT_TRUE(holder);

    CCamera camera;
    CameraConfig record = SettingsOf({{setting::Gamma, 55}});
    HRESULT saved = S_OK;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(camera.SetConfig(&record, &saved), 0);
    const ULONGLONG elapsed = GetTickCount64() - start;

    // Windows names the holder's refusal a sharing violation, Wine access denied.
    EXPECT_TRUE(saved == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) || saved == E_ACCESSDENIED) << std::hex << saved;
    EXPECT_GE(elapsed, 90u) << "the save did not wait for the holder";
    EXPECT_LT(elapsed, 100u + 2000u) << "the save waited far beyond its bound";
    EXPECT_EQ(JournalLines(), Concat({"CameraSetGamma(55)"}, kAlwaysSent)) << "the values apply all the same";
    EXPECT_FALSE(SaveInProgress()) << "a temporary file was left behind";
    // The camera holds the values, and the controller's record is the new one.
    SimClearJournal();
    EXPECT_EQ(camera.SetConfig(&record), 0);
    EXPECT_EQ(JournalLines(), kAlwaysSent);
}

TEST_F(CameraSettings, ChangeSettingsEditsTheCurrentRecordSendsWhatChangedAndKeepsIt)
{
    // The file holds resolution 2 and a gamma, which the open sends; then the camera gets a contrast the controller's
    // record does not know (sent straight to it, as the settings page does).
    ASSERT_EQ(SettingsOf({{setting::Resolution, 2}, {setting::Reserved0, 7}, {setting::Gamma, 33}}).SaveToFile(), 1);
    CCamera camera;
    CameraConfig current;
    camera.GetConfig(&current);
    ASSERT_EQ(camera.Init(), 1);
    CameraSetContrast(99);
    SimClearJournal();

    HRESULT saved = E_PENDING;
    EXPECT_EQ(camera.ChangeSettings([](CameraConfig& record) { record.m_Exposure.m_Target = 150; }, &saved), 1);
    EXPECT_EQ(saved, S_OK);
    // The current values are read first; then only the edited one (and the
    // three sent on every apply) goes to the camera.
    const Lines journal = JournalLines();
    ASSERT_EQ(journal.size(), 13u + 4u);
    EXPECT_EQ(Lines(journal.begin() + 13, journal.end()), Concat({"CameraSetAeTarget(150)"}, kAlwaysSent));

    CameraConfig file;
    ASSERT_EQ(file.LoadFromFile(), 1);
    EXPECT_EQ(file.m_Exposure.m_Target, 150);
    EXPECT_EQ(file.m_Color.m_Contrast, 99) << "the camera's live value was put back";
    EXPECT_EQ(file.m_Color.m_Gamma, 33);
    EXPECT_EQ(file.m_Format.m_Resolution, 2);
    EXPECT_EQ(file.m_Format.m_Reserved0, 7u);

    // The result is the controller's current record: applying it sends no more.
    EXPECT_EQ(SentBy(camera, file), kAlwaysSent);
    camera.UnInit();
}

TEST_F(CameraSettings, ChangeSettingsOfTheResolutionSendsNothingUntilTheNextOpen)
{
    CCamera camera;
    CameraConfig current;
    camera.GetConfig(&current);
    SimClearJournal();
    EXPECT_EQ(camera.ChangeSettings([](CameraConfig& record) {
        record = SettingsOf({{setting::Resolution, 1}, {setting::Gamma, 55}}, record);
    }),
              1);
    for (const std::string& line : JournalLines()) {
        EXPECT_EQ(line.compare(0, 9, "CameraGet"), 0) << line;
    }
    CameraConfig file;
    ASSERT_EQ(file.LoadFromFile(), 1);
    EXPECT_EQ(file.m_Format.m_Resolution, 1);
    EXPECT_EQ(file.m_Color.m_Gamma, 55);
}

TEST_F(CameraSettings, ConcurrentChangesLoseNothingInTheCameraOrTheFile)
{
    CCamera camera;
    const int rounds = 60;
    // Three threads change a field each: two the camera holds, and the resolution index, which only the file keeps. A
    // change read before another one was saved must not put it back.
    using Field = void (*)(CameraConfig&, int);
    const Field fields[] = {
        [](CameraConfig& record, int i) { record.m_Color.m_Contrast = static_cast<uint8_t>(i); },
        [](CameraConfig& record, int i) { record.m_Color.m_Saturation = static_cast<uint8_t>(i); },
        [](CameraConfig& record, int i) { record.m_Format.m_Resolution = static_cast<uint8_t>(i % 3); },
    };
    std::vector<std::thread> threads;
    for (Field field : fields) {
        threads.emplace_back([&camera, field] {
            for (int i = 1; i <= rounds; ++i) {
                camera.ChangeSettings([field, i](CameraConfig& record) { field(record, i); });
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    CameraConfig file;
    ASSERT_EQ(file.LoadFromFile(), 1);
    EXPECT_EQ(file.m_Color.m_Contrast, rounds);
    EXPECT_EQ(file.m_Color.m_Saturation, rounds);
    EXPECT_EQ(file.m_Format.m_Resolution, rounds % 3);
    CameraConfig live;
    camera.GetConfig(&live);
    EXPECT_EQ(live.m_Color.m_Contrast, rounds);
    EXPECT_EQ(live.m_Color.m_Saturation, rounds);
}

TEST_F(CameraSettings, AReadNeverPutsBackARecordThatAChangeReplacedMeanwhile)
{
    // GetConfig reads the file, then stores what it read as the record: a change completing in between would be
    // undone, and the next Init would send and save the older record.
    CCamera camera;
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    for (int round = 1; round <= 8; ++round) {
        SCOPED_TRACE(round);
        const uint8_t target = static_cast<uint8_t>(100 + round);
        std::atomic<bool> installed{false};
        std::thread reader([&] {
            SlowSettingsRead slow;
            installed = slow.Installed();
            CameraConfig read;
            camera.GetConfig(&read);
        });
        const bool readStarted = SlowSettingsRead::readDone.Wait(5000);
        camera.ChangeSettings([target](CameraConfig& record) { record.m_Exposure.m_Target = target; });
        SlowSettingsRead::changeDone.Set();
        reader.join();
        ASSERT_TRUE(installed && readStarted) << "the read was not slowed";

        ASSERT_EQ(camera.Init(), 1);
        CameraConfig file;
        ASSERT_EQ(file.LoadFromFile(), 1);
        EXPECT_EQ(file.m_Exposure.m_Target, target) << "Init saved the record the change replaced";
        ASSERT_EQ(camera.UnInit(), 1);
    }
}

TEST_F(CameraSettings, WithoutASettingsFileTheAppliedRecordStands)
{
    // A cleaner removed the file (or the folder cannot be written): the
    // values applied are what a read returns and what the camera opens with.
    CCamera camera;
    ASSERT_EQ(camera.ChangeSettings([](CameraConfig& record) { record.m_Exposure.m_Target = 150; }), 1);
    testenv::RemoveSettingsFile();
    CameraConfig read; // a caller's fresh record: the defaults
    ASSERT_EQ(camera.GetConfig(&read), 1);
    EXPECT_EQ(read.m_Exposure.m_Target, 150);

    SimClearJournal();
    ASSERT_EQ(camera.Init(), 1);
    EXPECT_EQ(JournalLines(), cameratest::OpenJournal(SettingsOf({{setting::AeTarget, 150}})));
}

TEST_F(CameraSettings, ChangeSettingsReportsAFailedSaveAndStillAppliesTheValue)
{
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    const win::UniqueHandle holder = HoldSettingsFile();
    ASSERT_TRUE(holder);
    CCamera camera;
    HRESULT saved = S_OK;
    EXPECT_EQ(camera.ChangeSettings([](CameraConfig& record) { record.m_Color.m_Gamma = 55; }, &saved), 0);
    EXPECT_TRUE(FAILED(saved)) << std::hex << saved;
    EXPECT_EQ(Held(CameraGetGamma), 55);
}

TEST_F(CameraSettings, SetFrameSpeedChangesOnlyTheSpeedOfTheCurrentRecordAndSavesIt)
{
    // Closed: the current record is the file's (the camera holds another
    // gamma, as at power-on in a new program), as GetConfig reads it.
    ASSERT_EQ(SettingsOf({{setting::Resolution, 2}, {setting::Gamma, 33}}).SaveToFile(), 1);
    CameraSetGamma(77);
    CCamera camera;
    SimClearJournal();

    HRESULT saved = E_PENDING;
    EXPECT_EQ(camera.SetFrameSpeed(kFrameSpeedNormal, &saved), 1);
    EXPECT_EQ(saved, S_OK);
    EXPECT_EQ(testenv::JournalLinesStartingWith("CameraSet"), Concat({"CameraSetFrameSpeed(2)"}, kAlwaysSent));
    CameraConfig after;
    ASSERT_EQ(after.LoadFromFile(), 1);
    EXPECT_EQ(after.m_FrameSpeed, kFrameSpeedNormal);
    EXPECT_EQ(after.m_Format.m_Resolution, 2);
    EXPECT_EQ(after.m_Color.m_Gamma, 33) << "the camera gets the stored gamma when it opens";

    // The speed it has already is not sent again; the record is saved again (the file gone meanwhile).
    testenv::RemoveSettingsFile();
    SimClearJournal();
    EXPECT_EQ(camera.SetFrameSpeed(kFrameSpeedNormal, &saved), 1);
    EXPECT_EQ(saved, S_OK);
    EXPECT_EQ(testenv::JournalLinesStartingWith("CameraSet"), kAlwaysSent);
    ASSERT_EQ(after.LoadFromFile(), 1);
    EXPECT_EQ(after.m_FrameSpeed, kFrameSpeedNormal);
}

TEST_F(CameraSettings, SetFrameSpeedWaitsForAnApplyInProgressAndKeepsItsFields)
{
    ASSERT_EQ(CameraConfig().SaveToFile(), 1);
    CCamera camera;
    // A page's Apply whose save is held up: another program holds the file.
    win::UniqueHandle holder = HoldSettingsFile();
    ASSERT_TRUE(holder);
    const CameraConfig page = SettingsOf({{setting::HMirror, 1}});
    std::thread apply([&] { camera.SetConfig(&page); });
    while (!SaveInProgress()) {
        Sleep(1);
    }
    // Meanwhile an application sets the rate. Reading the record before the Apply reached the camera, and saving
    // after it, would put the old mirror back.
    std::thread rate([&] { camera.SetFrameSpeed(kFrameSpeedNormal); });
    Sleep(20);
    holder.Reset();
    apply.join();
    rate.join();

    CameraConfig stored;
    ASSERT_EQ(stored.LoadFromFile(), 1);
    EXPECT_EQ(stored.m_HMirror, 1) << "the Apply was lost";
    EXPECT_EQ(stored.m_FrameSpeed, kFrameSpeedNormal);
    EXPECT_EQ(HeldMirror(kMirrorHorizontal), 1);
}
