#include "tools/lumoracap/CaptureGraph.h"

#include "filter/FormatLadder.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "win/HResult.h"
#include "win/MediaType.h"

HRESULT CaptureGraph::Create(IBaseFilter* device, const std::wstring& name)
{
    RETURN_IF_FAILED(sourceGraph.Create(device, name.c_str()));
    return sourceGraph.UseClock(graph::ReferenceClock::None);
}

HRESULT CaptureGraph::Render(Pin pin, FrameGrabber* grabber, bool window)
{
    // The grabber takes the pixel format the pin is set to (--format).
    GUID subtype = MEDIASUBTYPE_RGB24;
    Microsoft::WRL::ComPtr<IPin> output = FindPinByCategory(sourceGraph.Source(), pin == Pin::Capture
                                                                                      ? PIN_CATEGORY_CAPTURE
                                                                                      : PIN_CATEGORY_PREVIEW);
    Microsoft::WRL::ComPtr<IAMStreamConfig> config;
    AM_MEDIA_TYPE* current = nullptr;
    if (output && SUCCEEDED(output.As(&config)) && SUCCEEDED(config->GetFormat(&current)) && current) {
        const win::MediaTypePtr owned(current);
        subtype = current->subtype;
    }
    sourceGraph.GrabSubtype(subtype);
    return sourceGraph.RenderPin(pin, grabber, window ? graph::Renderer::Video : graph::Renderer::Null);
}

HRESULT CaptureGraph::Run()
{
    running = true;
    const HRESULT hr = PauseThenRun();
    if (FAILED(hr)) {
        Stop();
    }
    return hr;
}

HRESULT CaptureGraph::PauseThenRun()
{
    // Paused first: that is where the camera opens, and where its failure
    // shows. Wine's graph reports success from Run even when a filter
    // refused to start (and asks it twice), so the camera's own state decides.
    RETURN_IF_FAILED(sourceGraph.Pause());
    FILTER_STATE state = State_Stopped;
    if (FAILED(sourceGraph.Source()->GetState(0, &state)) || state != State_Paused) {
        return E_FAIL;
    }
    return sourceGraph.Run();
}

HRESULT CaptureGraph::Stop()
{
    if (!running) {
        return S_FALSE;
    }
    running = false;
    // The camera first, so that no sample is on its way while the filters
    // downstream stop; the graph then stops the rest (the camera already is).
    if (IBaseFilter* camera = sourceGraph.Source()) {
        camera->Stop();
    }
    return sourceGraph.Stop();
}

bool CaptureGraph::GrabbedFormat(Pin pin, BITMAPINFOHEADER* header, REFERENCE_TIME* frameInterval) const
{
    win::MediaTypeContents type;
    if (FAILED(sourceGraph.GrabbedType(pin, &type))) {
        return false;
    }
    const AM_MEDIA_TYPE& connection = type.Get();
    if (!IsEqualGUID(connection.formattype, FORMAT_VideoInfo) || connection.cbFormat < sizeof(VIDEOINFOHEADER) ||
        !connection.pbFormat) {
        return false;
    }
    const VIDEOINFOHEADER* format = reinterpret_cast<const VIDEOINFOHEADER*>(connection.pbFormat);
    *header = format->bmiHeader;
    if (frameInterval) {
        *frameInterval = format->AvgTimePerFrame;
    }
    PixelFormat pixelFormat;
    return FormatOfHeader(*header, &pixelFormat) && header->biWidth > 0 && header->biHeight != 0;
}
