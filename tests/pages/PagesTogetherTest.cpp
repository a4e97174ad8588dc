// Both property pages on one camera filter, as page objects in windows of the test thread: each writes only its
// own part of the settings onto the filter's record, in either order, and a failed save fails Apply and keeps it dirty.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <memory>

#include "camera/CameraConfig.h"
#include "camera/CameraSdk.h"
#include "pages/FormatPage.h"
#include "pages/PropertyPage.h"
#include "resources/resource.h"
#include "simcamera/SimControl.h"
#include "tests/pages/PagesObject.h"
#include "tests/pages/RecordingPageSite.h"
#include "tests/support/SettingsRecord.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/WindowDriver.h"

using testenv::Field;
namespace setting = testenv::setting;
using Microsoft::WRL::ComPtr;

namespace {

// One page connected to the filter and active in a parent window of its own.
class ActivePage {
public:
    ActivePage(UnknownBase* (*create)(IUnknown*, HRESULT*), IUnknown* object)
    {
        m_parent = CreateWindowExA(0, "STATIC", "page parent", WS_OVERLAPPEDWINDOW, 0, 0, 600, 800, nullptr,
                                   nullptr, nullptr, nullptr);
        HRESULT hr = S_OK;
        UnknownBase* made = create(nullptr, &hr);
        if (!made || !m_parent) {
            return;
        }
        const ComPtr<IUnknown> inner(made->InnerUnknown());
        inner.As(&m_page);
        m_page->SetPageSite(m_site.Get());
        IUnknown* objects[] = {object};
        m_page->SetObjects(1, objects);
        const RECT rect = {0, 0, 500, 700};
        m_active = m_page->Activate(m_parent, &rect, TRUE) == S_OK;
    }
    ~ActivePage()
    {
        if (m_page) {
            Deactivate();
            m_page->SetObjects(0, nullptr);
            m_page->SetPageSite(nullptr);
            m_page.Reset();
        }
        DestroyWindow(m_parent);
    }
    ActivePage(const ActivePage&) = delete;
    ActivePage& operator=(const ActivePage&) = delete;

    bool Active() const { return m_active; }
    IPropertyPage* operator->() const { return m_page.Get(); }
    void Deactivate()
    {
        if (m_active) {
            m_page->Deactivate();
            m_active = false;
        }
    }
    HWND Window() const { return GetWindow(m_parent, GW_CHILD); }
    HWND SettingsDialog() const { return GetWindow(Window(), GW_CHILD); }

private:
    HWND m_parent = nullptr;
    ComPtr<IPropertyPage> m_page;
    ComPtr<RecordingPageSite> m_site = win::MakeComObject<RecordingPageSite>();
    bool m_active = false;
};

// A click on a check box or radio button of a dialog, as the dialog sees it.
void Click(HWND dialog, int id, UINT state)
{
    CheckDlgButton(dialog, id, state);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void MoveSlider(HWND dialog, int id, int position)
{
    testenv::MoveSlider(GetDlgItem(dialog, id), position);
}

class PagesTogether : public testing::Test {
protected:
    void SetUp() override
    {
        SimReset();
        liveAtStart = liveObjectCount;
        // The camera was last set to resolution 2 ("4bin").
        ASSERT_EQ(testenv::SettingsOf({{setting::Resolution, 2}}).SaveToFile(), 1);
        objects = MakePagesObjects();
        ASSERT_TRUE(objects.settingsPageObject);
        settingsPage = std::make_unique<ActivePage>(&CreatePropertyPage, objects.settingsPageObject.Get());
        formatPage = std::make_unique<ActivePage>(&CreateFormatPage, objects.settingsPageObject.Get());
        ASSERT_TRUE(settingsPage->Active());
        ASSERT_TRUE(formatPage->Active());
    }
    void TearDown() override
    {
        settingsPage.reset();
        formatPage.reset();
        objects = PagesObjects();
        RemoveDirectoryA(testenv::TempPath("Lumora Camera.config").c_str());
        testenv::RemoveSettingsFile();
        EXPECT_EQ(liveObjectCount, liveAtStart) << "pages, windows or objects left behind";
    }

    // The user's changes: red gain 64 (live on the camera) and the horizontal mirror on "Camera Set", the full sensor
    // on "Format".
    void ChangeBothPages() const
    {
        MoveSlider(settingsPage->SettingsDialog(), IDC_GAIN_R, 64);
        Click(settingsPage->SettingsDialog(), IDC_HFLIP, BST_CHECKED);
        Click(formatPage->Window(), IDC_RES_FULL, BST_CHECKED);
        ASSERT_EQ((*settingsPage)->IsPageDirty(), S_OK);
        ASSERT_EQ((*formatPage)->IsPageDirty(), S_OK);
    }
    static void ExpectBothChangesStored()
    {
        const std::vector<uint8_t> file = testenv::SettingsFile();
        ASSERT_EQ(file.size(), 67u);
        EXPECT_EQ(Field(file, setting::kResolution), 0u) << "the Format page's resolution";
        EXPECT_EQ(Field(file, setting::kGainR), 64u) << "the Camera Set page's gain";
        EXPECT_EQ(Field(file, setting::kHMirror), 1u) << "the Camera Set page's mirror";
    }

    LONG liveAtStart = 0;
    PagesObjects objects;
    std::unique_ptr<ActivePage> settingsPage, formatPage;
};

TEST_F(PagesTogether, EachApplyKeepsWhatTheOtherPageChanged)
{
    struct Order {
        const char* name;
        bool formatFirst;
    };
    for (const Order order : {Order{"Format first", true}, Order{"Camera Set first", false}}) {
        SCOPED_TRACE(order.name);
        ChangeBothPages();
        ActivePage& first = order.formatFirst ? *formatPage : *settingsPage;
        ActivePage& second = order.formatFirst ? *settingsPage : *formatPage;
        EXPECT_EQ(first->Apply(), S_OK);
        EXPECT_EQ(second->Apply(), S_OK);
        ExpectBothChangesStored();

        // Back to where the next order starts.
        ASSERT_EQ(testenv::SettingsOf({{setting::Resolution, 2}}).SaveToFile(), 1);
        CameraSetGain(100, 88, 88);
        CameraSetMirror(kMirrorHorizontal, 0);
        Click(settingsPage->SettingsDialog(), IDC_HFLIP, BST_UNCHECKED);
        MoveSlider(settingsPage->SettingsDialog(), IDC_GAIN_R, 100);
    }
}

TEST_F(PagesTogether, DeactivatingCameraSetKeepsTheResolutionFormatApplied)
{
    ChangeBothPages();
    ASSERT_EQ((*settingsPage)->Apply(), S_OK);
    ASSERT_EQ((*formatPage)->Apply(), S_OK);
    // Closing the frame deactivates "Camera Set", which hands back its held record: its own fields only.
    settingsPage->Deactivate();
    ExpectBothChangesStored();
}

TEST_F(PagesTogether, ASaveThatFailsFailsApplyAndKeepsThePageDirty)
{
    ChangeBothPages();
    // A directory where the settings file belongs: it can be neither replaced nor written through.
    testenv::RemoveSettingsFile();
    ASSERT_TRUE(CreateDirectoryA(testenv::TempPath("Lumora Camera.config").c_str(), nullptr));
    SimClearJournal();
    for (ActivePage* page : {formatPage.get(), settingsPage.get()}) {
        EXPECT_EQ((*page)->Apply(), HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE));
        EXPECT_EQ((*page)->IsPageDirty(), S_OK);
    }
    EXPECT_TRUE(testenv::Called(testenv::JournalText(), "CameraSetMonochrome(0)"))
        << "the record reaches the camera all the same";

    // Once the file can be written, Apply again stores both and cleans the pages.
    ASSERT_TRUE(RemoveDirectoryA(testenv::TempPath("Lumora Camera.config").c_str()));
    for (ActivePage* page : {formatPage.get(), settingsPage.get()}) {
        EXPECT_EQ((*page)->Apply(), S_OK);
        EXPECT_EQ((*page)->IsPageDirty(), S_FALSE);
    }
    ExpectBothChangesStored();
}

} // namespace
