// The sample grabber's callback on one pin's path: counts the frames that
// pass, hands each to a recorder (which writes the AVI file on its own
// thread) while recording, and, when asked, keeps a copy of one of them (a
// whole frame is copied only on request).
//
// Threading: SampleCB runs on the streaming thread that delivers into the
// sample grabber; the other methods on the application's thread. lock guards
// the recorder, the request and the copy, and is held while a frame is handed
// to the recorder, so that once RecordInto(nullptr) returns no frame reaches
// it; the recorder's own queue lock is the only one taken under it. The
// frame count is atomic.
// Ownership: made with win::MakeComObject; reference counted, the sample
// grabber holds one reference while it is set to call it. The recorder is
// the caller's.
#pragma once

#include <dshow.h>
#include <qedit.h>

#include <atomic>
#include <vector>

#include "tools/lumoracap/FrameRecorder.h"
#include "win/ComObject.h"
#include "win/Event.h"
#include "win/Lock.h"

class FrameGrabber final : public win::ComObject<ISampleGrabberCB> {
public:
    FrameGrabber() = default;

    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, LONG length) override;

    // Frames that passed so far.
    long Frames() const { return frames.load(); }

    // Hands every frame that passes to recorder (null: stops recording). The
    // recorder must stay until recording stops or the graph has stopped.
    void RecordInto(FrameRecorder* recorder);

    // Asks for a copy of the frame that arrives after skip more frames.
    void RequestCopy(int skip);
    // Signalled when the requested copy is ready.
    HANDLE CopyReady() const { return copied.Get(); }
    // Hands over the requested copy; false when there is none (yet).
    bool TakeCopy(std::vector<BYTE>* frame);

private:
    ~FrameGrabber() override = default;

    std::atomic<long> frames{0};
    win::Lock lock;
    win::Event copied{win::Event::Mode::ManualReset}; // the copy is ready
    FrameRecorder* recorder = nullptr; // under lock
    bool requested = false;          // under lock
    int skip = 0;                    // under lock
    std::vector<BYTE> copy;          // under lock
};
