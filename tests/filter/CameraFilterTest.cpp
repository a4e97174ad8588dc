// The filter object: its pins, interfaces, the settings interface it passes the capture pin, closing the camera.
#include <gtest/gtest.h>

#include "filter/LumoraGuids.h"
#include "tests/filter/FilterTestSupport.h"

using namespace filtertest;

namespace {

class CameraFilterObject : public FilterTest {
protected:
    TestFilter under;
};

TEST_F(CameraFilterObject, HasTheCapturePinAsPin1AndThePreviewPinAsPin2)
{
    const struct {
        const wchar_t* id;
        const wchar_t* name;
        CameraOutputPin* pin;
    } pins[] = {{L"1", L"~Capture", under.capture}, {L"2", L"Preview", under.preview}};
    for (const auto& expected : pins) {
        ComPtr<IPin> pin;
        ASSERT_EQ(S_OK, under.filter->FindPin(expected.id, pin.GetAddressOf()));
        EXPECT_EQ(expected.pin->Pin(), pin.Get());
        PIN_INFO info = {};
        ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
        EXPECT_STREQ(expected.name, info.achName);
        EXPECT_EQ(PINDIR_OUTPUT, info.dir);
        info.pFilter->Release();
    }
    ComPtr<IPin> none;
    EXPECT_EQ(VFW_E_NOT_FOUND, under.filter->FindPin(L"3", none.GetAddressOf()));
}

TEST_F(CameraFilterObject, AnswersItsOwnInterfacesAndLeavesThePropertySetToThePins)
{
    CLSID classId = GUID_NULL;
    ASSERT_EQ(S_OK, under.filter->GetClassID(&classId));
    EXPECT_TRUE(IsEqualGUID(CLSID_LumoraCameraFilter, classId));

    ComPtr<IUnknown> marker;
    EXPECT_EQ(S_OK, under.filter->QueryInterface(IID_ICameraFilterMarker, reinterpret_cast<void**>(marker.GetAddressOf())));
    ComPtr<IKsPropertySet> properties;
    EXPECT_EQ(E_NOINTERFACE,
              under.filter->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(properties.GetAddressOf())));
    EXPECT_EQ(nullptr, properties.Get());

    ComPtr<IAMFilterMiscFlags> flags;
    ASSERT_EQ(S_OK, under.filter->QueryInterface(IID_IAMFilterMiscFlags, reinterpret_cast<void**>(flags.GetAddressOf())));
    EXPECT_EQ(2u, flags->GetMiscFlags());
    EXPECT_EQ(2u, flags->GetMiscFlags());

    ComPtr<IOverlayNotify> overlay;
    ASSERT_EQ(S_OK, under.filter->QueryInterface(IID_IOverlayNotify, reinterpret_cast<void**>(overlay.GetAddressOf())));
    RECT rect = {0, 0, 10, 10};
    EXPECT_EQ(S_OK, overlay->OnPaletteChange(0, nullptr));
    EXPECT_EQ(S_OK, overlay->OnClipChange(&rect, &rect, nullptr));
    EXPECT_EQ(S_OK, overlay->OnClipChange(nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, overlay->OnColorKeyChange(nullptr));
    EXPECT_EQ(S_OK, overlay->OnPositionChange(nullptr, &rect));

    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(S_OK, under.filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(pages.GetAddressOf())));
    CAUUID list = {};
    ASSERT_EQ(S_OK, pages->GetPages(&list));
    ASSERT_EQ(1u, list.cElems);
    EXPECT_TRUE(IsEqualGUID(CLSID_CameraSettingsPage, list.pElems[0]));
    CoTaskMemFree(list.pElems);
    EXPECT_EQ(E_POINTER, pages->GetPages(nullptr));
}

TEST_F(CameraFilterObject, FilterAndCapturePinHandOutTheSameSettingsInterface)
{
    ComPtr<ICameraSettings> fromFilter = SettingsOf(under.filter.Get());
    ComPtr<ICameraSettings> fromPin = SettingsOf(under.capture->Pin());
    EXPECT_EQ(fromFilter.Get(), fromPin.Get());
    EXPECT_NE(fromFilter.Get(), SettingsOf(under.preview->Pin()).Get());

    EXPECT_EQ(E_FAIL, fromFilter->GetConfig(nullptr));
    EXPECT_EQ(E_FAIL, fromFilter->SetConfig(nullptr));
}

TEST_F(CameraFilterObject, GetConfigReadsTheFileThenWhileOpenTheCamerasLiveValues)
{
    StoreResolution(2);
    SimClearJournal();
    CameraConfig config;
    config.m_Format.m_Reserved1 = 77;
    ASSERT_EQ(S_OK, SettingsOf(under.filter.Get())->GetConfig(&config));
    EXPECT_EQ(2, config.m_Format.m_Resolution);
    EXPECT_EQ(0u, config.m_Format.m_Reserved1);
    EXPECT_EQ(std::vector<std::string>{}, JournalLines()) << "closed, the file's values stand";

    ASSERT_EQ(S_OK, under.capture->OnWorkerStart());
    CameraSetGamma(77);
    SimClearJournal();
    ASSERT_EQ(S_OK, SettingsOf(under.filter.Get())->GetConfig(&config));
    EXPECT_TRUE(testenv::Called(testenv::JournalText(), "CameraGetGamma()"));
    EXPECT_EQ(77, config.m_Color.m_Gamma);
    EXPECT_EQ(S_OK, under.capture->OnWorkerEnd());
}

TEST_F(CameraFilterObject, ANewResolutionReachesTheFileAndTheOfferedTypeButNotTheCamera)
{
    ComPtr<ICameraSettings> settings = SettingsOf(under.filter.Get());
    CameraConfig config;
    ASSERT_EQ(S_OK, settings->GetConfig(&config));
    config.m_Format.m_Resolution = 2;
    config.m_Color.m_Gamma = 55;
    SimClearJournal();
    ASSERT_EQ(S_OK, settings->SetConfig(&config));

    for (const std::string& call : JournalLines()) {
        EXPECT_EQ(std::string::npos, call.find("CameraSet")) << call;
    }
    CameraConfig stored;
    ASSERT_EQ(1, stored.LoadFromFile());
    EXPECT_EQ(2, stored.m_Format.m_Resolution);
    EXPECT_EQ(55, stored.m_Color.m_Gamma);

    // The next offer is the entry of index 2, on both pins.
    for (CameraOutputPin* pin : {under.capture, under.preview}) {
        MediaTypeRecord offered;
        ASSERT_EQ(S_OK, pin->GetMediaType(0, &offered));
        EXPECT_TRUE(offered.SameType(ListedType(pin, 2)));
    }

    // An unchanged resolution sends the changed value to the camera at once.
    config.m_Color.m_Gamma = 60;
    SimClearJournal();
    ASSERT_EQ(S_OK, settings->SetConfig(&config));
    EXPECT_TRUE(testenv::Called(testenv::JournalText(), "CameraSetGamma(60)"));
}

TEST_F(CameraFilterObject, TheCameraOpensWithTheResolutionStoredInTheFileAtPause)
{
    // The pins were set up with no settings file (index 0); the file changes before the worker starts, as at a Pause.
    MediaTypeRecord offered;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &offered));
    StoreResolution(2);
    SimClearJournal();
    ASSERT_EQ(S_OK, under.capture->OnWorkerStart());
    EXPECT_TRUE(testenv::Called(testenv::JournalText(), "CameraInit(1,2,1,1)"));
    EXPECT_EQ(S_OK, under.capture->OnWorkerEnd());
}

TEST_F(CameraFilterObject, DestroyingTheFilterWhileTheCameraIsOpenClosesIt)
{
    const LONG objectsBefore = liveObjectCount;
    {
        TestFilter open;
        ASSERT_EQ(S_OK, open.capture->OnWorkerStart());
        SimClearJournal();
    }
    EXPECT_TRUE(testenv::Called(testenv::JournalText(), "CameraUnInit()"));
    EXPECT_EQ(objectsBefore, liveObjectCount);
}

} // namespace
