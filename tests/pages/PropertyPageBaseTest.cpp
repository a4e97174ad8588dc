// The IPropertyPage rules of the page frame, through a page that records its hooks, a recording site, a real window.
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "framework/UnknownBase.h"
#include "pages/PageHelpers.h"
#include "pages/PropertyPageBase.h"
#include "resources/resource.h"
#include "tests/pages/RecordingPageSite.h"
#include "win/Module.h"
#include "win/Thread.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kMissingTemplate = 999;
constexpr int kMissingString = 999;

// A page whose hooks record their calls and return what the test sets.
class RecordingPage : public PropertyPageBase {
public:
    RecordingPage(int templateId, int titleId) : PropertyPageBase(L"recording page", nullptr, templateId, titleId) {}

    using PropertyPageBase::MarkDirty;
    using PropertyPageBase::PageWindow;

    std::vector<std::string> calls;
    HRESULT connectResult = S_OK, applyResult = S_OK;
    bool windowAliveAtDeactivation = false;
    ComPtr<IUnknown> object;

protected:
    HRESULT ObjectConnected(IUnknown* connected) override
    {
        calls.push_back("connected");
        object = connected;
        return connectResult;
    }
    HRESULT ObjectDisconnected() override
    {
        calls.push_back("disconnected");
        object.Reset();
        return S_OK;
    }
    HRESULT PageActivated() override
    {
        calls.push_back("activated");
        return E_FAIL; // ignored by Activate
    }
    HRESULT PageDeactivated() override
    {
        calls.push_back("deactivated");
        windowAliveAtDeactivation = IsWindow(PageWindow()) != FALSE;
        return E_FAIL; // ignored by Deactivate
    }
    HRESULT ApplyChanges() override
    {
        calls.push_back("apply");
        return applyResult;
    }
};

class PropertyPageBaseTest : public testing::Test {
protected:
    void SetUp() override
    {
        liveAtStart = liveObjectCount;
        parent = CreateWindowExA(0, "STATIC", "page parent", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr, nullptr,
                                 win::CodeModule(), nullptr);
        ASSERT_NE(parent, nullptr) << "error " << GetLastError();
        Create(IDD_FORMAT_PAGE, IDS_FORMAT_TITLE);
    }
    void TearDown() override
    {
        ReleasePage();
        DestroyWindow(parent);
        EXPECT_EQ(liveObjectCount, liveAtStart) << "page objects leaked";
    }

    void Create(int templateId, int titleId)
    {
        ReleasePage();
        impl = new RecordingPage(templateId, titleId);
        impl->InnerAddRef();
        ASSERT_EQ(impl->InnerQueryInterface(IID_IPropertyPage, reinterpret_cast<void**>(&page)), S_OK);
        impl->InnerRelease(); // the page interface now holds the only reference
    }
    void ReleasePage()
    {
        if (page) {
            page->Release();
            page = nullptr;
            impl = nullptr;
        }
    }
    HRESULT Connect()
    {
        IUnknown* objects[] = {object.Get()};
        return page->SetObjects(1, objects);
    }
    int ChildWindows() const
    {
        int count = 0;
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            ++count;
        }
        return count;
    }

    LONG liveAtStart = 0;
    HWND parent = nullptr;
    RecordingPage* impl = nullptr;
    IPropertyPage* page = nullptr;
    Microsoft::WRL::ComPtr<RecordingPageSite> site = win::MakeComObject<RecordingPageSite>();
    Microsoft::WRL::ComPtr<CountingUnknown> object = win::MakeComObject<CountingUnknown>();
    RECT rect = {10, 20, 310, 220};
};

TEST_F(PropertyPageBaseTest, HoldsOnePageSiteAtATime)
{
    EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
    EXPECT_EQ(page->SetPageSite(site.Get()), S_OK);
    EXPECT_EQ(site->References(), 2u);
    Microsoft::WRL::ComPtr<RecordingPageSite> second = win::MakeComObject<RecordingPageSite>();
    EXPECT_EQ(page->SetPageSite(second.Get()), E_UNEXPECTED);
    EXPECT_EQ(second->References(), 1u);
    EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
    EXPECT_EQ(site->References(), 1u);
    EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
}

TEST_F(PropertyPageBaseTest, SetObjectsTakesOneObjectOrNone)
{
    IUnknown* nothing[] = {nullptr};
    IUnknown* two[] = {object.Get(), object.Get()};
    EXPECT_EQ(page->SetObjects(2, two), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    EXPECT_EQ(page->SetObjects(1, nothing), E_POINTER);
    EXPECT_TRUE(impl->calls.empty());

    // A failing hook is passed on, and the page counts as connected anyway.
    impl->connectResult = E_NOINTERFACE;
    EXPECT_EQ(Connect(), E_NOINTERFACE);
    EXPECT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);

    // A second object without disconnecting in between connects again.
    impl->connectResult = S_OK;
    EXPECT_EQ(Connect(), S_OK);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(object->References(), 1u);
    EXPECT_EQ(page->Activate(parent, &rect, TRUE), E_UNEXPECTED);
    EXPECT_EQ(impl->calls, (std::vector<std::string>{"connected", "activated", "deactivated", "connected",
                                                      "disconnected"}));
}

TEST_F(PropertyPageBaseTest, ActivateNeedsARectangleAConnectionAndAnInactivePage)
{
    EXPECT_EQ(page->Activate(parent, nullptr, TRUE), E_POINTER);
    EXPECT_EQ(page->Activate(parent, &rect, TRUE), E_UNEXPECTED);
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(page->Activate(parent, nullptr, TRUE), E_POINTER);
    EXPECT_EQ(ChildWindows(), 0);

    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    HWND window = impl->PageWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), parent);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE);
    RECT placed = {};
    GetWindowRect(window, &placed);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, rect.left);
    EXPECT_EQ(placed.top, rect.top);
    EXPECT_EQ(placed.right - placed.left, rect.right - rect.left);
    EXPECT_EQ(placed.bottom - placed.top, rect.bottom - rect.top);

    EXPECT_EQ(page->Activate(parent, &rect, TRUE), E_UNEXPECTED);
    EXPECT_EQ(ChildWindows(), 1);
    EXPECT_EQ(page->Deactivate(), S_OK);
}

TEST_F(PropertyPageBaseTest, ShowMoveAndDeactivateNeedAnActivePage)
{
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Move(&rect), E_UNEXPECTED);
    EXPECT_EQ(page->Move(nullptr), E_POINTER);
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);

    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(page->Activate(parent, &rect, FALSE), S_OK);
    HWND window = impl->PageWindow();
    EXPECT_EQ(page->Show(SW_MINIMIZE), E_INVALIDARG);
    EXPECT_EQ(page->Show(SW_HIDE), S_OK);
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(page->Show(SW_SHOW), S_OK);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE);

    const RECT moved = {5, 6, 105, 56};
    EXPECT_EQ(page->Move(&moved), S_OK);
    RECT placed = {};
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.right - placed.left, 100);
    EXPECT_EQ(placed.bottom - placed.top, 50);

    // While active the page window stays a control parent, so the frame's dialog manager reaches the page's controls.
    SetWindowLongPtrA(window, GWL_EXSTYLE, 0);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_TRUE(impl->windowAliveAtDeactivation);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Move(&rect), E_UNEXPECTED);
}

TEST_F(PropertyPageBaseTest, DirtyPageTellsTheSiteAndAppliesOnlyWhileConnectedWithASite)
{
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED); // not connected
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED); // no site

    EXPECT_EQ(impl->MarkDirty(), S_OK); // without a site: no one to tell
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED) << "no site, even when dirty";
    ASSERT_EQ(page->SetPageSite(site.Get()), S_OK);
    impl->MarkDirty();
    EXPECT_EQ(site->statusChanges, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY}));

    impl->applyResult = E_FAIL;
    EXPECT_EQ(page->Apply(), E_FAIL);
    EXPECT_EQ(page->IsPageDirty(), S_OK) << "a failed apply leaves the page dirty";
    impl->applyResult = S_FALSE;
    EXPECT_EQ(page->Apply(), S_FALSE);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK) << "clean: the hook is not called";

    // Whether the page is active is not looked at.
    impl->applyResult = S_OK;
    impl->calls.clear();
    impl->MarkDirty();
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_OK) << "activation keeps the dirty flag";
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(impl->calls, (std::vector<std::string>{"activated", "deactivated", "apply"}));
    EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
}

TEST_F(PropertyPageBaseTest, PageInfoHasTheTitleAndThePixelSizeOfTheTemplate)
{
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);

    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
    ASSERT_NE(info.pszTitle, nullptr);
    EXPECT_STREQ(info.pszTitle, L"Format");
    EXPECT_EQ(info.pszDocString, nullptr);
    EXPECT_EQ(info.pszHelpFile, nullptr);
    EXPECT_EQ(info.dwHelpContext, 0u);
    CoTaskMemFree(info.pszTitle);

    // The template's 210 x 108 dialog units, in pixels of its own font.
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    RECT units = {0, 0, 210, 108};
    MapDialogRect(impl->PageWindow(), &units);
    EXPECT_EQ(info.size.cx, units.right);
    EXPECT_EQ(info.size.cy, units.bottom);
    EXPECT_NE(info.size.cx, 340);
    page->Deactivate();

    Create(IDD_CAMERA_SET_PAGE, IDS_CAMERA_SET_TITLE);
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"Camera Set");
    EXPECT_GT(info.size.cy, info.size.cx) << "template 102 is 210 x 367";
    CoTaskMemFree(info.pszTitle);

    Create(kMissingTemplate, kMissingString);
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"");
    EXPECT_EQ(info.size.cx, 340);
    EXPECT_EQ(info.size.cy, 150);
    CoTaskMemFree(info.pszTitle);
}

TEST_F(PropertyPageBaseTest, TitleLoadsAlsoThroughTheAnsiPath)
{
    const DWORD kAnsiPlatform = 1; // VER_PLATFORM_WIN32_WINDOWS
    wchar_t buffer[kResourceStringLength];
    EXPECT_STREQ(LoadResourceString(buffer, IDS_CAMERA_SET_TITLE, kAnsiPlatform), L"Camera Set");
    EXPECT_STREQ(LoadResourceString(buffer, kMissingString, kAnsiPlatform), L"");
    EXPECT_STREQ(LoadResourceString(buffer, IDS_FORMAT_TITLE), L"Format");
    EXPECT_EQ(DupWideString(L"x", nullptr), E_POINTER);
}

TEST_F(PropertyPageBaseTest, LastReleaseLetsGoOfSiteAndObject)
{
    ASSERT_EQ(page->SetPageSite(site.Get()), S_OK);
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(site->References(), 2u);
    EXPECT_EQ(object->References(), 2u);
    page->AddRef();
    page->Release();
    EXPECT_EQ(site->References(), 2u) << "not the last reference";
    ReleasePage();
    EXPECT_EQ(site->References(), 1u);
    EXPECT_EQ(object->References(), 1u);
}

TEST_F(PropertyPageBaseTest, LastReleaseOfAnActivePageRemovesItsWindow)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    HWND window = impl->PageWindow();
    ReleasePage();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ChildWindows(), 0);
}

TEST_F(PropertyPageBaseTest, LastReleaseOnAnotherThreadHasTheWindowDestroyedOnItsOwnThread)
{
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    HWND window = impl->PageWindow();
    {
        // A host may drop its last reference on any thread, which cannot destroy the window nor wait for this one.
        win::Thread releaser;
        ASSERT_TRUE(releaser.Start([this]() -> DWORD {
            ReleasePage();
            return 0;
        }));
    }
    EXPECT_TRUE(IsWindow(window)) << "not destroyed from the wrong thread";
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_FALSE(IsWindow(window)) << "destroyed once its own thread handled the request";
    EXPECT_EQ(ChildWindows(), 0);
}

} // namespace
