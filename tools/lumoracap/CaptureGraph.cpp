#include "tools/lumoracap/CaptureGraph.h"

#include "tools/lumoracap/PlatformClasses.h"

using Microsoft::WRL::ComPtr;

CaptureGraph::~CaptureGraph()
{
    Stop();
    for (ISampleGrabber* grabber : {captureGrabber.Get(), previewGrabber.Get()}) {
        if (grabber) {
            grabber->SetCallback(nullptr, 0);
        }
    }
}

HRESULT CaptureGraph::Create(IBaseFilter* deviceFilter, const std::wstring& name)
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    if (SUCCEEDED(hr)) {
        hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder));
    }
    if (SUCCEEDED(hr)) {
        hr = builder->SetFiltergraph(graph.Get());
    }
    if (SUCCEEDED(hr)) {
        hr = graph.As(&control);
    }
    // No reference clock: the renderers take every frame as it comes instead
    // of holding it until its time stamp, as a capture must.
    ComPtr<IMediaFilter> timing;
    if (SUCCEEDED(hr)) {
        hr = graph.As(&timing);
    }
    if (SUCCEEDED(hr)) {
        hr = timing->SetSyncSource(nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = graph->AddFilter(deviceFilter, name.c_str());
    }
    if (SUCCEEDED(hr)) {
        device = deviceFilter;
    }
    return hr;
}

ComPtr<ISampleGrabber>& CaptureGraph::GrabberOf(Pin pin)
{
    return pin == Pin::Capture ? captureGrabber : previewGrabber;
}

HRESULT CaptureGraph::AddSampleGrabber(Pin pin, FrameGrabber* grabber, ComPtr<IBaseFilter>* filter)
{
    ComPtr<ISampleGrabber>& sampleGrabber = GrabberOf(pin);
    HRESULT hr = CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&*filter));
    if (SUCCEEDED(hr)) {
        hr = filter->As(&sampleGrabber);
    }
    if (SUCCEEDED(hr)) {
        AM_MEDIA_TYPE type = {};
        type.majortype = MEDIATYPE_Video;
        type.subtype = MEDIASUBTYPE_RGB24;
        hr = sampleGrabber->SetMediaType(&type);
    }
    if (SUCCEEDED(hr)) {
        hr = sampleGrabber->SetBufferSamples(FALSE);
    }
    if (SUCCEEDED(hr)) {
        hr = sampleGrabber->SetCallback(grabber, 0); // 0: SampleCB
    }
    if (SUCCEEDED(hr)) {
        hr = graph->AddFilter(filter->Get(), pin == Pin::Capture ? L"Capture Grabber" : L"Preview Grabber");
    }
    return hr;
}

HRESULT CaptureGraph::Render(Pin pin, FrameGrabber* grabber, bool window)
{
    ComPtr<IBaseFilter> grabberFilter;
    HRESULT hr = grabber ? AddSampleGrabber(pin, grabber, &grabberFilter) : S_OK;
    ComPtr<IBaseFilter> renderer;
    if (SUCCEEDED(hr) && !window) {
        hr = CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer));
        if (SUCCEEDED(hr)) {
            hr = graph->AddFilter(renderer.Get(), pin == Pin::Capture ? L"Capture Renderer" : L"Preview Renderer");
        }
    }
    if (SUCCEEDED(hr)) {
        // Without a renderer given, the builder adds the default video renderer.
        hr = builder->RenderStream(pin == Pin::Capture ? &PIN_CATEGORY_CAPTURE : &PIN_CATEGORY_PREVIEW,
                                   &MEDIATYPE_Video, device.Get(), grabberFilter.Get(), renderer.Get());
    }
    return hr;
}

HRESULT CaptureGraph::Run()
{
    running = true;
    // Paused first: that is where the camera opens, and where its failure
    // shows. Wine's graph reports success from Run even when a filter
    // refused to start (and asks it twice), so the camera's own state decides.
    HRESULT hr = control->Pause();
    FILTER_STATE state = State_Stopped;
    if (SUCCEEDED(hr) && (FAILED(device->GetState(0, &state)) || state != State_Paused)) {
        hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        hr = control->Run();
    }
    if (FAILED(hr)) {
        Stop();
    }
    return hr;
}

HRESULT CaptureGraph::Stop()
{
    if (!running) {
        return S_FALSE;
    }
    running = false;
    // The camera first, so that no sample is on its way while the filters
    // downstream stop; the graph then stops the rest (the camera already is).
    device->Stop();
    return control->Stop();
}

ComPtr<IAMDroppedFrames> CaptureGraph::CaptureFrameCounts()
{
    ComPtr<IAMDroppedFrames> counts;
    if (builder && device) {
        builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, device.Get(), IID_PPV_ARGS(&counts));
    }
    return counts;
}

bool CaptureGraph::GrabbedFormat(Pin pin, BITMAPINFOHEADER* header)
{
    ComPtr<ISampleGrabber>& sampleGrabber = GrabberOf(pin);
    AM_MEDIA_TYPE type = {};
    if (!sampleGrabber || FAILED(sampleGrabber->GetConnectedMediaType(&type))) {
        return false;
    }
    bool known = false;
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat >= sizeof(VIDEOINFOHEADER) &&
        type.pbFormat) {
        *header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
        known = header->biBitCount == 24 && header->biWidth > 0 && header->biHeight != 0;
    }
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk) {
        type.pUnk->Release();
    }
    return known;
}
