// An output pin with a worker thread of its own that produces samples: while
// the filter is paused or running, the worker takes empty samples from the
// connection's allocator, has the derived pin fill them (FillSample) and
// delivers them downstream.
//
// Worker protocol (WorkerMain): the worker first waits for CommandInit
// (CommandExit ends the thread, every other command is answered
// E_UNEXPECTED), runs OnWorkerStart and answers
// with its result (a failure ends the thread after OnWorkerEnd). Then
// CommandPause/CommandRun start StreamingLoop, CommandStop is answered,
// CommandExit ends the thread after OnWorkerEnd; other values are answered
// E_NOTIMPL. While streaming, CommandPause/CommandRun are answered at once,
// CommandStop ends the loop and is answered by the idle wait (exactly once),
// other commands are answered E_UNEXPECTED.
//
// Threading contract:
// - GoActive and GoInactive run on the caller's thread holding StateLock (the
//   filter lock, which is also this pin's lock; the filter's Pause and Stop
//   already hold it) while they send commands and while GoInactive joins the
//   worker.
// - The worker itself never takes StateLock, and neither may FillSample,
//   OnStreamingStart or anything they call, or Stop deadlocks.
// - GoInactive decommits the allocator before it sends CommandStop, so a
//   worker blocked in GetEmptySample fails out of it, sleeps 1 ms and sees
//   the pending command; a worker blocked in a downstream Receive sees it as
//   soon as Receive returns.
// - accessLock (WorkerThread) serialises the command exchange and guards the
//   thread; it is taken under StateLock, never the other way round.
//
// Ownership: the stream belongs to its SourceFilterBase (plain back pointer):
// its constructor hands it to the filter's stream array (see *result), the
// filter destroys it, and its destructor takes it out of the array. Its
// references are the filter's. The samples of StreamingLoop are held by
// ComPtr for one fill and delivery each.
#pragma once

#include "framework/OutputPinBase.h"
#include "framework/WorkerThread.h"

class SourceFilterBase;

class SourceStreamBase : public WorkerThread, public OutputPinBase {
public:
    // *result receives the result of adding the stream to the filter: on a
    // failure the filter does not own the stream, and its creator destroys it.
    SourceStreamBase(const wchar_t* objectName, HRESULT* result, SourceFilterBase* filter, const wchar_t* pinName);
    ~SourceStreamBase() override;

    // The pin id: the stream's index + 1 in decimal ("1", "2", ...), in task
    // memory for the caller to free.
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;

    // Commits the allocator and starts the worker (CommandInit, CommandPause).
    // On a failure nothing is left behind: a worker whose OnWorkerStart
    // failed is joined at once, so a later Pause can try again, and the
    // allocator is decommitted.
    HRESULT GoActive() override;
    // Decommits the allocator, stops and joins the worker. The worker is
    // stopped and joined even when the allocator refuses to decommit; that
    // failure is returned.
    HRESULT GoInactive() override;
    // Default: accepts exactly the type GetSingleMediaType gives.
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override;
    // Default: the single type at position 0, nothing after it.
    HRESULT GetMediaType(int position, MediaTypeRecord* type) override;

    DWORD WorkerMain() override;

    // Hooks for the derived pin. FillSample runs on the worker thread and
    // must not take StateLock. S_OK delivers the sample, S_FALSE ends the
    // stream, a failure ends it and reports EC_ERRORABORT to the graph.
    virtual HRESULT FillSample(IMediaSample* sample) = 0;
    // On the worker thread when it starts (CommandInit) / ends.
    virtual HRESULT OnWorkerStart();
    virtual HRESULT OnWorkerEnd();
    // On the worker thread each time streaming starts.
    virtual HRESULT OnStreamingStart();
    // Fills and delivers samples until a command arrives, a delivery is
    // refused or a fill ends the stream.
    virtual HRESULT StreamingLoop();
    // The pin's one media type. Default: E_UNEXPECTED.
    virtual HRESULT GetSingleMediaType(MediaTypeRecord* type);

    SourceFilterBase* SourceFilter() const { return sourceFilter; }

private:
    // Starts the worker and brings it to streaming; a worker that fails on
    // the way is joined. The allocator is the caller's.
    HRESULT StartWorker();
    // Stops and joins the worker, if there is one; the first failed answer.
    HRESULT StopWorker();

    SourceFilterBase* const sourceFilter; // owner, no reference
};
