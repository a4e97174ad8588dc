// SourceGraph: a source filter in the platform's filter graph, its pins
// rendered by the platform's capture graph builder, as a capture application
// builds it.
//
// Each pin is rendered by its category (capture or preview), optionally
// through the platform's sample grabber, which hands every sample to an
// ISampleGrabberCB (SampleCB, callback mode 0: the sample itself, no copy;
// the grabber keeps none either). The stream ends in the platform's null
// renderer, in the default video renderer (a window), or in a sink filter the
// caller has added (an AVI mux).
//
// Threading: built, run, stopped and destroyed on one thread at a time (the
// owner's); it takes no lock. A grabber calls its callback on the streaming
// thread of its pin while the graph is paused or running.
//
// Ownership: the graph holds every filter added to it; SourceGraph holds the
// graph, the builder, the source and each pin's grabber and renderer. A
// sample grabber holds a reference on its callback until the graph goes. The
// destructor stops the graph, detaches the callbacks and removes every filter,
// so that no filter outlives what it calls (a callback, an open file).
#pragma once

#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include "win/MediaType.h"

namespace graph {

// The pins of a capture source, by their pin category; Any is the output of
// a source that has no categories (a file source, which the builder renders
// through the splitter its stream needs).
enum class PinCategory { Capture, Preview, Any };

// The renderer RenderPin puts at the end of a pin's stream.
enum class Renderer {
    Null,  // the platform's null renderer: takes every sample, shows nothing
    Video, // the default video renderer (a window), added by the builder
};

// The graph's reference clock.
enum class ReferenceClock {
    Default, // the clock the graph would pick at its first Pause, chosen now
    None,    // no clock: renderers present samples as they come, not at their times
};

class SourceGraph {
public:
    SourceGraph() = default;
    // Stops the graph, detaches the grabbers' callbacks and removes every filter.
    ~SourceGraph();
    SourceGraph(const SourceGraph&) = delete;
    SourceGraph& operator=(const SourceGraph&) = delete;

    // Creates the filter graph and the capture graph builder and adds source
    // under name. Called once, first.
    HRESULT Create(IBaseFilter* source, const wchar_t* name);

    // Adds a filter of the caller's (a sink) under name.
    HRESULT AddFilter(IBaseFilter* filter, const wchar_t* name);
    // Creates a platform filter of classId and adds it under name.
    HRESULT AddNewFilter(REFCLSID classId, const wchar_t* name, Microsoft::WRL::ComPtr<IBaseFilter>* filter);

    // The grabbers added from now on accept video of this subtype only
    // (24-bit RGB unless told); GUID_NULL: video of any subtype.
    void GrabSubtype(const GUID& subtype) { m_grabbedSubtype = subtype; }

    // The source's pin -> a sample grabber calling grabberCallback (when not
    // null; it accepts video of the subtype GrabSubtype gave) -> renderer.
    HRESULT RenderPin(PinCategory pin, ISampleGrabberCB* grabberCallback, Renderer renderer);
    // The same into sink, a filter already in the graph.
    HRESULT RenderPinInto(PinCategory pin, ISampleGrabberCB* grabberCallback, IBaseFilter* sink);

    HRESULT UseClock(ReferenceClock clock);
    // The graph's reference clock, or null (none, or not chosen yet).
    Microsoft::WRL::ComPtr<IReferenceClock> Clock() const;

    // The graph's IMediaControl; E_UNEXPECTED before Create.
    HRESULT Pause();
    HRESULT Run();
    HRESULT Stop();

    // The connection type of the pin's sample grabber (what it is shown);
    // E_UNEXPECTED when the pin has no grabber.
    HRESULT GrabbedType(PinCategory pin, win::MediaTypeContents* type) const;
    // The capture pin's frame counts, or null.
    Microsoft::WRL::ComPtr<IAMDroppedFrames> CaptureDroppedFrames() const;

    IBaseFilter* Source() const { return m_source.Get(); }
    // The pin's sample grabber and the filter its stream ends in (the
    // renderer made by RenderPin or the caller's sink); null when there is
    // none, and for the default video renderer, which the builder chooses.
    IBaseFilter* GrabberOf(PinCategory pin) const { return Rendered(pin).grabberFilter.Get(); }
    IBaseFilter* SinkOf(PinCategory pin) const { return Rendered(pin).sink.Get(); }
    IMediaControl* Control() const { return m_control.Get(); }
    ICaptureGraphBuilder2* Builder() const { return m_builder.Get(); }

private:
    GUID m_grabbedSubtype = MEDIASUBTYPE_RGB24;

    struct RenderedPin {
        Microsoft::WRL::ComPtr<IBaseFilter> grabberFilter;
        Microsoft::WRL::ComPtr<ISampleGrabber> grabber;
        Microsoft::WRL::ComPtr<IBaseFilter> sink;
    };

    HRESULT AddSampleGrabber(PinCategory pin, ISampleGrabberCB* callback);
    void RemoveEveryFilter();
    RenderedPin& Rendered(PinCategory pin) { return m_pins[static_cast<int>(pin)]; }
    const RenderedPin& Rendered(PinCategory pin) const { return m_pins[static_cast<int>(pin)]; }

    Microsoft::WRL::ComPtr<IGraphBuilder> m_graph;
    Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> m_builder;
    Microsoft::WRL::ComPtr<IMediaControl> m_control;
    Microsoft::WRL::ComPtr<IBaseFilter> m_source;
    RenderedPin m_pins[3]; // by PinCategory
};

} // namespace graph
