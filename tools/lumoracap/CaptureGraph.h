// The filter graph lumoracap runs: the camera's filter in the platform's
// filter graph, each of its pins rendered by the capture graph builder
// through a sample grabber (which hands the program the frames) into the
// platform's null renderer or, for a preview window, its video renderer.
//
// Threading: built, run and stopped on the application's thread; each sample
// grabber calls its FrameGrabber on that pin's streaming thread. Ownership:
// holds a reference on every filter it added, and on each FrameGrabber while
// a sample grabber is set to call it; the destructor stops the graph and lets
// go of the callbacks.
#pragma once

#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <string>

#include "tools/lumoracap/FrameGrabber.h"

class CaptureGraph {
public:
    enum class Pin { Capture, Preview };

    CaptureGraph() = default;
    ~CaptureGraph();
    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // Creates the graph and the capture graph builder and adds the device's
    // filter under its name.
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
    Microsoft::WRL::ComPtr<IAMDroppedFrames> CaptureFrameCounts();
    // The DIB header of the frames the pin's sample grabber receives (its
    // connection type); false when it has none with a 24-bit video format.
    bool GrabbedFormat(Pin pin, BITMAPINFOHEADER* header);

private:
    HRESULT AddSampleGrabber(Pin pin, FrameGrabber* grabber, Microsoft::WRL::ComPtr<IBaseFilter>* filter);
    Microsoft::WRL::ComPtr<ISampleGrabber>& GrabberOf(Pin pin);

    Microsoft::WRL::ComPtr<IGraphBuilder> graph;
    Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> builder;
    Microsoft::WRL::ComPtr<IMediaControl> control;
    Microsoft::WRL::ComPtr<IBaseFilter> device;
    Microsoft::WRL::ComPtr<ISampleGrabber> captureGrabber;
    Microsoft::WRL::ComPtr<ISampleGrabber> previewGrabber;
    bool running = false;
};
