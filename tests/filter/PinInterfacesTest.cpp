// The camera pin's configuration interfaces as capture applications use them:
// IAMStreamConfig, IKsPropertySet, IAMDroppedFrames, ISpecifyPropertyPages.
#include <gtest/gtest.h>

#include <dshow.h>

#include <cstring>

#include "filter/LumoraGuids.h"
#include "filter/VideoFormats.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/framework/FakeInputPin.h"

// The platform's null renderer: its class id is defined by strmiids only.
EXTERN_C const CLSID CLSID_NullRenderer;

using namespace filtertest;

namespace {

class PinInterfaces : public FilterTest {
protected:
    template <class Interface>
    ComPtr<Interface> Query(CameraOutputPin* pin)
    {
        ComPtr<Interface> itf;
        EXPECT_EQ(S_OK, pin->Pin()->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(itf.GetAddressOf())));
        return itf;
    }
    // Entry i of the pin's capability list.
    static MediaTypeRecord Entry(IAMStreamConfig* config, int index)
    {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        EXPECT_EQ(S_OK, config->GetStreamCaps(index, &type, reinterpret_cast<BYTE*>(&caps)));
        const win::MediaTypePtr owned(type);
        return MediaTypeRecord(*type);
    }
    static MediaTypeRecord CurrentFormat(IAMStreamConfig* config)
    {
        AM_MEDIA_TYPE* type = nullptr;
        EXPECT_EQ(S_OK, config->GetFormat(&type));
        const win::MediaTypePtr owned(type);
        return MediaTypeRecord(*type);
    }
    TestFilter under;
};

TEST_F(PinInterfaces, StreamCapsListEveryEntryAsAFixedSize)
{
    ComPtr<IAMStreamConfig> config = Query<IAMStreamConfig>(under.preview);
    int count = 0;
    int size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(5, count);
    EXPECT_EQ(128, size);

    const struct {
        int index;
        LONG width;
        LONG height;
        LONG minBits;
    } entries[] = {{0, 3032, 2016, 29340057}, {3, 3264, 2448, 38353305}, {4, 3264, 2448, 38353305}};
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.index);
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        std::memset(&caps, 0xCD, sizeof(caps));
        ASSERT_EQ(S_OK, config->GetStreamCaps(entry.index, &type, reinterpret_cast<BYTE*>(&caps)));
        EXPECT_EQ(entry.width, FrameSizeOf(*type).cx);
        EXPECT_EQ(entry.height, FrameSizeOf(*type).cy);
        DeleteType(type);

        EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, caps.guid));
        for (const SIZE& fixed : {caps.InputSize, caps.MinCroppingSize, caps.MaxCroppingSize, caps.MinOutputSize,
                                  caps.MaxOutputSize}) {
            EXPECT_EQ(entry.width, fixed.cx);
            EXPECT_EQ(entry.height, fixed.cy);
        }
        EXPECT_EQ(0, caps.CropGranularityX + caps.CropAlignY + caps.OutputGranularityX + caps.ShrinkTapsY);
        EXPECT_EQ(200000, caps.MinFrameInterval);
        EXPECT_EQ(50000000, caps.MaxFrameInterval);
        EXPECT_EQ(entry.minBits, caps.MinBitsPerSecond);
        EXPECT_EQ(0x7FFFFFFF, caps.MaxBitsPerSecond); // saturated, not wrapped
    }
    for (int outside : {5, -1}) {
        AM_MEDIA_TYPE* type = nullptr;
        BYTE caps[128] = {};
        EXPECT_EQ(S_FALSE, config->GetStreamCaps(outside, &type, caps));
        EXPECT_EQ(nullptr, type);
    }
}

TEST_F(PinInterfaces, SetFormatTakesATypeThePinDeliversAndGetFormatHandsOutACopy)
{
    ComPtr<IAMStreamConfig> config = Query<IAMStreamConfig>(under.capture);
    MediaTypeRecord paced = Entry(config.Get(), 0);
    VideoInfoOf(paced)->AvgTimePerFrame = 666666;
    paced.lSampleSize = 12345;

    ASSERT_EQ(S_OK, config->SetFormat(&paced)); // unconnected: nothing to reconnect
    ASSERT_EQ(S_OK, config->SetFormat(nullptr)); // changes nothing
    AM_MEDIA_TYPE* first = nullptr;
    AM_MEDIA_TYPE* second = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&first));
    ASSERT_EQ(S_OK, config->GetFormat(&second));
    EXPECT_TRUE(paced.SameType(*first));
    EXPECT_NE(first->pbFormat, second->pbFormat); // each caller owns its copy
    EXPECT_NE(first->pbFormat, paced.pbFormat);
    DeleteType(first);
    DeleteType(second);
    EXPECT_EQ(E_POINTER, config->GetFormat(nullptr));

    long average = 0;
    ASSERT_EQ(S_OK, Query<IAMDroppedFrames>(under.capture)->GetAverageFrameSize(&average));
    EXPECT_EQ(12345, average);

    // Only while the filter is stopped.
    ASSERT_EQ(S_OK, under.filter->Pause()); // no pin connected: no camera
    MediaTypeRecord entry = Entry(config.Get(), 0);
    EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(&entry));
    ASSERT_EQ(S_OK, under.filter->Stop());
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(paced));
}

TEST_F(PinInterfaces, SetFormatOnAConnectedPinConnectsAgainWithTheTypeUnlessThePeerRefuses)
{
    ComPtr<IAMStreamConfig> config = Query<IAMStreamConfig>(under.capture);
    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    ASSERT_EQ(S_OK, under.capture->Connect(peer.Get(), nullptr));
    const MediaTypeRecord entry = Entry(config.Get(), 0);
    MediaTypeRecord paced(entry);
    VideoInfoOf(paced)->AvgTimePerFrame = 666666;

    // Outside a graph the pin breaks and makes the connection itself.
    ASSERT_EQ(S_OK, config->SetFormat(&paced));
    ASSERT_EQ(2u, peer->receivedTypes.size());
    EXPECT_TRUE(peer->receivedTypes[1].SameType(paced));
    EXPECT_TRUE(under.capture->IsConnected());
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(paced));

    // A peer that refuses the type is asked first: nothing changes.
    MediaTypeRecord slower(entry);
    VideoInfoOf(slower)->AvgTimePerFrame = 1000000;
    peer->queryAcceptResult = S_FALSE;
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, config->SetFormat(&slower));
    EXPECT_EQ(2u, peer->receivedTypes.size());
    EXPECT_TRUE(under.capture->IsConnected());
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(paced));

    // A peer that takes the query but not the connection: the reconnection's
    // result, and the former type.
    peer->queryAcceptResult = S_OK;
    peer->receiveConnectionResult = E_ACCESSDENIED;
    EXPECT_EQ(E_ACCESSDENIED, config->SetFormat(&slower));
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(paced));
    EXPECT_FALSE(under.capture->IsConnected()); // this peer refuses the former type too
}

TEST_F(PinInterfaces, SetFormatInAGraphReconnectsThroughTheGraph)
{
    ComPtr<IFilterGraph> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer)));
    ASSERT_EQ(S_OK, graph->AddFilter(under.filter.Get(), L"Lumora Camera"));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"Null Renderer"));
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> input;
    ASSERT_EQ(S_OK, renderer->EnumPins(&pins));
    ASSERT_EQ(S_OK, pins->Next(1, &input, nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(under.capture->Pin(), input.Get(), nullptr));

    ComPtr<IAMStreamConfig> config = Query<IAMStreamConfig>(under.capture);
    MediaTypeRecord paced = Entry(config.Get(), 0);
    VideoInfoOf(paced)->AvgTimePerFrame = 666666;
    ASSERT_EQ(S_OK, config->SetFormat(&paced));
    win::MediaTypeContents agreed;
    ASSERT_EQ(S_OK, input->ConnectionMediaType(agreed.Receive()));
    EXPECT_TRUE(paced.SameType(agreed.Get()));
    EXPECT_TRUE(under.capture->IsConnected());

    MediaTypeRecord full = Entry(config.Get(), 3);
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, config->SetFormat(&full));
    ASSERT_EQ(S_OK, input->ConnectionMediaType(agreed.Receive()));
    EXPECT_TRUE(paced.SameType(agreed.Get()));
    graph->RemoveFilter(renderer.Get());
    graph->RemoveFilter(under.filter.Get());
}

TEST_F(PinInterfaces, PropertySetReportsEachPinsCategoryReadOnly)
{
    const struct {
        CameraOutputPin* pin;
        GUID category;
    } pins[] = {{under.capture, PIN_CATEGORY_CAPTURE}, {under.preview, PIN_CATEGORY_PREVIEW}};
    for (const auto& entry : pins) {
        ComPtr<IKsPropertySet> properties = Query<IKsPropertySet>(entry.pin);
        GUID category = GUID_NULL;
        DWORD returned = 0;
        ASSERT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                        sizeof(category), &returned));
        EXPECT_TRUE(IsEqualGUID(entry.category, category));
        EXPECT_EQ(16u, returned);
    }

    ComPtr<IKsPropertySet> properties = Query<IKsPropertySet>(under.capture);
    BYTE small[16] = {};
    DWORD returned = 0;
    EXPECT_EQ(E_UNEXPECTED, properties->Get(AMPROPSETID_Pin, 0, nullptr, 0, small, 15, &returned));
    returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, 0, nullptr, 0, nullptr, 0, &returned));
    EXPECT_EQ(16u, returned);
    EXPECT_EQ(E_POINTER, properties->Get(AMPROPSETID_Pin, 0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, properties->Get(AMPROPSETID_Pin, 1, nullptr, 0, small, 16, &returned));
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, properties->Get(PIN_CATEGORY_CAPTURE, 0, nullptr, 0, small, 16, &returned));
    EXPECT_EQ(E_NOTIMPL, properties->Set(AMPROPSETID_Pin, 0, nullptr, 0, small, 16));

    DWORD support = 99;
    EXPECT_EQ(S_OK, properties->QuerySupported(AMPROPSETID_Pin, 0, &support));
    EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), support);
    support = 99;
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, properties->QuerySupported(AMPROPSETID_Pin, 1, &support));
    EXPECT_EQ(0u, support);
    support = 99;
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, properties->QuerySupported(GUID_NULL, 0, &support));
    EXPECT_EQ(0u, support);
}

TEST_F(PinInterfaces, DroppedFramesComeFromTheControllerCounters)
{
    CCamera* camera = under.object->Camera();
    camera->m_FramesReceived = 7;
    camera->m_FramesFetched = 9; // the capture pin does not wait for frames
    for (CameraOutputPin* pin : {under.capture, under.preview}) {
        ComPtr<IAMDroppedFrames> dropped = Query<IAMDroppedFrames>(pin);
        long value = 0;
        ASSERT_EQ(S_OK, dropped->GetNumDropped(&value));
        EXPECT_EQ(-2, value);
        ASSERT_EQ(S_OK, dropped->GetNumNotDropped(&value));
        EXPECT_EQ(9, value);
        long frames[2] = {5, 5};
        long copied = 5;
        ASSERT_EQ(S_OK, dropped->GetDroppedInfo(2, frames, &copied));
        EXPECT_EQ(0, copied);
        EXPECT_EQ(5, frames[0]);
        ASSERT_EQ(S_OK, dropped->GetAverageFrameSize(&value));
        EXPECT_EQ(18337536, value);
        EXPECT_EQ(E_POINTER, dropped->GetNumDropped(nullptr));
    }
}

TEST_F(PinInterfaces, OnlyTheCapturePinNamesTheFormatPage)
{
    CAUUID pages = {};
    ASSERT_EQ(S_OK, Query<ISpecifyPropertyPages>(under.capture)->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(CLSID_FormatPage, pages.pElems[0]));
    CoTaskMemFree(pages.pElems);

    pages = {5, nullptr};
    ASSERT_EQ(S_OK, Query<ISpecifyPropertyPages>(under.preview)->GetPages(&pages));
    EXPECT_EQ(0u, pages.cElems);
    EXPECT_EQ(nullptr, pages.pElems);
}

} // namespace
