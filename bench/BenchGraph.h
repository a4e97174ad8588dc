// BenchGraph: the graph the benchmark measures, built as a capture
// application builds it from the platform's own filter graph and capture
// graph builder: the capture filter (made with CreateCameraFilter, linked
// into this program) with each of its two pins rendered into a null renderer
// through a sample grabber whose callback is that pin's SampleTimeline.
//
// Threading: built, run and stopped on the bench's main thread (COM
// initialised as a multithreaded apartment). The timelines are called on the
// pins' streaming threads while the graph runs.
//
// Ownership: the graph owns the filters; the destructor stops the graph and
// removes every filter, so no filter outlives the timelines it calls.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "bench/SampleTimeline.h"

class CameraFilter;
class CameraOutputPin;

class BenchGraph {
public:
    // withClock false: the graph runs without a reference clock, so the
    // renderers present samples at once instead of at their start times.
    BenchGraph(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock);
    ~BenchGraph();
    BenchGraph(const BenchGraph&) = delete;
    BenchGraph& operator=(const BenchGraph&) = delete;

    // S_OK when both pins are connected; otherwise the failed step is named.
    HRESULT Built() const { return m_built; }
    const std::string& FailedStep() const { return m_failedStep; }

    // Whether each pin's sample grabber takes the pin's samples in the pin's
    // own buffers (its input uses the very allocator the pin fills), so that
    // the grabber passes them on in place instead of copying them.
    bool CaptureSharesAllocator() const { return m_captureSharesAllocator; }
    bool PreviewSharesAllocator() const { return m_previewSharesAllocator; }
    // The graph's reference clock, or null (no clock, or not yet chosen: the
    // graph picks one when it is first paused).
    Microsoft::WRL::ComPtr<IReferenceClock> Clock() const;
    // The clock time at stream time 0 of the running graph (clock time minus
    // the filter's stream time, read together); false without a clock.
    bool StreamTimeBase(REFERENCE_TIME* base) const;
    // The running graph's stream time now (as the filter sees it); false
    // without a clock.
    bool StreamTime(REFERENCE_TIME* now) const;

    // Graph control (IMediaControl).
    HRESULT Pause();
    HRESULT Run();
    HRESULT Stop();

    // The filter object behind the graph's capture filter (its controller's
    // frame counters).
    CameraFilter* Filter() const { return m_filterObject; }

private:
    using FilterPtr = Microsoft::WRL::ComPtr<IBaseFilter>;

    HRESULT Build(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock);
    // Adds a sample grabber calling timeline and a null renderer, and renders
    // the pin of the given category through them; hands out the grabber.
    HRESULT RenderPin(const GUID& category, const wchar_t* label, SampleTimeline* timeline, FilterPtr& grabberOut);
    // Whether the sink's input pin uses the allocator the pin fills.
    static bool SharesAllocator(CameraOutputPin* pin, IBaseFilter* sink);

    HRESULT m_built = E_FAIL;
    std::string m_failedStep;
    CameraFilter* m_filterObject = nullptr; // owned by m_filter's reference
    FilterPtr m_filter;
    Microsoft::WRL::ComPtr<IGraphBuilder> m_graph;
    Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> m_builder;
    Microsoft::WRL::ComPtr<IMediaControl> m_control;
    bool m_captureSharesAllocator = false;
    bool m_previewSharesAllocator = false;
};
