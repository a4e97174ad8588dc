#include "tests/mediasource/SourceTestKit.h"

#include "mediasource/CameraSource.h"

namespace sourcetest {

ComPtr<IMFMediaSource> NewSource()
{
    ComPtr<IMFMediaSource> source;
    EXPECT_EQ(mediasource::CreateCameraSource(IID_PPV_ARGS(&source)), S_OK);
    return source;
}

std::vector<SeenEvent> Drain(IMFMediaEventGenerator* generator, size_t count, DWORD timeoutMs)
{
    std::vector<SeenEvent> seen;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (seen.size() < count && GetTickCount64() < deadline) {
        SeenEvent next;
        if (FAILED(generator->GetEvent(MF_EVENT_FLAG_NO_WAIT, &next.event))) {
            Sleep(5);
            continue;
        }
        next.event->GetType(&next.type);
        next.event->GetStatus(&next.status);
        seen.push_back(next);
    }
    return seen;
}

std::vector<MediaEventType> TypesOf(const std::vector<SeenEvent>& events)
{
    std::vector<MediaEventType> types;
    for (const SeenEvent& event : events) {
        types.push_back(event.type);
    }
    return types;
}

ComPtr<IMFMediaStream> StreamFrom(const std::vector<SeenEvent>& events)
{
    ComPtr<IMFMediaStream> stream;
    for (const SeenEvent& event : events) {
        PROPVARIANT value;
        PropVariantInit(&value);
        if ((event.type == MENewStream || event.type == MEUpdatedStream) && SUCCEEDED(event.event->GetValue(&value)) &&
            value.vt == VT_UNKNOWN && value.punkVal) {
            value.punkVal->QueryInterface(IID_PPV_ARGS(&stream));
        }
        PropVariantClear(&value);
    }
    return stream;
}

StartOutcome StartNewSource(ComPtr<IMFMediaSource>* kept)
{
    StartOutcome outcome;
    const ComPtr<IMFMediaSource> source = NewSource();
    ComPtr<IMFPresentationDescriptor> descriptor;
    source->CreatePresentationDescriptor(&descriptor);
    PROPVARIANT empty;
    PropVariantInit(&empty);
    const ULONGLONG before = GetTickCount64();
    outcome.result = source->Start(descriptor.Get(), nullptr, &empty);
    outcome.ms = GetTickCount64() - before;
    outcome.events = Drain(source.Get(), 3, 300);
    if (kept) {
        *kept = source;
    } else {
        source->Shutdown();
    }
    return outcome;
}

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

bool SdkBesideProgram()
{
    std::wstring folder = ProgramPath();
    folder.resize(folder.find_last_of(L'\\') + 1);
    return GetFileAttributesW((folder + L"ZorvikSDK.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
BOOL CALLBACK NoteVisibleWindowOfThisProcess(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}
} // namespace

bool ProcessShowsAWindow()
{
    bool shown = false;
    EnumWindows(NoteVisibleWindowOfThisProcess, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

Bytes SampleBytes(IMFSample* sample)
{
    ComPtr<IMFMediaBuffer> buffer;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer)) || FAILED(buffer->Lock(&data, nullptr, &length))) {
        return Bytes();
    }
    Bytes bytes(data, data + length);
    buffer->Unlock();
    return bytes;
}

} // namespace sourcetest
