// BenchGraph: the graph the benchmark measures, built as a capture
// application builds it (graph::SourceGraph: the platform's own filter graph
// and capture graph builder) around the capture filter, made with
// CreateCameraFilter and linked into this program, with each of its two pins
// rendered into a null renderer through a sample grabber whose callback is
// that pin's SampleTimeline. What it adds to the shared graph: whether the
// grabbers take the pins' own buffers, and the clock and stream time.
//
// Threading: built, run and stopped on the bench's main thread (COM
// initialised as a multithreaded apartment). The timelines are called on the
// pins' streaming threads while the graph runs.
//
// Ownership: the SourceGraph owns the filters and each grabber a reference on
// its timeline; when it goes it stops the graph and removes every filter, so
// no filter outlives what it calls. m_filter keeps the camera filter (and
// m_filterObject) until after that.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "bench/SampleTimeline.h"
#include "camera/PixelFormat.h"
#include "graph/SourceGraph.h"

class CameraFilter;
class CameraOutputPin;

// A format a pin of the bench's graph is set to before it connects.
struct PinFormat {
    bool chosen = false; // false: the pin keeps its own (RGB24, 3032 x 2016)
    PixelFormat format = PixelFormat::Rgb24;
    int width = 0;
    int height = 0;
};

class BenchGraph {
public:
    // withClock false: the graph runs without a reference clock, so the
    // renderers present samples at once instead of at their start times.
    // captureFormat, previewFormat: where chosen, the pin is set through its
    // IAMStreamConfig to the listed type of that format and size (at the
    // camera's rate) before it connects, and its sample grabber takes that
    // format's subtype. A null previewTimeline leaves the preview pin
    // unconnected.
    BenchGraph(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock,
               const PinFormat& captureFormat = PinFormat(), const PinFormat& previewFormat = PinFormat());
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
    Microsoft::WRL::ComPtr<IReferenceClock> Clock() const { return m_graph.Clock(); }
    // The clock time at stream time 0 of the running graph (clock time minus
    // the filter's stream time, read together); false without a clock.
    bool StreamTimeBase(REFERENCE_TIME* base) const;
    // The running graph's stream time now (as the filter sees it); false
    // without a clock.
    bool StreamTime(REFERENCE_TIME* now) const;

    // Graph control (IMediaControl).
    HRESULT Pause() { return m_graph.Pause(); }
    HRESULT Run() { return m_graph.Run(); }
    HRESULT Stop() { return m_graph.Stop(); }

    // The allocator each pin fills (null before it connects, and for an
    // unconnected preview pin).
    IMemAllocator* CaptureAllocator() const;
    IMemAllocator* PreviewAllocator() const;

    // The filter object behind the graph's capture filter (its controller's
    // frame counters).
    CameraFilter* Filter() const { return m_filterObject; }

private:
    HRESULT Build(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock,
                  const PinFormat& captureFormat, const PinFormat& previewFormat);
    // Sets pin to its listed type of format's format and size (the camera's
    // own rate) through its IAMStreamConfig.
    static HRESULT SetPinFormat(CameraOutputPin* pin, const PinFormat& format);
    // Connects the pin of category through a sample grabber of its format.
    HRESULT RenderPin(graph::PinCategory category, SampleTimeline* timeline, const PinFormat& format);
    // Names step as the failed one when hr is a failure; returns hr.
    HRESULT Step(HRESULT hr, const char* step);
    // Whether the sink's input pin uses the allocator the pin fills.
    static bool SharesAllocator(CameraOutputPin* pin, IBaseFilter* sink);

    HRESULT m_built = E_FAIL;
    std::string m_failedStep;
    Microsoft::WRL::ComPtr<IBaseFilter> m_filter;
    CameraFilter* m_filterObject = nullptr; // owned by m_filter's reference
    graph::SourceGraph m_graph;             // declared after m_filter: goes before it
    bool m_captureSharesAllocator = false;
    bool m_previewSharesAllocator = false;
};
