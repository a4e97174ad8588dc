// The media source as a program that uses it gets it, for the benchmark's
// and the soak's media-source modes: LumoraMediaSource.dll loaded from the
// program's own folder by full path, and new sources made by its class
// factory (DllGetClassObject for CLSID_LumoraMediaSource), with Media
// Foundation started for the process. No registration is needed: the
// factory is the one CoCreateInstance would reach.
//
// Each source comes from a class factory asked for anew and released at
// once, as CoCreateInstance does, so that DllCanUnloadNow tells whether any
// object of the module is still alive.
//
// Threading: the program's main thread; the sources it makes are
// free-threaded. Ownership: holds the module; it goes in the destructor,
// before Media Foundation is shut down.
#pragma once

#include <windows.h>

#include <mfidl.h>
#include <wrl/client.h>

class MediaSourceModule {
public:
    MediaSourceModule();
    // Unloads the module, then shuts Media Foundation down.
    ~MediaSourceModule();
    MediaSourceModule(const MediaSourceModule&) = delete;
    MediaSourceModule& operator=(const MediaSourceModule&) = delete;

    // S_OK once Media Foundation runs and the factory is at hand; otherwise
    // why not (the module missing, an export missing, MFStartup failing).
    HRESULT Ready() const { return m_ready; }
    // A new source; its owner shuts it down before releasing it.
    HRESULT Create(Microsoft::WRL::ComPtr<IMFMediaSource>* source) const;
    // The module's DllCanUnloadNow: true once no object of it is alive.
    bool CanUnloadNow() const;

private:
    HRESULT Load();

    bool m_started = false; // MFStartup succeeded
    HMODULE m_module = nullptr;
    HRESULT(STDAPICALLTYPE* m_canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT m_ready = E_FAIL;
};

// Waits up to timeoutMs for an event of type from generator, dropping the
// events of other types before it (a source's and a stream's queues are
// drained this way, so they never grow). S_OK with the event in *event
// (when given); MF_E_NO_EVENTS_AVAILABLE on time-out; the event's failure
// status when it carries one; GetEvent's failure.
HRESULT WaitForMediaEvent(IMFMediaEventGenerator* generator, MediaEventType type, DWORD timeoutMs,
                          Microsoft::WRL::ComPtr<IMFMediaEvent>* event = nullptr);
// Drops every queued event of generator.
void DrainMediaEvents(IMFMediaEventGenerator* generator);
