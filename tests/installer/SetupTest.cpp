// The setup program on a prefix where Lumora Camera was never installed (run-in-fresh-prefix.sh). Every test
// starts and ends with nothing installed; they share the prefix and run in the order written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "filter/LumoraGuids.h"
#include "mediasource/MediaSourceGuids.h"
#include "tests/installer/InstalledSystem.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WindowDriver.h"
#include "version/ProductVersion.h"
#include "win/RegistryKey.h"
#include "win/UniqueHandle.h"

using namespace installtest;
using testing::HasSubstr;

namespace {

const char kSetupLog[] = "Lumora Camera setup";
const char kUninstallLog[] = "Lumora Camera uninstall";

const CLSID* const kClasses[] = {&CLSID_LumoraCameraFilter, &CLSID_CameraSettingsPage, &CLSID_FormatPage,
                                 &CLSID_LumoraMediaSource};
// Video input devices, and the default category of DirectShow filters.
const GUID kVideoInputDevices = {0x860bb310, 0x5d01, 0x11d0, {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};
const GUID kDirectShowFilters = {0x083863f1, 0x70de, 0x11d0, {0xbd, 0x40, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};

std::wstring EnvironmentPath(const char* name)
{
    const char* value = std::getenv(name);
    return value ? Wide(value) : std::wstring();
}

std::wstring CurrentVersion()
{
    return Wide(ProductVersion());
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

RunResult RunSetup(const std::wstring& setup, const std::wstring& arguments, const std::string& workingFolder = "")
{
    return RunProgram(Quoted(setup) + L" /S" + (arguments.empty() ? L"" : L" " + arguments), 300000, workingFolder);
}

// A restart as setup sees it: wineboot carries out the deletions Windows makes at a restart.
void Restart()
{
    RunProgram(L"wineboot.exe -r");
}

// The entry's quiet uninstall command as a deployment tool runs it, and the restart that deletes the uninstaller.
RunResult RunQuietUninstall()
{
    const std::wstring command = ReadString(View::Bits32, kUninstallKey, L"QuietUninstallString");
    if (command.empty()) {
        return RunResult{};
    }
    const RunResult result = RunProgram(command);
    Restart();
    return result;
}

std::wstring Lumoracap(View view)
{
    return Quoted(Folder(view) + L"\\lumoracap.exe");
}

// A 32-bit system library, not Lumora Camera's: it stands in for the camera maker's.
std::wstring SystemLibrary32()
{
    wchar_t system32[MAX_PATH] = {};
    GetSystemWow64DirectoryW(system32, MAX_PATH);
    return std::wstring(system32) + L"\\version.dll";
}

// The settings file of the user, which no setup or uninstall may touch.
std::wstring SettingsFile()
{
    return Wide(testenv::TempPath("Lumora Camera.config"));
}

std::string VendorStandIn()
{
    std::string bytes = "MZ vendor camera library stand-in ";
    for (int i = 0; i < 4096; ++i) {
        bytes.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    }
    return bytes;
}

// 32-bit FNV-1a, the "known checksum" of a file.
unsigned Checksum(const std::string& bytes)
{
    unsigned hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

class SetupTest : public testing::Test {
protected:
    void SetUp() override
    {
        setup = EnvironmentPath("LUMORA_SETUP");
        previousSetup = EnvironmentPath("LUMORA_PREVIOUS_SETUP");
        previousVersion = EnvironmentPath("LUMORA_PREVIOUS_VERSION");
        ASSERT_TRUE(FileExists(setup)) << "LUMORA_SETUP: the setup program under test (see run-in-fresh-prefix.sh)";
        ASSERT_NO_FATAL_FAILURE(ExpectNothingInstalled());
    }

    void TearDown() override
    {
        // Whatever a failed test left goes, so that the next starts clean.
        if (KeyExists(View::Bits32, kUninstallKey)) {
            RunQuietUninstall();
        }
        for (View view : kBothViews) {
            DeleteFileW((Folder(view) + L"\\ZorvikSDK.dll").c_str());
            RemoveDirectoryW(Folder(view).c_str());
        }
    }

    // Nothing of Lumora Camera in either view: files, list entry, class keys, filter entries.
    static void ExpectNothingInstalled()
    {
        EXPECT_FALSE(KeyExists(View::Bits32, kUninstallKey));
        EXPECT_FALSE(KeyExists(View::Bits64, kUninstallKey));
        for (View view : kBothViews) {
            SCOPED_TRACE(Narrow(Name(view)));
            EXPECT_FALSE(FileExists(Folder(view))) << Narrow(Folder(view));
            for (const CLSID* classId : kClasses) {
                EXPECT_FALSE(KeyExists(view, ClassKey(*classId))) << Narrow(ClassKey(*classId));
            }
            EXPECT_TRUE(CameraEntries(view, kVideoInputDevices).empty());
            EXPECT_TRUE(CameraEntries(view, kDirectShowFilters).empty());
        }
    }

    // Every file of one version in both folders; the list entry with that version; no leftovers of a replaced one.
    static void ExpectInstalled(const std::wstring& version, bool simulatedCamera64 = true)
    {
        for (View view : kBothViews) {
            SCOPED_TRACE(Narrow(Name(view)));
            for (const wchar_t* name : kInstalledFiles) {
                if (!simulatedCamera64 && view == View::Bits64 && std::wstring(name) == L"ZorvikSDK.dll") {
                    continue;
                }
                SCOPED_TRACE(Narrow(name));
                const VersionInfo info = ReadVersionInfo(Folder(view) + L"\\" + name);
                EXPECT_EQ(info.productName, L"Lumora Camera");
                EXPECT_EQ(info.fileVersion, version);
                EXPECT_EQ(info.productVersion, version);
                EXPECT_EQ(info.fixedFileVersion, version + L".0");
                EXPECT_EQ(info.originalFilename, name);
                EXPECT_THAT(info.fileDescription, HasSubstr(L"Lumora Camera"));
            }
            EXPECT_TRUE(FilesMatching(Folder(view), L"*.previous").empty());
        }
        EXPECT_TRUE(FileExists(Folder(View::Bits32) + L"\\uninstall.exe"));
        EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"DisplayVersion"), version);
    }

    // Each class key points at its own folder's filter, and each lumoracap lists the device.
    static void ExpectRegistered()
    {
        for (View view : kBothViews) {
            SCOPED_TRACE(Narrow(Name(view)));
            const std::wstring server = ClassKey(CLSID_LumoraCameraFilter) + L"\\InprocServer32";
            EXPECT_EQ(ReadString(view, server, nullptr), Folder(view) + L"\\ZorvikFilter.dll");
            EXPECT_EQ(ReadString(view, server, L"ThreadingModel"), L"Both");
            const std::wstring source = ClassKey(CLSID_LumoraMediaSource) + L"\\InprocServer32";
            EXPECT_EQ(ReadString(view, source, nullptr), Folder(view) + L"\\LumoraMediaSource.dll");
            EXPECT_EQ(ReadString(view, source, L"ThreadingModel"), L"Both");
            EXPECT_EQ(CameraEntries(view, kVideoInputDevices), std::vector<std::wstring>{L"Lumora Camera"});
            const RunResult devices = RunProgram(Lumoracap(view) + L" devices");
            EXPECT_EQ(devices.exitCode, 0) << devices.output;
            EXPECT_THAT(devices.output, HasSubstr("Lumora Camera"));
        }
    }

    std::wstring setup, previousSetup, previousVersion;
};

TEST_F(SetupTest, SilentInstallRegistersBothArchitecturesAndSilentUninstallRemovesAllButTheSettings)
{
    // Another user's traps in a temporary folder: a file at the old fixed setup log's name, and a link at every other
    // name a log could be opened at (the old uninstall log's, the dated names of the coming minute).
    const std::wstring victim = Wide(testenv::TempPath("victim.txt"));
    const std::wstring plantedLog = Wide(testenv::TempPath("Lumora Camera setup.log"));
    ASSERT_TRUE(WriteFileBytes(victim, "another user's file") && WriteFileBytes(plantedLog, "planted"));
    const std::string links = "cd '" + testenv::UnixPath(testenv::TempPath("")) +
                              "' && ln -s victim.txt 'Lumora Camera uninstall.log' && for s in $(seq 0 59); do"
                              " t=$(date -d \"+$s sec\" '+%Y-%m-%d %H-%M-%S');"
                              " ln -s victim.txt \"Lumora Camera setup $t.log\";"
                              " ln -s victim.txt \"Lumora Camera uninstall $t.log\"; done";
    std::string output;
    ASSERT_EQ(testenv::RunUnixCommand(links, &output), 0) << output;

    const RunResult install = RunSetup(setup, L"");
    ASSERT_EQ(install.exitCode, 0) << ReadLog(kSetupLog);
    ExpectInstalled(CurrentVersion());
    ExpectRegistered();
    for (View view : kBothViews) {
        SCOPED_TRACE(Narrow(Name(view)));
        const RunResult version = RunProgram(Lumoracap(view) + L" --version");
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.output, "lumoracap " + Narrow(CurrentVersion()) + " (Lumora Camera)\r\n");
    }

    struct Value {
        const wchar_t* name;
        std::wstring expected;
    };
    const std::wstring folder32 = Folder(View::Bits32);
    const Value values[] = {
        {L"DisplayName", L"Lumora Camera"},
        {L"DisplayVersion", CurrentVersion()},
        {L"Publisher", L"Lumora"},
        {L"InstallLocation", folder32},
        {L"UninstallString", Quoted(folder32 + L"\\uninstall.exe")},
        // Run where it is: nothing is started from a folder other users can write.
        {L"QuietUninstallString", Quoted(folder32 + L"\\uninstall.exe") + L" /S _?=" + folder32},
        {L"CameraLibrary32", L"simulated"},
        {L"CameraLibrary64", L"simulated"},
    };
    for (const Value& value : values) {
        EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, value.name), value.expected) << Narrow(value.name);
    }
    DWORD size = 0;
    ASSERT_TRUE(ReadDword(View::Bits32, kUninstallKey, L"EstimatedSize", &size));
    // Two filters, two simulated cameras, two lumoracaps: some megabytes.
    EXPECT_GT(size, 1000u);
    EXPECT_LT(size, 200000u);
    EXPECT_THAT(ReadLog(kSetupLog), HasSubstr("32-bit camera library: simulated"));
    // This Wine has no virtual camera API: setup says it skipped the camera,
    // and lumoracap of either architecture finds the native media source.
    EXPECT_THAT(ReadLog(kSetupLog),
                HasSubstr("The virtual camera was skipped: it needs Windows 11 (build 22000 or later)."));
    for (View view : kBothViews) {
        const RunResult status = RunProgram(Lumoracap(view) + L" vcam status");
        EXPECT_EQ(status.exitCode, 6) << status.output;
        EXPECT_THAT(status.output,
                    HasSubstr("Media source: registered, " + Narrow(Folder(View::Bits64)) + "\\LumoraMediaSource.dll"));
    }

    // A capture through the installed 32-bit filter, read back by ffprobe; it writes the user's settings file.
    const std::string avi = testenv::TempPath("installed.avi");
    const RunResult capture = RunProgram(Lumoracap(View::Bits32) + L" capture --seconds 1 --out " + Quoted(Wide(avi)));
    ASSERT_EQ(capture.exitCode, 0) << capture.output;
    const testenv::VideoProbe probe = testenv::Ffprobe(avi);
    EXPECT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ(probe.width, 3032);
    EXPECT_EQ(probe.height, 2016);
    EXPECT_GT(probe.frames, 0);
    DeleteFileA(avi.c_str());
    const std::string settings = ReadFileBytes(SettingsFile());
    ASSERT_EQ(settings.size(), 67u);

    // An administrator's copy of the uninstaller, to run again afterwards.
    const std::wstring uninstallCopy = Wide(testenv::TempPath("uninstall-copy.exe"));
    ASSERT_TRUE(CopyFileW((folder32 + L"\\uninstall.exe").c_str(), uninstallCopy.c_str(), FALSE));

    const RunResult uninstall = RunProgram(ReadString(View::Bits32, kUninstallKey, L"QuietUninstallString"));
    EXPECT_EQ(uninstall.exitCode, 0) << ReadLog(kUninstallLog);
    // Run where it is, the uninstaller's own file goes at the next restart;
    // a version installed before that keeps its uninstaller.
    EXPECT_EQ(FilesMatching(folder32, L"*"), std::vector<std::wstring>{L"uninstall.exe"});
    EXPECT_THAT(ReadLog(kUninstallLog), HasSubstr("No virtual camera to remove"));
    ASSERT_EQ(RunSetup(setup, L"").exitCode, 0) << ReadLog(kSetupLog);
    Restart();
    ExpectInstalled(CurrentVersion());
    // A media source that cannot unregister itself (its file damaged): the
    // uninstaller still takes its class key away.
    ASSERT_TRUE(WriteFileBytes(Folder(View::Bits64) + L"\\LumoraMediaSource.dll", "damaged"));
    ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
    EXPECT_THAT(ReadLog(kUninstallLog), HasSubstr("the 64-bit media source did not unregister itself"));
    ExpectNothingInstalled();
    EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);
    EXPECT_THAT(ReadLog(kUninstallLog), HasSubstr("Lumora Camera.config"));

    // Uninstalling again: a clear "not installed", nothing done.
    const RunResult again = RunProgram(Quoted(uninstallCopy) + L" /S _?=" + folder32);
    EXPECT_EQ(again.exitCode, 6);
    EXPECT_THAT(ReadLog(kUninstallLog), HasSubstr("not installed"));
    ExpectNothingInstalled();
    EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);
    EXPECT_EQ(ReadFileBytes(victim), "another user's file");
    EXPECT_EQ(ReadFileBytes(plantedLog), "planted");
}

TEST_F(SetupTest, UpgradeReplacesEveryFileAndKeepsRegistrationSettingsAndTheVendorLibrary)
{
    ASSERT_TRUE(FileExists(previousSetup)) << "LUMORA_PREVIOUS_SETUP: the older setup program";
    ASSERT_NE(previousVersion, CurrentVersion());
    const std::string vendor = VendorStandIn();
    const unsigned vendorChecksum = Checksum(vendor);
    const std::wstring vendor64 = Folder(View::Bits64) + L"\\ZorvikSDK.dll";
    ASSERT_TRUE(CreateDirectoryW(Folder(View::Bits64).c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(vendor64, vendor));
    const std::string settings(67, '\x11');
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), settings));

    ASSERT_EQ(RunSetup(previousSetup, L"").exitCode, 0) << ReadLog(kSetupLog);
    ExpectInstalled(previousVersion, false);
    EXPECT_EQ(Checksum(ReadFileBytes(vendor64)), vendorChecksum);
    EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"CameraLibrary64"), L"kept");
    const auto registration32 = DumpKey(View::Bits32, ClassKey(CLSID_LumoraCameraFilter));
    const auto registration64 = DumpKey(View::Bits64, ClassKey(CLSID_LumoraCameraFilter));

    ASSERT_EQ(RunSetup(setup, L"").exitCode, 0) << ReadLog(kSetupLog);
    EXPECT_THAT(ReadLog(kSetupLog), HasSubstr("version " + Narrow(previousVersion)));
    ExpectInstalled(CurrentVersion(), false);
    ExpectRegistered();
    EXPECT_EQ(DumpKey(View::Bits32, ClassKey(CLSID_LumoraCameraFilter)), registration32);
    EXPECT_EQ(DumpKey(View::Bits64, ClassKey(CLSID_LumoraCameraFilter)), registration64);
    EXPECT_EQ(Checksum(ReadFileBytes(vendor64)), vendorChecksum);
    EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"CameraLibrary32"), L"simulated");
    EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"CameraLibrary64"), L"kept");
    EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);

    // The uninstaller leaves the vendor's library (and its folder) alone.
    ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
    EXPECT_EQ(Checksum(ReadFileBytes(vendor64)), vendorChecksum);
    EXPECT_EQ(FilesMatching(Folder(View::Bits64), L"*"), std::vector<std::wstring>{L"ZorvikSDK.dll"});
    EXPECT_FALSE(FileExists(Folder(View::Bits32)));
    EXPECT_FALSE(KeyExists(View::Bits32, kUninstallKey));
    EXPECT_EQ(ReadFileBytes(SettingsFile()), settings);
    ASSERT_TRUE(DeleteFileW(vendor64.c_str()));
    ASSERT_TRUE(RemoveDirectoryW(Folder(View::Bits64).c_str()));
}

TEST_F(SetupTest, RefusedCommandLinesChangeNothing)
{
    const std::wstring notALibrary = Wide(testenv::TempPath("notalibrary.dll"));
    ASSERT_TRUE(WriteFileBytes(notALibrary, "MZ but nothing else"));
    const std::wstring library32 = SystemLibrary32();
    struct Case {
        std::wstring arguments;
        const char* reason;
    };
    const Case cases[] = {
        {L"/VENDOR32=" + Quoted(notALibrary), "is not a 32-bit Windows library"},
        {L"/VENDOR64=" + Quoted(library32), "is not a 64-bit Windows library"},
        {L"/VENDOR32=" + Quoted(notALibrary + L".missing"), "does not exist"},
        {L"/SIMULATED /VENDOR32=" + Quoted(library32), "exclude each other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.arguments));
        EXPECT_EQ(RunSetup(setup, c.arguments).exitCode, 5);
        EXPECT_THAT(ReadLog(kSetupLog), HasSubstr(c.reason));
        ExpectNothingInstalled();
    }
}

TEST_F(SetupTest, VendorLibraryGivenIsCopiedInAndRemovedWithTheRest)
{
    const std::wstring source = Wide(testenv::TempPath("vendor sdk.dll"));
    ASSERT_TRUE(CopyFileW(SystemLibrary32().c_str(), source.c_str(), FALSE));
    const std::string vendor = ReadFileBytes(source);

    // The path in full, and relative to the folder setup starts in (which it leaves before copying).
    for (const std::string& workingFolder : {std::string(), testenv::TempPath("")}) {
        SCOPED_TRACE("working folder: " + workingFolder);
        const std::wstring given = workingFolder.empty() ? source : L"vendor sdk.dll";
        ASSERT_EQ(RunSetup(setup, L"/VENDOR32=" + Quoted(given), workingFolder).exitCode, 0) << ReadLog(kSetupLog);
        EXPECT_EQ(ReadFileBytes(Folder(View::Bits32) + L"\\ZorvikSDK.dll"), vendor);
        EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"CameraLibrary32"), L"vendor");
        EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"CameraLibrary64"), L"simulated");
        EXPECT_EQ(ReadVersionInfo(Folder(View::Bits64) + L"\\ZorvikSDK.dll").productName, L"Lumora Camera");

        // Reinstalling with /SIMULATED keeps the vendor's library in place.
        ASSERT_EQ(RunSetup(setup, L"/SIMULATED").exitCode, 0) << ReadLog(kSetupLog);
        EXPECT_EQ(ReadFileBytes(Folder(View::Bits32) + L"\\ZorvikSDK.dll"), vendor);
        EXPECT_THAT(ReadLog(kSetupLog), HasSubstr("camera maker's library is in place"));

        ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
        ExpectNothingInstalled();
        EXPECT_EQ(ReadFileBytes(source), vendor);
    }
}

// An administrator's lock on a registry key: everyone may read it, nobody
// may change it or add to it (the owner may still change the lock).
class LockedKey {
public:
    LockedKey(View view, const std::wstring& key) : view(view), key(key)
    {
        locked = SetSecurity(L"D:P(A;OICI;KR;;;WD)");
    }
    ~LockedKey() { Unlock(); }
    LockedKey(const LockedKey&) = delete;
    LockedKey& operator=(const LockedKey&) = delete;

    bool Locked() const { return locked; }
    void Unlock()
    {
        if (locked) {
            SetSecurity(L"D:P(A;OICI;KA;;;WD)");
            locked = false;
        }
    }

private:
    bool SetSecurity(const wchar_t* sddl)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
            return false;
        }
        win::RegistryKey opened;
        LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, WRITE_DAC | ViewFlag(view),
                                      nullptr, opened.Receive(), nullptr);
        if (result == ERROR_SUCCESS) {
            result = RegSetKeySecurity(opened.Get(), DACL_SECURITY_INFORMATION, descriptor);
        }
        LocalFree(descriptor);
        return result == ERROR_SUCCESS;
    }

    const View view;
    const std::wstring key;
    bool locked = false;
};

bool KeyWritable(View view, const std::wstring& key)
{
    win::RegistryKey opened;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE | ViewFlag(view), opened.Receive()) ==
           ERROR_SUCCESS;
}

TEST_F(SetupTest, FailedRegistrationPutsBackWhatWasThere)
{
    // The 64-bit filter's class key is locked: its registration fails after the 32-bit one succeeded.
    const std::wstring filterKey = ClassKey(CLSID_LumoraCameraFilter);
    {
        LockedKey lock(View::Bits64, filterKey);
        ASSERT_TRUE(lock.Locked());
        ASSERT_FALSE(KeyWritable(View::Bits64, filterKey)) << "the platform does not enforce the lock";

        EXPECT_EQ(RunSetup(setup, L"").exitCode, 2);
        EXPECT_THAT(ReadLog(kSetupLog), HasSubstr("The 64-bit filter could not be registered"));
        // Nothing installed: no files, no entry, the 32-bit registration undone.
        for (View view : kBothViews) {
            EXPECT_FALSE(FileExists(Folder(view))) << Narrow(Folder(view));
            EXPECT_TRUE(CameraEntries(view, kVideoInputDevices).empty());
        }
        EXPECT_FALSE(KeyExists(View::Bits32, kUninstallKey));
        for (const CLSID* classId : kClasses) {
            EXPECT_FALSE(KeyExists(View::Bits32, ClassKey(*classId)));
        }
        EXPECT_TRUE(DumpKey(View::Bits64, filterKey).empty());
        lock.Unlock();
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, filterKey.c_str(), KEY_WOW64_64KEY, 0);
    }

    // Over an installed version, a failed registration leaves it installed and registered as it was.
    ASSERT_EQ(RunSetup(setup, L"").exitCode, 0) << ReadLog(kSetupLog);
    const auto before = DumpKey(View::Bits32, filterKey);
    {
        LockedKey lock(View::Bits64, filterKey);
        ASSERT_TRUE(lock.Locked());
        EXPECT_EQ(RunSetup(setup, L"").exitCode, 2);
        lock.Unlock();
    }
    ExpectInstalled(CurrentVersion());
    ExpectRegistered();
    EXPECT_EQ(DumpKey(View::Bits32, filterKey), before);
    EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"DisplayVersion"), CurrentVersion());

    ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
}

// Every file replaced (the simulated camera by a vendor's library) before the failure; the log says so.
TEST_F(SetupTest, UpgradeFailingAtItsLastStepsLeavesThePreviousVersionAsItWas)
{
    ASSERT_TRUE(FileExists(previousSetup)) << "LUMORA_PREVIOUS_SETUP: the older setup program";
    const std::wstring vendor = SystemLibrary32();
    const std::wstring uninstaller = Folder(View::Bits32) + L"\\uninstall.exe";
    // Another program holding uninstall.exe open (sharing neither writing nor
    // deleting), or the entry's key locked; what the log names.
    struct Case {
        bool holdUninstaller;
        const char* failing;
    };
    for (const Case& c : {Case{true, "uninstall.exe could not be replaced"}, Case{false, "installed-programs entry"}}) {
        SCOPED_TRACE(c.failing);
        ASSERT_EQ(RunSetup(previousSetup, L"").exitCode, 0) << ReadLog(kSetupLog);
        const unsigned uninstallerChecksum = Checksum(ReadFileBytes(uninstaller));
        const auto entry = DumpKey(View::Bits32, kUninstallKey);
        {
            win::UniqueHandle held;
            std::unique_ptr<LockedKey> locked;
            if (c.holdUninstaller) {
                held.Reset(CreateFileW(uninstaller.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
                ASSERT_TRUE(held);
            } else {
                locked = std::make_unique<LockedKey>(View::Bits32, kUninstallKey);
                ASSERT_TRUE(locked->Locked());
            }
            EXPECT_EQ(RunSetup(setup, L"/VENDOR32=" + Quoted(vendor)).exitCode, 2);
        }
        const std::string log = ReadLog(kSetupLog);
        EXPECT_THAT(log, HasSubstr(c.failing));
        EXPECT_THAT(log,
                    HasSubstr("Nothing was changed: version " + Narrow(previousVersion) + " is installed as before."));
        ExpectInstalled(previousVersion);
        ExpectRegistered();
        EXPECT_EQ(Checksum(ReadFileBytes(uninstaller)), uninstallerChecksum);
        EXPECT_EQ(DumpKey(View::Bits32, kUninstallKey), entry);
        ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
    }
}

TEST_F(SetupTest, NothingIsReplacedOrRemovedWhileLumoracapRuns)
{
    ASSERT_EQ(RunSetup(setup, L"").exitCode, 0) << ReadLog(kSetupLog);
    const std::string filter = ReadFileBytes(Folder(View::Bits32) + L"\\ZorvikFilter.dll");
    {
        // The settings command keeps lumoracap running until its window closes.
        testenv::ChildProcess running(Lumoracap(View::Bits32) + L" settings");
        ASSERT_TRUE(running.Started());
        Sleep(3000);
        int code = 0;
        ASSERT_FALSE(running.Wait(0, &code)) << running.Output() << running.Errors();

        EXPECT_EQ(RunSetup(setup, L"").exitCode, 3);
        // The program (lumoracap.exe) or the filter it loaded is named.
        EXPECT_THAT(ReadLog(kSetupLog),
                    HasSubstr("in use by a running program (" + Narrow(Folder(View::Bits32)) + "\\"));
        EXPECT_EQ(RunQuietUninstall().exitCode, 3);
        EXPECT_THAT(ReadLog(kUninstallLog), HasSubstr("in use by a running program"));
        ExpectInstalled(CurrentVersion());
        EXPECT_EQ(ReadFileBytes(Folder(View::Bits32) + L"\\ZorvikFilter.dll"), filter);
    }
    ExpectRegistered();
    ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
}

// The interactive wizard under the test display: the library page refuses a file that is not a 32-bit DLL.
TEST_F(SetupTest, DialogChoosesTheVendorLibraryAndSaysWhichLibraryIsInstalled)
{
    const std::wstring vendor = Wide(testenv::TempPath("maker.dll"));
    ASSERT_TRUE(CopyFileW(SystemLibrary32().c_str(), vendor.c_str(), FALSE));
    const std::wstring notALibrary = Wide(testenv::TempPath("notes.txt"));
    ASSERT_TRUE(WriteFileBytes(notALibrary, "not a library"));

    testenv::ChildProcess running(Quoted(setup));
    ASSERT_TRUE(running.Started());
    const auto windows = [&] { return testenv::VisibleWindowsOf(running.Id()); };
    const auto find = [&](const testenv::WindowTest& test, DWORD timeoutMs = 30000) {
        return testenv::WaitForWindow(windows, test, timeoutMs);
    };
    // The wizard's Next/Install/Finish button has id 1, beside Cancel (2).
    const testenv::WindowTest isWizard =
        testenv::All({testenv::IsTopLevel(), [](HWND w) { return GetDlgItem(w, 1) && GetDlgItem(w, 2); }});
    const auto pressNext = [&] {
        if (const HWND main = find(isWizard)) {
            testenv::PostClick(GetDlgItem(main, 1));
            Sleep(300);
        }
    };
    ASSERT_NE(find(isWizard), nullptr);
    pressNext(); // welcome page

    const auto button = [](const wchar_t* text) {
        return testenv::All({testenv::HasClass(L"Button"), testenv::ContainsText(text)});
    };
    const HWND vendorChoice = find(button(L"Camera maker's ZorvikSDK.dll"));
    ASSERT_NE(vendorChoice, nullptr);
    const HWND simulatedChoice = find(button(L"Simulated camera"));
    ASSERT_NE(simulatedChoice, nullptr);
    EXPECT_EQ(SendMessageW(simulatedChoice, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_NE(find(testenv::ContainsText(L"In place now: 32-bit: none; 64-bit: none")), nullptr);
    testenv::PostClick(vendorChoice);
    Sleep(300);
    const HWND field32 = find(testenv::All({testenv::HasClass(L"Edit"), testenv::IsEnabled()}));
    ASSERT_NE(field32, nullptr);

    testenv::SetText(field32, notALibrary);
    pressNext();
    const HWND refusal = find(testenv::IsMessageBox());
    ASSERT_NE(refusal, nullptr);
    EXPECT_THAT(testenv::MessageBoxText(refusal), HasSubstr(L"is not a 32-bit Windows library"));
    PostMessageW(refusal, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(FileExists(Folder(View::Bits32)));

    testenv::SetText(field32, vendor);
    pressNext();
    // The finish page's text (the progress page's status line shows each line of the log on its own before).
    const HWND finish = find(testenv::ContainsText(L"Capture applications now list"), 120000);
    ASSERT_NE(finish, nullptr);
    EXPECT_THAT(testenv::TextOf(finish), HasSubstr(L"32-bit camera library: vendor"));
    EXPECT_THAT(testenv::TextOf(finish), HasSubstr(L"64-bit camera library: simulated"));
    pressNext(); // Finish
    int code = -1;
    ASSERT_TRUE(running.Wait(30000, &code));
    EXPECT_EQ(code, 0);

    EXPECT_EQ(ReadFileBytes(Folder(View::Bits32) + L"\\ZorvikSDK.dll"), ReadFileBytes(vendor));
    EXPECT_EQ(ReadString(View::Bits32, kUninstallKey, L"CameraLibrary32"), L"vendor");
    ExpectRegistered();
    ASSERT_EQ(RunQuietUninstall().exitCode, 0) << ReadLog(kUninstallLog);
}

} // namespace
