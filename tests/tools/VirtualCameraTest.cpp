// The virtual camera API as this project declares and loads it, and lumoracap
// vcam over a stand-in of the system's API: the interface's method slots
// against the platform's layout, where the library is looked for, and each
// command's calls, messages and exit codes.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "mediasource/VirtualCameraApi.h"
#include "tests/support/TestEnvironment.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/VirtualCameraCommand.h"

using Availability = vcam::VirtualCameraApi::Availability;

namespace {

// A stand-in for the system's MFCreateVirtualCamera and its camera object,
// which record what was asked and answer as a case chose. The object is
// built as the system's is, a table of __stdcall functions, filled only in
// the slots the commands may call: a call through a wrongly declared slot
// lands in Unexpected and is recorded as such.
struct Fake {
    HRESULT createResult = S_OK;
    bool createReturnsCamera = true; // false: a success without an object
    HRESULT stepResult = S_OK;       // Start's and Remove's
    std::string calls;               // "Create Start(null) Shutdown ..."
    int type = -1, lifetime = -1, access = -1;
    std::wstring name, sourceId;
    const GUID* categories = nullptr;
    ULONG categoryCount = 0;
    long liveCameras = 0;
} g_fake;

struct FakeCamera {
    void* const* table;
    ULONG references;
};

void Record(const char* call)
{
    g_fake.calls += (g_fake.calls.empty() ? "" : " ") + std::string(call);
}
HRESULT __stdcall Unexpected(FakeCamera*) { Record("Unexpected"); return E_UNEXPECTED; }
ULONG __stdcall AddRef(FakeCamera* camera) { return ++camera->references; }
ULONG __stdcall Release(FakeCamera* camera)
{
    if (--camera->references == 0) {
        --g_fake.liveCameras;
        delete camera;
        return 0;
    }
    return camera->references;
}
HRESULT __stdcall Start(FakeCamera*, IMFAsyncCallback* callback)
{
    Record(callback ? "Start(callback)" : "Start(null)");
    return g_fake.stepResult;
}
HRESULT __stdcall Remove(FakeCamera*) { Record("Remove"); return g_fake.stepResult; }
HRESULT __stdcall Shutdown(FakeCamera*) { Record("Shutdown"); return S_OK; }

const std::vector<void*>& FakeCameraTable()
{
    static const std::vector<void*> table = [] {
        std::vector<void*> slots(44, reinterpret_cast<void*>(&Unexpected));
        slots[1] = reinterpret_cast<void*>(&AddRef);
        slots[2] = reinterpret_cast<void*>(&Release);
        slots[36] = reinterpret_cast<void*>(&Start);
        slots[38] = reinterpret_cast<void*>(&Remove);
        slots[43] = reinterpret_cast<void*>(&Shutdown);
        return slots;
    }();
    return table;
}

HRESULT WINAPI FakeCreate(MFVirtualCameraType type, MFVirtualCameraLifetime lifetime, MFVirtualCameraAccess access,
                          LPCWSTR name, LPCWSTR sourceId, const GUID* categories, ULONG categoryCount,
                          IMFVirtualCamera** camera)
{
    Record("Create");
    g_fake.type = type;
    g_fake.lifetime = lifetime;
    g_fake.access = access;
    g_fake.name = name ? name : L"(null)";
    g_fake.sourceId = sourceId ? sourceId : L"(null)";
    g_fake.categories = categories;
    g_fake.categoryCount = categoryCount;
    *camera = nullptr;
    if (SUCCEEDED(g_fake.createResult) && g_fake.createReturnsCamera) {
        ++g_fake.liveCameras;
        *camera = reinterpret_cast<IMFVirtualCamera*>(new FakeCamera{FakeCameraTable().data(), 1});
    }
    return g_fake.createResult;
}

HRESULT WINAPI FakeIsSupported(MFVirtualCameraType, BOOL* supported)
{
    *supported = TRUE;
    return S_OK;
}

const vcam::VirtualCameraApi kFakeApi(&FakeCreate, &FakeIsSupported);
const vcam::VirtualCameraApi kWithoutApi(nullptr, nullptr);

// The slot of a virtual method in its interface's table. GCC (on Windows
// too) keeps a pointer to a virtual member function as 1 + the slot's byte
// offset in the table (the Itanium C++ ABI).
template <class Method>
long SlotOf(Method method)
{
    struct {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    } raw;
    static_assert(sizeof(raw) == sizeof(method), "a member function pointer is two words");
    std::memcpy(&raw, &method, sizeof(raw));
    return (raw.pointer & 1) ? static_cast<long>((raw.pointer - 1) / sizeof(void*)) : -1;
}

TEST(VirtualCameraApi, MethodsSitInThePlatformsSlots)
{
    // IUnknown 0-2, IMFAttributes 3-32, then the camera's 11 methods.
    const struct {
        const char* method;
        long slot;
        long expected;
    } slots[] = {
        {"AddRef", SlotOf(&IMFVirtualCamera::AddRef), 1},
        {"GetItem", SlotOf(&IMFVirtualCamera::GetItem), 3},
        {"CopyAllItems", SlotOf(&IMFVirtualCamera::CopyAllItems), 32},
        {"AddDeviceSourceInfo", SlotOf(&IMFVirtualCamera::AddDeviceSourceInfo), 33},
        {"AddProperty", SlotOf(&IMFVirtualCamera::AddProperty), 34},
        {"AddRegistryEntry", SlotOf(&IMFVirtualCamera::AddRegistryEntry), 35},
        {"Start", SlotOf(&IMFVirtualCamera::Start), 36},
        {"Stop", SlotOf(&IMFVirtualCamera::Stop), 37},
        {"Remove", SlotOf(&IMFVirtualCamera::Remove), 38},
        {"GetMediaSource", SlotOf(&IMFVirtualCamera::GetMediaSource), 39},
        {"SendCameraProperty", SlotOf(&IMFVirtualCamera::SendCameraProperty), 40},
        {"CreateSyncEvent", SlotOf(&IMFVirtualCamera::CreateSyncEvent), 41},
        {"CreateSyncSemaphore", SlotOf(&IMFVirtualCamera::CreateSyncSemaphore), 42},
        {"Shutdown", SlotOf(&IMFVirtualCamera::Shutdown), 43},
    };
    for (const auto& s : slots) {
        EXPECT_EQ(s.slot, s.expected) << s.method;
    }
    // Nothing but the table pointer: the object is the system's.
    EXPECT_EQ(sizeof(IMFVirtualCamera), sizeof(void*));
    wchar_t text[40] = {};
    ASSERT_GT(StringFromGUID2(__uuidof(IMFVirtualCamera), text, 40), 0);
    EXPECT_STREQ(text, L"{1C08A864-EF6C-4C75-AF59-5F2D68DA9563}");
    EXPECT_TRUE(IsEqualIID(__uuidof(IMFVirtualCamera), IID_IMFVirtualCamera));
}

TEST(VirtualCameraApi, TheLibraryComesFromTheSystemFolderOnly)
{
    // A library beside the program, which a plain LoadLibrary would take.
    const std::string beside = testenv::ProgramFolder() + "lumora-vcam-beside-test.dll";
    ASSERT_TRUE(CopyFileA((testenv::ProgramFolder() + "ZorvikSDK.dll").c_str(), beside.c_str(), FALSE));
    EXPECT_TRUE(win::UniqueModule(LoadLibraryA(beside.c_str())));
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const bool systemHasIt = GetFileAttributesW((std::wstring(system) + L"\\mfsensorgroup.dll").c_str()) !=
                             INVALID_FILE_ATTRIBUTES;

    const struct {
        const wchar_t* library;
        Availability expected;
    } cases[] = {
        {vcam::kVirtualCameraLibrary, systemHasIt ? Availability::Available : Availability::NoLibrary},
        {L"lumora-vcam-beside-test.dll", Availability::NoLibrary},
        {L"no-such-library-here.dll", Availability::NoLibrary},
        {L"kernel32.dll", Availability::NoFunction},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testenv::Narrow(c.library));
        const vcam::VirtualCameraApi api = vcam::VirtualCameraApi::Load(c.library);
        EXPECT_EQ(api.State(), c.expected);
        EXPECT_EQ(api.LoadError() != 0, c.expected == Availability::NoLibrary);
    }
    EXPECT_EQ(GetModuleHandleA("lumora-vcam-beside-test.dll"), nullptr);
    EXPECT_TRUE(DeleteFileA(beside.c_str()));
}

class VcamCommand : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        g_fake = Fake();
    }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(VcamCommand, EachActionMakesItsCallsAndGivesItsExitCode)
{
    const HRESULT kElevationRequired = HRESULT_FROM_WIN32(740);
    const struct {
        const char* name;
        VcamAction action;
        HRESULT createResult;
        bool createReturnsCamera;
        HRESULT stepResult; // Start's or Remove's
        int exitCode;
        const char* calls;
        const char* outPart;
        const char* errPart;
    } cases[] = {
        {"registered", VcamAction::Register, S_OK, true, S_OK, kExitSuccess, "Create Start(null) Shutdown",
         "\"Lumora Camera\" is registered for all users", ""},
        {"creation refused", VcamAction::Register, E_ACCESSDENIED, true, S_OK, kExitAccessDenied, "Create", "",
         "could not be created: 0x80070005"},
        {"start refused", VcamAction::Register, S_OK, true, E_ACCESSDENIED, kExitAccessDenied,
         "Create Start(null) Shutdown", "", "run this as administrator"},
        {"start failed", VcamAction::Register, S_OK, true, E_FAIL, kExitFailure, "Create Start(null) Shutdown", "",
         "could not be started: 0x80004005"},
        {"success without a camera", VcamAction::Register, S_OK, false, S_OK, kExitFailure, "Create", "",
         "could not be created"},
        {"removed", VcamAction::Unregister, S_OK, true, S_OK, kExitSuccess, "Create Remove Shutdown",
         "\"Lumora Camera\" is removed", ""},
        {"removal needs elevation", VcamAction::Unregister, S_OK, true, kElevationRequired, kExitAccessDenied,
         "Create Remove Shutdown", "", "run this as administrator"},
        {"opening failed", VcamAction::Unregister, E_FAIL, true, S_OK, kExitFailure, "Create", "",
         "could not be opened: 0x80004005"},
        {"status", VcamAction::Status, S_OK, true, S_OK, -1, "", "software camera sources supported", ""},
        // A library without the function (nullptr below).
        {"no function", VcamAction::Register, S_OK, true, S_OK, kExitNotSupported, "", "",
         "the virtual camera needs Windows 11 (build 22000 or later): mfsensorgroup.dll has no MFCreateVirtualCamera"},
        {"status without", VcamAction::Status, S_OK, true, S_OK, kExitNotSupported, "", "Media source: ",
         "needs Windows 11 (build 22000 or later)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_fake = Fake();
        g_fake.createResult = c.createResult;
        g_fake.createReturnsCamera = c.createReturnsCamera;
        g_fake.stepResult = c.stepResult;
        std::ostringstream out, err;
        Console console{out, err};
        const int exitCode = RunVcam(c.action, c.exitCode == kExitNotSupported ? kWithoutApi : kFakeApi, console);
        if (c.exitCode >= 0) {
            EXPECT_EQ(exitCode, c.exitCode) << out.str() << err.str();
        }
        EXPECT_EQ(g_fake.calls, c.calls);
        EXPECT_NE(out.str().find(c.outPart), std::string::npos) << out.str();
        EXPECT_NE(err.str().find(c.errPart), std::string::npos) << err.str();
        EXPECT_EQ(g_fake.liveCameras, 0) << "every camera object is released";
        if (exitCode != kExitSuccess) {
            EXPECT_EQ(out.str().find("is registered"), std::string::npos) << "a failure never reads as success";
        }
    }

    // The registration that setup makes and removes: Lumora Camera's media
    // source as a software camera of system lifetime for all users, in the
    // system's default camera categories.
    g_fake = Fake();
    std::ostringstream out;
    Console console{out, out};
    ASSERT_EQ(RunVcam(VcamAction::Register, kFakeApi, console), kExitSuccess);
    EXPECT_EQ(g_fake.type, MFVirtualCameraType_SoftwareCameraSource);
    EXPECT_EQ(g_fake.lifetime, MFVirtualCameraLifetime_System);
    EXPECT_EQ(g_fake.access, MFVirtualCameraAccess_AllUsers);
    EXPECT_EQ(g_fake.name, L"Lumora Camera");
    EXPECT_EQ(g_fake.sourceId, L"{03BFB56A-A1B6-4745-AAB7-22A78DACED87}");
    EXPECT_EQ(g_fake.categories, nullptr);
    EXPECT_EQ(g_fake.categoryCount, 0u);
}

} // namespace
