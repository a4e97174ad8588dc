// Unloading the simulated camera: freeing the library while the camera plays must not crash, and a stopped camera
// lets it go. Each scenario loads a private copy of ZorvikSDK.dll under another name (this program does not link it).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "camera/CameraSdk.h"
#include "simcamera/SimControl.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct LoadedCopy {
    HMODULE module = nullptr;
    decltype(&::CameraInit) init = nullptr;
    decltype(&::CameraPlay) play = nullptr;
    decltype(&::CameraStop) stop = nullptr;
    decltype(&::CameraUnInit) unInit = nullptr;
    decltype(&::SimGetCounters) counters = nullptr;
};

template <class Function>
void Resolve(HMODULE module, const char* name, Function* function)
{
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

LoadedCopy LoadCopy(const std::string& name)
{
    const std::string path = testenv::TempPath(name);
    LoadedCopy copy;
    if (!CopyFileA((testenv::ProgramFolder() + "ZorvikSDK.dll").c_str(), path.c_str(), FALSE)) {
        return copy;
    }
    copy.module = LoadLibraryA(path.c_str());
    if (copy.module) {
        Resolve(copy.module, "CameraInit", &copy.init);
        Resolve(copy.module, "CameraPlay", &copy.play);
        Resolve(copy.module, "CameraStop", &copy.stop);
        Resolve(copy.module, "CameraUnInit", &copy.unInit);
        Resolve(copy.module, "SimGetCounters", &copy.counters);
    }
    return copy;
}

} // namespace

TEST(SimUnload, AStoppedCameraLetsTheLibraryUnload)
{
    LoadedCopy copy = LoadCopy("ZorvikSDKStopped.dll");
    ASSERT_NE(copy.module, nullptr);
    ASSERT_NE(copy.init, nullptr);
    ASSERT_EQ(copy.init(nullptr, 1, nullptr, nullptr), 1);
    ASSERT_EQ(copy.play(), 1);
    Sleep(100);
    EXPECT_EQ(copy.stop(), 1);
    EXPECT_EQ(copy.unInit(), 1);
    FreeLibrary(copy.module);
    EXPECT_EQ(GetModuleHandleA("ZorvikSDKStopped.dll"), nullptr);
}

TEST(SimUnload, FreeingTheLibraryWhilePlayingDoesNotCrash)
{
    LoadedCopy copy = LoadCopy("ZorvikSDKPlaying.dll");
    ASSERT_NE(copy.module, nullptr);
    ASSERT_EQ(copy.init(nullptr, 1, nullptr, nullptr), 1);
    ASSERT_EQ(copy.play(), 1);
    Sleep(100);
    FreeLibrary(copy.module);
    // The producer thread keeps the library loaded and goes on producing.
    ASSERT_NE(GetModuleHandleA("ZorvikSDKPlaying.dll"), nullptr);
    SimCounters before = {}, after = {};
    copy.counters(&before);
    Sleep(300);
    copy.counters(&after);
    EXPECT_GT(after.produced, before.produced);
}
