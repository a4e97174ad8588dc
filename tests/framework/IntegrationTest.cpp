// The framework's test source in Wine's own filter graph, to Wine's sample grabber and null renderer: connected,
// run through its states, stopped while stuck downstream, and cycled without leaving anything behind.
#include <gtest/gtest.h>

#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <functional>
#include <thread>

#include "tests/framework/SampleCallback.h"
#include "tests/framework/TestSourceFilter.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/WaitFor.h"

using Microsoft::WRL::ComPtr;
using testenv::WaitFor;

namespace {

// The platform's published class ids of the two downstream filters.
const CLSID kSampleGrabber = {0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID kNullRenderer = {0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION wanted)
{
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.GetAddressOf());
    ComPtr<IPin> pin;
    while (pins && pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        pin->QueryDirection(&direction);
        if (direction == wanted) {
            return pin;
        }
    }
    return nullptr;
}

DWORD MillisecondsOf(const std::function<void()>& action)
{
    const DWORD start = GetTickCount();
    action();
    return GetTickCount() - start;
}

// Test source -> sample grabber (with a SampleCallback) -> null renderer.
class SourceGraph {
public:
    enum class Builder { GraphManager, CaptureGraphBuilder };

    explicit SourceGraph(Builder builder = Builder::GraphManager)
    {
        source = TestSourceFilter::Create(1, &sourceObject);
        stream = sourceObject->Stream(0);
        callback = win::MakeComObject<SampleCallback>(stream->FrameBytes());
        ok = Build(builder);
    }
    ~SourceGraph()
    {
        if (control) {
            control->Stop();
        }
        if (grabber) {
            grabber->SetCallback(nullptr, 0);
        }
        callback->ReleaseHeld();
    }

    HRESULT State()
    {
        OAFilterState state = -1;
        control->GetState(5000, &state);
        return state;
    }

    // Declared first, released last: the grabber may still call it while it goes.
    ComPtr<SampleCallback> callback;
    bool ok = false;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source, grabberFilter, renderer;
    TestSourceFilter* sourceObject = nullptr;
    TestStream* stream = nullptr;
    ComPtr<ISampleGrabber> grabber;

private:
    bool Build(Builder builder)
    {
        if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph))) ||
            FAILED(graph.As(&control)) ||
            FAILED(CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&grabberFilter))) ||
            FAILED(CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer))) ||
            FAILED(grabberFilter.As(&grabber))) {
            return false;
        }
        AM_MEDIA_TYPE wanted = {};
        wanted.majortype = MEDIATYPE_Video;
        wanted.subtype = MEDIASUBTYPE_RGB24;
        grabber->SetMediaType(&wanted);
        grabber->SetBufferSamples(FALSE);
        grabber->SetCallback(callback.Get(), 0);

        if (FAILED(graph->AddFilter(source.Get(), L"Test source")) ||
            FAILED(graph->AddFilter(grabberFilter.Get(), L"Grabber")) ||
            FAILED(graph->AddFilter(renderer.Get(), L"Null renderer"))) {
            return false;
        }
        if (builder == Builder::CaptureGraphBuilder) {
            ComPtr<ICaptureGraphBuilder2> capture;
            return SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_PPV_ARGS(&capture))) &&
                   SUCCEEDED(capture->SetFiltergraph(graph.Get())) &&
                   SUCCEEDED(capture->RenderStream(nullptr, &MEDIATYPE_Video, source.Get(), grabberFilter.Get(),
                                                   renderer.Get()));
        }
        ComPtr<IPin> sourceOut;
        return SUCCEEDED(source->FindPin(L"1", sourceOut.GetAddressOf())) &&
               SUCCEEDED(graph->Connect(sourceOut.Get(), FirstPin(grabberFilter.Get(), PINDIR_INPUT).Get())) &&
               SUCCEEDED(graph->Connect(FirstPin(grabberFilter.Get(), PINDIR_OUTPUT).Get(),
                                        FirstPin(renderer.Get(), PINDIR_INPUT).Get()));
    }
};

bool SamplesGrow(SampleCallback* callback, LONG count = 3)
{
    const LONG start = callback->Samples();
    return WaitFor([&] { return callback->Samples() >= start + count; });
}

} // namespace

TEST(Integration, GraphManagerConnectsTheSourceAndItStreamsThroughEveryState)
{
    SourceGraph g;
    ASSERT_TRUE(g.ok);

    AM_MEDIA_TYPE agreed;
    ASSERT_EQ(g.stream->ConnectionMediaType(&agreed), S_OK);
    EXPECT_TRUE(IsEqualGUID(agreed.subtype, MEDIASUBTYPE_RGB24));
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(agreed.pbFormat)->bmiHeader.biWidth, 64);
    FreeTypeContents(&agreed);
    ASSERT_NE(g.stream->Allocator(), nullptr);

    FILTER_INFO info;
    ASSERT_EQ(g.source->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Test source");
    EXPECT_NE(info.pGraph, nullptr);
    info.pGraph->Release();

    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    EXPECT_EQ(g.State(), State_Running);
    EXPECT_TRUE(SamplesGrow(g.callback.Get()));
    ASSERT_TRUE(SUCCEEDED(g.control->Pause()));
    EXPECT_EQ(g.State(), State_Paused);
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    EXPECT_TRUE(SamplesGrow(g.callback.Get()));
    ASSERT_EQ(g.control->Stop(), S_OK);
    EXPECT_FALSE(g.stream->HasThread());
    const LONG stopped = g.callback->Samples();
    Sleep(100);
    EXPECT_EQ(g.callback->Samples(), stopped);
    EXPECT_EQ(g.callback->BadSamples(), 0);

    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    EXPECT_TRUE(SamplesGrow(g.callback.Get()));
    EXPECT_EQ(g.stream->workerStarts, 2);
}

TEST(Integration, CaptureGraphBuilderRendersTheStream)
{
    SourceGraph g(SourceGraph::Builder::CaptureGraphBuilder);
    ASSERT_TRUE(g.ok);
    EXPECT_TRUE(g.stream->IsConnected());
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    EXPECT_TRUE(SamplesGrow(g.callback.Get()));
    ASSERT_EQ(g.control->Stop(), S_OK);
    EXPECT_EQ(g.callback->BadSamples(), 0);
}

TEST(Integration, StopReturnsPromptlyWhileTheWorkerWaitsForAFreeSample)
{
    SourceGraph g;
    ASSERT_TRUE(g.ok);
    g.callback->mode = SampleCallback::Mode::HoldSamples;
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));

    // Downstream keeps every sample: the worker ends up waiting in GetBuffer.
    ALLOCATOR_PROPERTIES properties = {};
    ASSERT_EQ(g.stream->Allocator()->GetProperties(&properties), S_OK);
    ASSERT_TRUE(WaitFor([&] { return g.callback->Held() >= static_cast<size_t>(properties.cBuffers); }));
    const LONG fills = g.stream->fills;
    Sleep(100);
    ASSERT_EQ(g.stream->fills, fills) << "the worker is blocked";

    const DWORD elapsed = MillisecondsOf([&] { EXPECT_EQ(g.control->Stop(), S_OK); });
    EXPECT_LT(elapsed, 1000u);
    EXPECT_FALSE(g.stream->HasThread());
}

TEST(Integration, StopReturnsPromptlyWhileTheWorkerIsStuckInDelivery)
{
    SourceGraph g;
    ASSERT_TRUE(g.ok);
    g.callback->watchedAllocator = g.stream->Allocator();
    // Running first: a renderer still waiting for its first sample would hold on to it until the graph's state changes.
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    ASSERT_TRUE(SamplesGrow(g.callback.Get()));
    ASSERT_EQ(g.State(), State_Running);
    g.callback->mode = SampleCallback::Mode::BlockUntilDecommit;
    ASSERT_TRUE(WaitFor([&] { return g.callback->Blocking() == 1; }));

    // The source's own Stop decommits first, which lets the Receive go.
    const DWORD elapsed = MillisecondsOf([&] { EXPECT_EQ(g.source->Stop(), S_OK); });
    EXPECT_LT(elapsed, 1000u);
    EXPECT_FALSE(g.stream->HasThread());
    EXPECT_EQ(g.callback->Blocking(), 0);
    EXPECT_EQ(g.control->Stop(), S_OK);
}

TEST(Integration, HundredCyclesLeaveNoThreadHandleOrObjectBehind)
{
    testenv::AllowTestToRun(300000);
    {
        // Warm up: the graph's own one-time set-up happens here.
        SourceGraph g;
        ASSERT_TRUE(g.ok);
        ASSERT_TRUE(SUCCEEDED(g.control->Run()));
        ASSERT_TRUE(SamplesGrow(g.callback.Get(), 1));
        EXPECT_EQ(g.control->Stop(), S_OK);
    }
    const testenv::CountsBaseline baseline;
    const LONG live = liveObjectCount;
    {
        SourceGraph g;
        ASSERT_TRUE(g.ok);
        int cyclesWithoutSamples = 0;
        for (int cycle = 0; cycle < 100; ++cycle) {
            ASSERT_TRUE(SUCCEEDED(g.control->Pause())) << "cycle " << cycle;
            ASSERT_TRUE(SUCCEEDED(g.control->Run())) << "cycle " << cycle;
            if (!SamplesGrow(g.callback.Get(), 1)) {
                ++cyclesWithoutSamples;
            }
            ASSERT_EQ(g.control->Stop(), S_OK) << "cycle " << cycle;
        }
        EXPECT_EQ(cyclesWithoutSamples, 0);
        EXPECT_EQ(g.stream->workerStarts, 100);
        EXPECT_EQ(g.stream->workerEnds, 100);
        EXPECT_EQ(g.callback->BadSamples(), 0);
    }
    EXPECT_EQ(liveObjectCount, live);
    EXPECT_TRUE(baseline.Restored(5000));
}
