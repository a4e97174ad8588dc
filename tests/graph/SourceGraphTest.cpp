// The shared source graph around the camera filter: the pins reach the grabbers' callbacks, the clock is the
// caller's choice, and once the graph goes nothing of it holds the source or a callback.
#include <gtest/gtest.h>

#include <atomic>

#include "graph/SourceGraph.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/support/WaitFor.h"
#include "win/ComObject.h"

using graph::PinCategory;
using graph::SourceGraph;
using Microsoft::WRL::ComPtr;

namespace {

class SourceGraphTest : public filtertest::FilterTest {};

class SampleCounter final : public win::ComObject<ISampleGrabberCB> {
public:
    std::atomic<int> samples{0};
    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample*) override
    {
        ++samples;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }
};

// References held on object besides the caller's own.
ULONG OtherReferences(IUnknown* object)
{
    object->AddRef();
    return object->Release() - 1;
}

// The graph a filter has joined, or null.
ComPtr<IFilterGraph> GraphOf(IBaseFilter* filter)
{
    FILTER_INFO info = {};
    filter->QueryFilterInfo(&info);
    ComPtr<IFilterGraph> joined;
    *joined.GetAddressOf() = info.pGraph; // the reference QueryFilterInfo added
    return joined;
}

TEST_F(SourceGraphTest, PinsDeliverIntoTheirCallbacksAndTheGraphLetsGoOfEverythingWhenItGoes)
{
    filtertest::TestFilter camera;
    const ComPtr<SampleCounter> captured = win::MakeComObject<SampleCounter>();
    const ComPtr<SampleCounter> previewed = win::MakeComObject<SampleCounter>();
    // Someone else (a property page, a plug-in) may keep the graph manager alive; its filters must go anyway.
    ComPtr<IFilterGraph> keptGraph;
    {
        SourceGraph sourceGraph;
        ASSERT_EQ(S_OK, sourceGraph.Create(camera.filter.Get(), L"Lumora Camera"));
        ASSERT_EQ(S_OK, sourceGraph.RenderPin(PinCategory::Capture, captured.Get(), graph::Renderer::Null));
        ASSERT_EQ(S_OK, sourceGraph.RenderPin(PinCategory::Preview, previewed.Get(), graph::Renderer::Null));
        ASSERT_EQ(S_OK, sourceGraph.UseClock(graph::ReferenceClock::None));
        EXPECT_TRUE(sourceGraph.GrabberOf(PinCategory::Capture) && sourceGraph.SinkOf(PinCategory::Capture));
        EXPECT_EQ(camera.filter.Get(), sourceGraph.Source());
        keptGraph = GraphOf(camera.filter.Get());
        ASSERT_TRUE(keptGraph);

        // The grabbers are shown the pins' own 24-bit frames.
        for (PinCategory pin : {PinCategory::Capture, PinCategory::Preview}) {
            win::MediaTypeContents type;
            ASSERT_EQ(S_OK, sourceGraph.GrabbedType(pin, &type));
            EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, type.Get().subtype));
            const SIZE size = filtertest::FrameSizeOf(type.Get());
            EXPECT_EQ(filtertest::kFrameWidth, size.cx);
            EXPECT_EQ(filtertest::kFrameHeight, size.cy);
        }

        ASSERT_TRUE(SUCCEEDED(sourceGraph.Run()));
        EXPECT_TRUE(testenv::WaitFor([&] { return captured->samples > 3 && previewed->samples > 3; }));
        EXPECT_EQ(S_OK, sourceGraph.Stop());
        EXPECT_EQ(nullptr, sourceGraph.Clock().Get()) << "a graph without a clock runs without one";

        const ComPtr<IAMDroppedFrames> counts = sourceGraph.CaptureDroppedFrames();
        ASSERT_TRUE(counts);
        long delivered = 0;
        EXPECT_EQ(S_OK, counts->GetNumNotDropped(&delivered));
        EXPECT_GT(delivered, 0);
    }
    ComPtr<IEnumFilters> left;
    ASSERT_EQ(S_OK, keptGraph->EnumFilters(&left));
    ComPtr<IBaseFilter> filter;
    EXPECT_NE(S_OK, left->Next(1, &filter, nullptr)) << "a filter was left in the graph";
    EXPECT_EQ(nullptr, GraphOf(camera.filter.Get()).Get()) << "the source was not taken out of the graph";
    EXPECT_EQ(0u, OtherReferences(camera.filter.Get()));
    EXPECT_EQ(0u, OtherReferences(captured.Get())) << "a grabber still holds its callback";
    EXPECT_EQ(0u, OtherReferences(previewed.Get()));
}

TEST_F(SourceGraphTest, WithTheDefaultClockTheGraphHasOneBeforeItFirstPauses)
{
    filtertest::TestFilter camera;
    SourceGraph sourceGraph;
    ASSERT_EQ(S_OK, sourceGraph.Create(camera.filter.Get(), L"Lumora Camera"));
    ASSERT_EQ(S_OK, sourceGraph.RenderPin(PinCategory::Preview, nullptr, graph::Renderer::Null));
    EXPECT_EQ(S_OK, sourceGraph.UseClock(graph::ReferenceClock::Default));
    EXPECT_TRUE(sourceGraph.Clock());
    // A pin rendered without a grabber has no grabbed type; the capture pin was not rendered at all.
    win::MediaTypeContents type;
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.GrabbedType(PinCategory::Preview, &type));
    EXPECT_EQ(nullptr, sourceGraph.GrabberOf(PinCategory::Preview));
    EXPECT_EQ(nullptr, sourceGraph.SinkOf(PinCategory::Capture));
}

TEST_F(SourceGraphTest, BeforeCreateEveryCallFailsWithoutTouchingAGraph)
{
    SourceGraph sourceGraph;
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.Pause());
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.Run());
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.Stop());
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.RenderPin(PinCategory::Capture, nullptr, graph::Renderer::Null));
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.UseClock(graph::ReferenceClock::None));
    EXPECT_FALSE(sourceGraph.Clock());
    EXPECT_FALSE(sourceGraph.CaptureDroppedFrames());
    EXPECT_EQ(E_UNEXPECTED, sourceGraph.Create(nullptr, L"none"));
}

} // namespace
