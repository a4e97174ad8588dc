// A capture graph built as a capture application builds it (Wine's own filter graph and capture graph builder)
// around a filter from CreateCameraFilter: the capture pin into Wine's AVI mux or a null renderer, the preview pin
// into a null renderer, either through a sample grabber that logs every sample.
#pragma once

#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <atomic>
#include <string>
#include <vector>

#include "graph/SourceGraph.h"
#include "tests/filter/FilterTestSupport.h"
#include "win/ComObject.h"
#include "win/Lock.h"

namespace filtertest {

struct SampleRecord {
    bool hasTimes = false;
    REFERENCE_TIME start = 0, end = 0;
    bool syncPoint = false;
    long size = 0, actualLength = 0;
    bool bottomRowBlack = false; // the frame's first row in memory
    SimStamp stamp = {};
    LONGLONG receivedQpc = 0; // QueryPerformanceCounter in the callback
    bool hasStreamTime = false; // the camera filter's stream time in the callback
    REFERENCE_TIME streamTime = 0;
};

// The sample grabber's callback, which records every sample it is shown. SampleCB runs on a pin's streaming
// thread, the rest on the test's; lock guards the records only.
class SampleLog : public win::ComObject<ISampleGrabberCB> {
public:
    std::vector<SampleRecord> Records();
    size_t Count();
    // Waits until count more samples than now have been recorded; false when they did not come.
    bool WaitForMore(size_t count);
    // From now on, also record the filter's stream time at each sample (the filter outlives the graph's streaming).
    void ReadStreamTimeOf(FilterBase* filter) { streamTimeSource = filter; }
    // The frames come in width x height (3032 x 2016 unless told): where the stamp and the first row are. Set before
    // the graph runs.
    void ReadFramesOf(int width, int height)
    {
        frameWidth = width;
        frameHeight = height;
    }

    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double time, BYTE* buffer, long size) override;

protected:
    ~SampleLog() override = default;

private:
    win::Lock lock;
    std::vector<SampleRecord> records; // under lock
    std::atomic<FilterBase*> streamTimeSource{nullptr};
    std::atomic<int> frameWidth{kFrameWidth};
    std::atomic<int> frameHeight{kFrameHeight};
};

struct GraphPlan {
    // The capture source; null: the graph's own TestFilter (camera).
    IBaseFilter* source = nullptr;
    std::string aviPath;            // empty: the capture pin goes to a null renderer
    // Only without an AVI file: Wine's mux refuses the allocator a grabber passes through (VFW_E_BADALIGN at Run).
    SampleLog* captureLog = nullptr;
    SampleLog* previewLog = nullptr;
    bool connectPreview = true;
    // Without a reference clock the renderers show samples on arrival, not at each capture sample's start time.
    bool withClock = true;
    // The grabbers take video of any subtype, not only 24-bit RGB.
    bool grabAnySubtype = false;
};

// Both pins into null renderers through logging grabbers, without a reference clock: the logs see the pins' pace.
GraphPlan LoggedPlanWithoutClock(SampleLog* captureLog, SampleLog* previewLog);

class CaptureGraph {
public:
    explicit CaptureGraph(const GraphPlan& plan);
    // Stops the graph; the SourceGraph then takes every filter out, which closes an AVI file before the test reads it.
    ~CaptureGraph() { Stop(); }

    // With an AVI file the camera filter is stopped first: Wine's AVI mux crashes when it receives a sample after it
    // has stopped, and the graph stops the mux before the source.
    HRESULT Stop();
    // Runs the graph for the given time and stops it; the run's wall-clock seconds (from Run to the Stop call).
    double RunFor(DWORD milliseconds);
    // When RunFor asked the graph to stop (QueryPerformanceCounter).
    LONGLONG stopRequestedQpc = 0;

    IMediaControl* Control() const { return sourceGraph.Control(); }
    ComPtr<IAMDroppedFrames> CaptureDroppedFrames() const { return sourceGraph.CaptureDroppedFrames(); }

    HRESULT built = E_FAIL; // S_OK when every planned pin was rendered
    TestFilter camera;

private:
    HRESULT Build(const GraphPlan& plan);
    HRESULT AddAviWriter(const std::string& path, ComPtr<IBaseFilter>* mux);

    ComPtr<IBaseFilter> source;     // camera's filter or the plan's source
    graph::SourceGraph sourceGraph; // declared after camera and source: goes before them
    bool writesFile = false;
};

// Pauses the graph and waits for the result: Wine's graph reports S_FALSE at once and a failure through GetState.
HRESULT PauseResult(CaptureGraph& graph);

} // namespace filtertest
