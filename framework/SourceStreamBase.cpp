#include "framework/SourceStreamBase.h"

#include <dshow.h>
#include <wrl/client.h>

#include "framework/SourceFilterBase.h"
#include "win/HResult.h"
#include "win/TaskMemory.h"

namespace {

// Writes the decimal text of a positive number (at most 10 digits) and a
// terminator into text.
void FormatPinId(wchar_t* text, unsigned number)
{
    wchar_t digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (count > 0) {
        *text++ = digits[--count];
    }
    *text = L'\0';
}

} // namespace

SourceStreamBase::SourceStreamBase(const wchar_t* objectName, HRESULT* result, SourceFilterBase* filter,
                                   const wchar_t* pinName)
    : WorkerThread(), OutputPinBase(objectName, filter, &filter->StateLock(), pinName), sourceFilter(filter)
{
    const HRESULT added = filter->AddStream(this);
    if (result) {
        *result = added;
    }
}

SourceStreamBase::~SourceStreamBase()
{
    sourceFilter->RemoveStream(this);
}

HRESULT STDMETHODCALLTYPE SourceStreamBase::QueryId(LPWSTR* id)
{
    if (!id) {
        return E_POINTER;
    }
    const int index = sourceFilter->FindStreamIndex(Pin());
    if (index < 0) {
        return VFW_E_NOT_FOUND;
    }
    // Room for any index in decimal and the terminator.
    win::TaskMemoryPtr<wchar_t> text = win::AllocateTaskMemory<wchar_t>(11);
    if (!text) {
        return E_OUTOFMEMORY;
    }
    FormatPinId(text.get(), static_cast<unsigned>(index) + 1);
    *id = text.release();
    return S_OK;
}

HRESULT SourceStreamBase::GoActive()
{
    win::LockGuard guard(sourceFilter->StateLock());
    if (sourceFilter->IsActive()) {
        return S_FALSE;
    }
    if (!IsConnected()) {
        return S_OK; // an unconnected stream starts no thread
    }
    RETURN_IF_FAILED(OutputPinBase::GoActive());
    const HRESULT started = StartWorker();
    if (FAILED(started)) {
        // The filter stays Stopped and no Stop will reach this pin: give the
        // buffers back now (a frame-sized allocator holds tens of megabytes).
        OutputPinBase::GoInactive();
    }
    return started;
}

HRESULT SourceStreamBase::StartWorker()
{
    if (!StartThread()) {
        return E_FAIL;
    }
    const HRESULT initialised = SendCommand(CommandInit);
    if (FAILED(initialised)) {
        // The worker has run OnWorkerEnd and is ending: join it now, so that
        // the next Pause can start a new one.
        JoinThread();
        return initialised;
    }
    const HRESULT paused = SendCommand(CommandPause);
    if (FAILED(paused)) {
        StopWorker();
    }
    return paused;
}

HRESULT SourceStreamBase::GoInactive()
{
    win::LockGuard guard(sourceFilter->StateLock());
    if (!IsConnected()) {
        return S_OK;
    }
    // Decommit first: a worker waiting for a free sample fails out of
    // GetBuffer and then sees the command. The worker is stopped and joined
    // whether or not the allocator agreed: a filter that reports Stopped has
    // no worker left, and its camera is closed.
    const HRESULT decommitted = OutputPinBase::GoInactive();
    const HRESULT stopped = StopWorker();
    return FAILED(decommitted) ? decommitted : stopped;
}

HRESULT SourceStreamBase::StopWorker()
{
    if (!HasThread()) {
        return S_OK;
    }
    // Both commands are sent whatever the answers: the worker ends on
    // CommandExit in every phase, so the join below returns.
    const HRESULT stopped = SendCommand(CommandStop);
    const HRESULT exited = SendCommand(CommandExit);
    JoinThread();
    return FAILED(stopped) ? stopped : exited;
}

HRESULT SourceStreamBase::CheckType(const AM_MEDIA_TYPE* type)
{
    if (!type) {
        return E_POINTER;
    }
    win::LockGuard guard(sourceFilter->StateLock());
    MediaTypeRecord single;
    GetSingleMediaType(&single);
    return single.SameType(*type) ? S_OK : E_FAIL;
}

HRESULT SourceStreamBase::GetMediaType(int position, MediaTypeRecord* type)
{
    win::LockGuard guard(sourceFilter->StateLock());
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (position > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    return GetSingleMediaType(type);
}

HRESULT SourceStreamBase::GetSingleMediaType(MediaTypeRecord* /*type*/)
{
    return E_UNEXPECTED;
}

HRESULT SourceStreamBase::OnWorkerStart()
{
    return S_OK;
}

HRESULT SourceStreamBase::OnWorkerEnd()
{
    return S_OK;
}

HRESULT SourceStreamBase::OnStreamingStart()
{
    return S_OK;
}

DWORD SourceStreamBase::WorkerMain()
{
    for (DWORD command = WaitCommand(); command != CommandInit; command = WaitCommand()) {
        if (command == CommandExit) {
            // Nothing was started, so there is nothing to end.
            ReplyCommand(S_OK);
            return 0;
        }
        ReplyCommand(E_UNEXPECTED);
    }
    const HRESULT started = OnWorkerStart();
    if (FAILED(started)) {
        OnWorkerEnd();
        ReplyCommand(started);
        return 1;
    }
    ReplyCommand(S_OK);

    DWORD command;
    do {
        command = WaitCommand();
        switch (command) {
        case CommandPause:
        case CommandRun:
            ReplyCommand(S_OK);
            StreamingLoop();
            break;
        case CommandStop:
        case CommandExit:
            ReplyCommand(S_OK);
            break;
        default:
            ReplyCommand(E_NOTIMPL);
            break;
        }
    } while (command != CommandExit);

    return FAILED(OnWorkerEnd()) ? 1 : 0;
}

HRESULT SourceStreamBase::StreamingLoop()
{
    OnStreamingStart();
    for (;;) {
        DWORD command;
        while (!PeekCommand(&command)) {
            Microsoft::WRL::ComPtr<IMediaSample> sample;
            if (FAILED(GetEmptySample(sample.GetAddressOf(), nullptr, nullptr, 0)) || !sample) {
                Sleep(1);
                continue;
            }
            const HRESULT filled = FillSample(sample.Get());
            if (filled == S_OK) {
                if (SendSample(sample.Get()) != S_OK) {
                    return S_OK;
                }
                continue;
            }
            sample.Reset(); // back to the allocator before the stream ends
            SendEndOfStream();
            if (filled == S_FALSE) {
                return S_OK;
            }
            FilterBase* owner = Filter();
            owner->PostGraphEvent(EC_ERRORABORT, filled, 0);
            return filled;
        }
        switch (command) {
        case CommandPause:
        case CommandRun:
            ReplyCommand(S_OK);
            break;
        case CommandStop:
            // Left pending: the worker's idle wait sees it and answers it.
            return S_FALSE;
        default:
            ReplyCommand(E_UNEXPECTED);
            break;
        }
    }
}
