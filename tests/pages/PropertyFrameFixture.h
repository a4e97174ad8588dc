// Set-up of the tests that run the pages in the platform's property frame: the page factories, the edited objects,
// one frame at a time, and its controls read as a user sees them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <wrl/client.h>

#include <cstdio>
#include <memory>
#include <string>

#include "filter/LumoraGuids.h"
#include "framework/UnknownBase.h"
#include "pages/FormatPage.h"
#include "pages/PropertyPage.h"
#include "tests/pages/PagesObject.h"
#include "tests/pages/PropertyFrameSession.h"
#include "tests/pages/WindowCapture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowDriver.h"

class PropertyFrameFixture : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        liveAtStart = liveObjectCount;
        testenv::RemoveSettingsFile();
        objects = MakePagesObjects();
    }
    void TearDown() override
    {
        frame.reset();
        settingsFactory->ReleasePages();
        formatFactory->ReleasePages();
        objects = PagesObjects();
        EXPECT_EQ(liveObjectCount, liveAtStart) << "pages or objects leaked";
        CoUninitialize();
    }

    // The frame the filter opens: the "Camera Set" page.
    void OpenSettingsFrame(IUnknown* object = nullptr)
    {
        opened = GetTickCount();
        frame = std::make_unique<PropertyFrameSession>(
            object ? object : objects.settingsPageObject.Get(),
            std::vector<PageClass>{{CLSID_CameraSettingsPage, settingsFactory.Get()}});
        ASSERT_TRUE(frame->ok()) << "the property frame did not appear";
        ASSERT_TRUE(WaitForControl(1007)) << frame->DescribeWindows();
    }
    // The frame the capture pin opens: the "Format" page.
    void OpenFormatFrame(IUnknown* object = nullptr)
    {
        opened = GetTickCount();
        frame = std::make_unique<PropertyFrameSession>(object ? object : objects.formatPageObject.Get(),
                                                       std::vector<PageClass>{{CLSID_FormatPage, formatFactory.Get()}});
        ASSERT_TRUE(frame->ok()) << "the property frame did not appear";
        ASSERT_TRUE(WaitForControl(1045)) << frame->DescribeWindows();
    }

    // The frame shows itself while it may still be activating its page.
    bool WaitForControl(int id) const
    {
        for (int i = 0; i < 250 && !Control(id); ++i) {
            Sleep(20);
        }
        frame->Sync();
        return Control(id) != nullptr;
    }
    HWND Control(int id) const { return frame->FindControl(id); }
    std::string Text(int id) const { return testenv::Narrow(testenv::TextOf(Control(id))); }
    int Position(int id) const { return static_cast<int>(SendMessageA(Control(id), TBM_GETPOS, 0, 0)); }
    bool Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    void Click(int id) const { frame->Click(Control(id)); }
    void MoveSlider(int id, int position) const { frame->MoveSlider(Control(id), position); }

    // Waits until the settings dialog is more than a second old, when slider notifications count as the user's (the
    // dialog is created before the frame appears, so the frame's opening time is a safe start).
    void WaitPastSettling() const
    {
        const DWORD elapsed = GetTickCount() - opened;
        if (elapsed < 1300) {
            Sleep(1300 - elapsed);
        }
    }

    // Calls the page's Apply on the frame thread, as a frame's Apply button does.
    HRESULT ApplyPage(const Microsoft::WRL::ComPtr<PageClassFactory>& factory) const
    {
        Microsoft::WRL::ComPtr<IPropertyPage> page = factory->LastPage();
        HRESULT hr = E_FAIL;
        if (page) {
            frame->RunOnFrameThread([&] { hr = page->Apply(); });
        }
        return hr;
    }
    HRESULT Dirty(const Microsoft::WRL::ComPtr<PageClassFactory>& factory) const
    {
        Microsoft::WRL::ComPtr<IPropertyPage> page = factory->LastPage();
        return page ? page->IsPageDirty() : E_FAIL;
    }

    // Saves the frame as it shows now among the test artifacts, for people to look at, and checks it is not blank.
    void SaveFrameScreenshot(const char* name) const
    {
        frame->Sync();
        const std::string path = testenv::ArtifactPath(name);
        const WindowCaptureResult shot = SaveWindowPng(frame->Frame(), path);
        ASSERT_TRUE(shot.saved) << path;
        EXPECT_GT(shot.distinctColours, 8) << "a blank page";
        std::printf("screenshot: %s (%dx%d, %d colours)\n", path.c_str(), shot.width, shot.height,
                    shot.distinctColours);
    }

    LONG liveAtStart = 0;
    DWORD opened = 0;
    Microsoft::WRL::ComPtr<PageClassFactory> settingsFactory =
        win::MakeComObject<PageClassFactory>(&CreatePropertyPage);
    Microsoft::WRL::ComPtr<PageClassFactory> formatFactory = win::MakeComObject<PageClassFactory>(&CreateFormatPage);
    PagesObjects objects;
    std::unique_ptr<PropertyFrameSession> frame;
};
