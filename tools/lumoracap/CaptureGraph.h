// The filter graph lumoracap runs: the camera's filter in the platform's
// filter graph (graph::SourceGraph), without a reference clock, each of its
// pins rendered through a sample grabber (which hands the program the frames)
// into the platform's null renderer or, for a preview window, its video
// renderer. What it adds to the shared graph: a start that checks the camera
// really opened, and a stop that stops the camera first.
//
// Threading: built, run and stopped on the application's thread; each sample
// grabber calls its FrameGrabber on that pin's streaming thread. Ownership:
// the SourceGraph holds the filters, and each sample grabber a reference on
// its FrameGrabber; the destructor stops the camera, then the SourceGraph
// stops the graph, detaches the callbacks and removes the filters.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "graph/SourceGraph.h"
#include "tools/lumoracap/FrameGrabber.h"

class CaptureGraph {
public:
    using Pin = graph::PinCategory;

    CaptureGraph() = default;
    ~CaptureGraph() { Stop(); }
    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // Creates the graph, without a reference clock (the renderers take every
    // frame as it comes instead of holding it until its time stamp, as a
    // capture must), and adds the device's filter under its name.
    HRESULT Create(IBaseFilter* device, const std::wstring& name);
    // The pin -> a sample grabber calling grabber (when given) -> the video
    // renderer (window) or the null renderer.
    HRESULT Render(Pin pin, FrameGrabber* grabber, bool window);

    // Pauses the graph (the camera opens), then runs it. E_FAIL when the
    // camera did not start; on failure the filters that did start are stopped
    // again.
    HRESULT Run();
    // Stops the camera first, then the rest of the graph.
    HRESULT Stop();

    // The capture pin's frame counts, or null.
    Microsoft::WRL::ComPtr<IAMDroppedFrames> CaptureFrameCounts() const { return sourceGraph.CaptureDroppedFrames(); }
    // The DIB header of the frames the pin's sample grabber receives (its
    // connection type), and, when asked, the frame interval that type
    // announces (100-ns units, 0 for none); false when it has no video
    // format of a pixel format the camera delivers.
    bool GrabbedFormat(Pin pin, BITMAPINFOHEADER* header, REFERENCE_TIME* frameInterval = nullptr) const;

private:
    HRESULT PauseThenRun();

    graph::SourceGraph sourceGraph;
    bool running = false;
};
