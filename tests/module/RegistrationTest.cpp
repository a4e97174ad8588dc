// ZorvikFilter.dll registered and unregistered with regsvr32 on Wine's real registry and filter mappers, as a user
// installs it. The prefix is shared with the other test programs, so every test leaves the module registered.
#include <gtest/gtest.h>
#include <dshow.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "filter/LumoraGuids.h"
#include "tests/module/FilterModule.h"
#include "tests/support/Registry.h"
#include "tests/support/TestEnvironment.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "win/MediaType.h"
#include "win/Module.h"
#include "win/TaskMemory.h"

using Microsoft::WRL::ComPtr;
using namespace moduletest;

namespace {

struct ClassRow {
    const CLSID* classId;
    const wchar_t* name;
};
const ClassRow kClasses[] = {
    {&CLSID_LumoraCameraFilter, L"Lumora Camera"},
    {&CLSID_CameraSettingsPage, L"Property Page"},
    {&CLSID_FormatPage, L"Format Page"},
};

// The friendly name and class id of every entry of a category whose class is the camera filter.
std::vector<std::wstring> CameraEntries(REFCLSID category)
{
    std::vector<std::wstring> names;
    ComPtr<ICreateDevEnum> enumerator;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&enumerator)),
              S_OK);
    ComPtr<IEnumMoniker> monikers;
    if (!enumerator || enumerator->CreateClassEnumerator(category, &monikers, 0) != S_OK) {
        return names;
    }
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> properties;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&properties)))) {
            continue;
        }
        VARIANT name, clsid;
        VariantInit(&name);
        VariantInit(&clsid);
        if (SUCCEEDED(properties->Read(L"FriendlyName", &name, nullptr)) &&
            SUCCEEDED(properties->Read(L"CLSID", &clsid, nullptr)) && clsid.vt == VT_BSTR) {
            CLSID value = {};
            if (SUCCEEDED(CLSIDFromString(clsid.bstrVal, &value)) && IsEqualCLSID(value, CLSID_LumoraCameraFilter)) {
                names.push_back(name.bstrVal);
            }
        }
        VariantClear(&name);
        VariantClear(&clsid);
    }
    return names;
}

// The filter made from the "Lumora Camera" video input device, found the way lumoracap finds it.
ComPtr<IBaseFilter> BindCameraDevice()
{
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CreateVideoDevice(L"Lumora Camera", &filter), S_OK);
    return filter;
}

// Everything the registry holds for the three classes, as "key|value=data" lines.
std::map<std::wstring, std::wstring> RegistrationState()
{
    std::map<std::wstring, std::wstring> lines;
    for (const ClassRow& row : kClasses) {
        const std::wstring key = ClassKeyName(*row.classId);
        testenv::DumpRegistryKey(HKEY_CLASSES_ROOT, key, 0, key, &lines);
    }
    for (REFCLSID category : {CLSID_VideoInputDeviceCategory, CLSID_LegacyAmFilterCategory}) {
        for (const std::wstring& entry : CameraEntries(category)) {
            lines[ClassKeyName(category) + L"|entry"] += entry + L";";
        }
    }
    return lines;
}

class RegistrationTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
    void TearDown() override
    {
        // Leave the module registered for the other test programs.
        EXPECT_TRUE(RegisterFilterModule());
        CoUninitialize();
    }
};

TEST_F(RegistrationTest, RegistersEveryClassAndTheCameraAmongTheVideoInputDevices)
{
    const std::wstring path = FilterModulePath();
    ASSERT_EQ(RunRegsvr32(path, false), 0);
    for (const ClassRow& row : kClasses) {
        SCOPED_TRACE(testing::Message() << row.name);
        const std::wstring key = ClassKeyName(*row.classId);
        EXPECT_EQ(testenv::ReadRegistryString(HKEY_CLASSES_ROOT, key, nullptr), row.name);
        EXPECT_EQ(testenv::ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr), path);
        EXPECT_EQ(testenv::ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    }
    EXPECT_EQ(CameraEntries(CLSID_VideoInputDeviceCategory), std::vector<std::wstring>{L"Lumora Camera"});
    EXPECT_EQ(CameraEntries(CLSID_LegacyAmFilterCategory), std::vector<std::wstring>{L"Lumora Camera"});

    // The device's moniker makes a working filter of the module.
    {
        ComPtr<IBaseFilter> filter = BindCameraDevice();
        ASSERT_TRUE(filter);
        CLSID classId = {};
        EXPECT_EQ(filter->GetClassID(&classId), S_OK);
        EXPECT_TRUE(IsEqualCLSID(classId, CLSID_LumoraCameraFilter));
        ComPtr<IPin> capture;
        EXPECT_EQ(filter->FindPin(L"1", &capture), S_OK);
        ComPtr<IAMStreamConfig> config;
        ASSERT_EQ(capture.As(&config), S_OK);
        int count = 0, size = 0;
        EXPECT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
        EXPECT_EQ(count, 35) << "the camera's five formats, then the format ladder";
        EXPECT_EQ(LoadedModuleCanUnload(), S_FALSE) << "the filter is alive";
    }
    EXPECT_EQ(LoadedModuleCanUnload(), S_OK);

    // Registering again changes nothing.
    const auto before = RegistrationState();
    ASSERT_EQ(RunRegsvr32(path, false), 0);
    EXPECT_EQ(RegistrationState(), before);
}

TEST_F(RegistrationTest, UnregisteringRemovesEverythingAndSucceedsWhenNothingIsRegistered)
{
    const std::wstring path = FilterModulePath();
    ASSERT_EQ(RunRegsvr32(path, false), 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "registered" : "nothing registered");
        EXPECT_EQ(RunRegsvr32(path, true), 0);
        for (const ClassRow& row : kClasses) {
            EXPECT_FALSE(testenv::RegistryKeyExists(HKEY_CLASSES_ROOT, ClassKeyName(*row.classId))) << row.name;
        }
        EXPECT_TRUE(CameraEntries(CLSID_VideoInputDeviceCategory).empty());
        EXPECT_TRUE(CameraEntries(CLSID_LegacyAmFilterCategory).empty());
    }
}

TEST_F(RegistrationTest, AFolderNameOutsideTheAnsiCodePageIsRegisteredAsItIs)
{
    // Greek and Cyrillic letters: no single ANSI code page has both.
    const std::string temp = testenv::TempFolder();
    const std::wstring folder = std::wstring(temp.begin(), temp.end()) + L"Lumora \x03A9\x0436";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::string program = testenv::ProgramFolder();
    const std::wstring from(program.begin(), program.end());
    for (const wchar_t* file : {L"ZorvikFilter.dll", L"ZorvikSDK.dll"}) {
        ASSERT_TRUE(CopyFileW((from + file).c_str(), (folder + L"\\" + file).c_str(), FALSE));
    }
    const std::wstring copy = folder + L"\\ZorvikFilter.dll";
    ASSERT_EQ(RunRegsvr32(copy, false), 0);
    EXPECT_EQ(testenv::ReadRegistryString(HKEY_CLASSES_ROOT, ClassKeyName(CLSID_LumoraCameraFilter) + L"\\InprocServer32", nullptr), copy);
    {
        ComPtr<IBaseFilter> filter = BindCameraDevice();
        EXPECT_TRUE(filter) << "COM loads the module from the registered path";
    }
    EXPECT_EQ(RunRegsvr32(copy, true), 0);
}

} // namespace

// Browsers create every video input filter and read its formats and rates each time they list cameras: that must
// not load the camera library, let alone open the camera.
TEST_F(RegistrationTest, ListingTheCameraAndEveryFormatAndRateLoadsNoCameraLibrary)
{
    ASSERT_TRUE(RegisterFilterModule());
    ASSERT_EQ(GetModuleHandleW(L"ZorvikSDK.dll"), nullptr) << "loaded before the test";
    int typesRead = 0, ratesRead = 0;
    for (int round = 0; round < 3; ++round) {
        ComPtr<IBaseFilter> filter = BindCameraDevice();
        ASSERT_TRUE(filter);
        ComPtr<IAMVideoControl> videoControl;
        ASSERT_EQ(filter.As(&videoControl), S_OK);
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(filter->EnumPins(&pins), S_OK);
        ComPtr<IPin> pin;
        while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            ComPtr<IEnumMediaTypes> types;
            ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
            AM_MEDIA_TYPE* type = nullptr;
            while (types->Next(1, &type, nullptr) == S_OK) {
                win::MediaTypePtr owned(type);
                ++typesRead;
            }
            ComPtr<IAMStreamConfig> config;
            ASSERT_EQ(pin.As(&config), S_OK);
            int count = 0, size = 0;
            ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
            for (int i = 0; i < count; ++i) {
                VIDEO_STREAM_CONFIG_CAPS caps = {};
                AM_MEDIA_TYPE* capability = nullptr;
                ASSERT_EQ(config->GetStreamCaps(i, &capability, reinterpret_cast<BYTE*>(&caps)), S_OK);
                win::MediaTypePtr owned(capability);
                LONG rates = 0;
                LONGLONG* intervals = nullptr;
                if (videoControl->GetFrameRateList(pin.Get(), i, caps.MaxOutputSize, &rates, &intervals) == S_OK) {
                    win::TaskMemoryPtr<LONGLONG> list(intervals);
                    ratesRead += rates;
                }
            }
        }
    }
    EXPECT_GT(typesRead, 0);
    EXPECT_GT(ratesRead, 0);
    EXPECT_EQ(GetModuleHandleW(L"ZorvikSDK.dll"), nullptr) << "listing loaded the camera library";

    // The camera's own journal agrees: loaded now, it has recorded no call.
    const std::wstring module = FilterModulePath();
    win::UniqueModule sdk(LoadLibraryW((module.substr(0, module.find_last_of(L'\\') + 1) + L"ZorvikSDK.dll").c_str()));
    ASSERT_TRUE(sdk);
    using ReadJournal = int(__stdcall*)(char*, int);
    const auto read =
        reinterpret_cast<ReadJournal>(reinterpret_cast<void*>(GetProcAddress(sdk.Get(), "SimReadJournal")));
    ASSERT_NE(read, nullptr);
    char journal[16] = {};
    EXPECT_EQ(read(journal, sizeof(journal)), 1) << journal;
}
