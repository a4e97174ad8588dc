// The source driven directly, as the frame server and a media session drive
// it: the events of each state change, what is kept and dropped of pending
// requests, sample tokens, the attributes, and Shutdown with requests pending.
#include <gtest/gtest.h>

#include "mediasource/CameraSource.h"

#include <ksmedia.h>

#include "mediasource/SourceModule.h"
#include "tests/mediasource/SourceTestKit.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/WaitFor.h"

using namespace sourcetest;

namespace {

class SourceEvents : public testenv::SimCameraFixture {
public:
    void SetUp() override
    {
        SimCameraFixture::SetUp();
        ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_LITE), S_OK);
        m_source = NewSource();
        ASSERT_TRUE(m_source);
        ASSERT_EQ(m_source->CreatePresentationDescriptor(&m_descriptor), S_OK);
    }
    void TearDown() override
    {
        m_stream.Reset();
        m_descriptor.Reset();
        if (m_source) {
            m_source->Shutdown();
        }
        m_source.Reset();
        MFShutdown();
        SimCameraFixture::TearDown();
    }
    HRESULT Start(const PROPVARIANT* position = nullptr)
    {
        PROPVARIANT empty;
        PropVariantInit(&empty);
        return m_source->Start(m_descriptor.Get(), nullptr, position ? position : &empty);
    }
    // Source and stream events of one step, the stream taken from MENewStream.
    void ExpectEvents(const std::vector<MediaEventType>& source, const std::vector<MediaEventType>& stream)
    {
        const std::vector<SeenEvent> seen = Drain(m_source.Get(), source.size() + 1, 500);
        EXPECT_EQ(TypesOf(seen), source);
        for (const SeenEvent& event : seen) {
            if (event.type == MENewStream || event.type == MEUpdatedStream) {
                PROPVARIANT value;
                PropVariantInit(&value);
                ASSERT_EQ(event.event->GetValue(&value), S_OK);
                ASSERT_EQ(value.vt, VT_UNKNOWN);
                ComPtr<IMFMediaStream> delivered;
                value.punkVal->QueryInterface(IID_PPV_ARGS(&delivered));
                PropVariantClear(&value);
                if (m_stream) {
                    EXPECT_EQ(delivered.Get(), m_stream.Get());
                }
                m_stream = delivered;
            }
        }
        ASSERT_TRUE(m_stream);
        EXPECT_EQ(TypesOf(Drain(m_stream.Get(), stream.size() + 1, 200)), stream);
    }
    size_t SamplesWithin(DWORD ms, size_t most)
    {
        size_t samples = 0;
        for (const SeenEvent& event : Drain(m_stream.Get(), most, ms)) {
            samples += event.type == MEMediaSample ? 1 : 0;
        }
        return samples;
    }

    ComPtr<IMFMediaSource> m_source;
    ComPtr<IMFPresentationDescriptor> m_descriptor;
    ComPtr<IMFMediaStream> m_stream;
};

TEST_F(SourceEvents, EachStateChangeQueuesALiveSourcesEvents)
{
    PROPVARIANT position;
    PropVariantInit(&position);
    position.vt = VT_I8;
    position.hVal.QuadPart = 5000000;
    struct Step {
        const char* name;
        HRESULT (*act)(SourceEvents&, const PROPVARIANT*);
        std::vector<MediaEventType> source;
        std::vector<MediaEventType> stream;
    };
    const auto start = [](SourceEvents& t, const PROPVARIANT*) { return t.Start(); };
    const auto startAt = [](SourceEvents& t, const PROPVARIANT* at) { return t.Start(at); };
    const auto pause = [](SourceEvents& t, const PROPVARIANT*) { return t.m_source->Pause(); };
    const auto stop = [](SourceEvents& t, const PROPVARIANT*) { return t.m_source->Stop(); };
    const Step steps[] = {
        {"Start", start, {MENewStream, MESourceStarted}, {MEStreamStarted}},
        {"Pause", pause, {MESourcePaused}, {MEStreamPaused}},
        {"Start after Pause", start, {MEUpdatedStream, MESourceStarted}, {MEStreamStarted}},
        {"Stop", stop, {MESourceStopped}, {MEStreamStopped}},
        {"Start at a position", startAt, {MEUpdatedStream, MESourceStarted}, {MEStreamStarted}},
        {"Stop again", stop, {MESourceStopped}, {MEStreamStopped}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(step.act(*this, &position), S_OK);
        ExpectEvents(step.source, step.stream);
    }
}

TEST_F(SourceEvents, RefusesWhatALiveSourceCannotDo)
{
    PROPVARIANT seconds;
    PropVariantInit(&seconds);
    seconds.vt = VT_R8;
    const GUID otherFormat = MF_MT_SUBTYPE;
    PROPVARIANT empty;
    PropVariantInit(&empty);
    EXPECT_EQ(m_source->Pause(), MF_E_INVALID_STATE_TRANSITION);
    EXPECT_EQ(m_source->Start(m_descriptor.Get(), nullptr, &seconds), MF_E_UNSUPPORTED_TIME_FORMAT);
    EXPECT_EQ(m_source->Start(m_descriptor.Get(), &otherFormat, &empty), MF_E_UNSUPPORTED_TIME_FORMAT);
    EXPECT_EQ(m_source->Start(nullptr, nullptr, &empty), E_INVALIDARG);
    DWORD characteristics = 0;
    EXPECT_EQ(m_source->GetCharacteristics(&characteristics), S_OK);
    EXPECT_EQ(characteristics, static_cast<DWORD>(MFMEDIASOURCE_IS_LIVE));
}

TEST_F(SourceEvents, PauseKeepsRequestsStopDropsThemAndTokensComeBack)
{
    ASSERT_EQ(Start(), S_OK);
    ExpectEvents({MENewStream, MESourceStarted}, {MEStreamStarted});
    const ComPtr<IMFAttributes> token = [] {
        ComPtr<IMFAttributes> created;
        MFCreateAttributes(&created, 0);
        return created;
    }();
    ASSERT_EQ(m_source->Pause(), S_OK);
    ExpectEvents({MESourcePaused}, {MEStreamPaused});
    ASSERT_EQ(m_stream->RequestSample(token.Get()), S_OK);
    ASSERT_EQ(m_stream->RequestSample(nullptr), S_OK);
    EXPECT_EQ(SamplesWithin(300, 2), 0u) << "a paused source delivers nothing";

    ASSERT_EQ(Start(), S_OK);
    const std::vector<SeenEvent> delivered = Drain(m_stream.Get(), 3, 3000);
    ASSERT_EQ(TypesOf(delivered), (std::vector<MediaEventType>{MEStreamStarted, MEMediaSample, MEMediaSample}));
    PROPVARIANT value;
    PropVariantInit(&value);
    ASSERT_EQ(delivered[1].event->GetValue(&value), S_OK);
    ComPtr<IMFSample> sample;
    value.punkVal->QueryInterface(IID_PPV_ARGS(&sample));
    PropVariantClear(&value);
    ComPtr<IUnknown> returned;
    ASSERT_EQ(sample->GetUnknown(MFSampleExtension_Token, IID_PPV_ARGS(&returned)), S_OK);
    EXPECT_EQ(returned.Get(), static_cast<IUnknown*>(token.Get()));
    Drain(m_source.Get(), 10, 100);

    ASSERT_EQ(m_source->Pause(), S_OK);
    ASSERT_EQ(m_stream->RequestSample(nullptr), S_OK);
    ASSERT_EQ(m_source->Stop(), S_OK);
    EXPECT_EQ(m_stream->RequestSample(nullptr), MF_E_MEDIA_SOURCE_WRONGSTATE);
    ASSERT_EQ(Start(), S_OK);
    EXPECT_EQ(SamplesWithin(400, 10), 0u) << "Stop dropped the request";
}

TEST_F(SourceEvents, AttributesNameAColourCaptureStreamTheFrameServerMayShare)
{
    ComPtr<IMFAttributes> source;
    ComPtr<IMFMediaSourceEx> extended;
    ASSERT_EQ(m_source.As(&extended), S_OK);
    ASSERT_EQ(extended->GetSourceAttributes(&source), S_OK);
    GUID sourceType = GUID_NULL;
    EXPECT_EQ(source->GetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, &sourceType), S_OK);
    EXPECT_EQ(sourceType, MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID);

    ComPtr<IMFStreamDescriptor> descriptor;
    BOOL selected = FALSE;
    ASSERT_EQ(m_descriptor->GetStreamDescriptorByIndex(0, &selected, &descriptor), S_OK);
    EXPECT_TRUE(selected);
    ComPtr<IMFAttributes> stream;
    ASSERT_EQ(extended->GetStreamAttributes(0, &stream), S_OK);
    for (IMFAttributes* attributes : {stream.Get(), static_cast<IMFAttributes*>(descriptor.Get())}) {
        GUID category = GUID_NULL;
        EXPECT_EQ(attributes->GetGUID(LUMORA_MF_DEVICESTREAM_STREAM_CATEGORY, &category), S_OK);
        EXPECT_EQ(category, LUMORA_PINNAME_VIDEO_CAPTURE);
        EXPECT_EQ(MFGetAttributeUINT32(attributes, LUMORA_MF_DEVICESTREAM_STREAM_ID, 99), 0u);
        EXPECT_EQ(MFGetAttributeUINT32(attributes, LUMORA_MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES, 0),
                  kLumoraFrameSourceTypesColor);
        EXPECT_EQ(MFGetAttributeUINT32(attributes, LUMORA_MF_DEVICESTREAM_FRAMESERVER_SHARED, 0), 1u);
    }
    ComPtr<IMFAttributes> none;
    EXPECT_EQ(extended->GetStreamAttributes(1, &none), MF_E_INVALIDSTREAMNUMBER);

    ComPtr<IMFGetService> services;
    ASSERT_EQ(m_source.As(&services), S_OK);
    ComPtr<IUnknown> service;
    EXPECT_EQ(services->GetService(MF_MT_SUBTYPE, IID_PPV_ARGS(&service)), MF_E_UNSUPPORTED_SERVICE);
    ComPtr<IKsControl> controls;
    ASSERT_EQ(m_source.As(&controls), S_OK);
    KSPROPERTY other = {};
    other.Set = MF_MT_SUBTYPE; // no property set of the camera's
    ULONG returned = 1;
    LONG data = 0;
    EXPECT_EQ(controls->KsProperty(&other, sizeof other, &data, sizeof data, &returned),
              HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND));
    KSPROPERTY_VIDEOPROCAMP_S brightness = {};
    brightness.Property.Set = {STATIC_PROPSETID_VIDCAP_VIDEOPROCAMP};
    brightness.Property.Id = KSPROPERTY_VIDEOPROCAMP_BRIGHTNESS;
    brightness.Property.Flags = KSPROPERTY_TYPE_GET;
    KSPROPERTY_VIDEOPROCAMP_S answer = {};
    EXPECT_EQ(controls->KsProperty(&brightness.Property, sizeof brightness, &answer, sizeof answer, &returned), S_OK)
        << "a camera control through the source object";
    EXPECT_EQ(returned, sizeof answer);
    ComPtr<IMFSampleAllocatorControl> allocation;
    ASSERT_EQ(m_source.As(&allocation), S_OK);
    DWORD input = 9;
    LumoraSampleAllocatorUsage usage = kLumoraAllocatorDoesNotAllocate;
    EXPECT_EQ(allocation->GetAllocatorUsage(0, &input, &usage), S_OK);
    EXPECT_EQ(usage, kLumoraAllocatorUsesProvided);
    EXPECT_EQ(allocation->GetAllocatorUsage(1, &input, &usage), MF_E_INVALIDSTREAMNUMBER);
}

TEST_F(SourceEvents, AnAllocatorHandedInServesTheSamplesAndTheStreamStateGatesDelivery)
{
    ComPtr<IMFVideoSampleAllocator> allocator;
    ASSERT_EQ(MFCreateVideoSampleAllocatorEx(IID_PPV_ARGS(&allocator)), S_OK);
    ComPtr<IMFVideoSampleAllocatorCallback> pool;
    ASSERT_EQ(allocator.As(&pool), S_OK);
    ComPtr<IMFSampleAllocatorControl> allocation;
    ASSERT_EQ(m_source.As(&allocation), S_OK);
    ASSERT_EQ(allocation->SetDefaultAllocator(0, allocator.Get()), S_OK);
    ASSERT_EQ(Start(), S_OK);
    ExpectEvents({MENewStream, MESourceStarted}, {MEStreamStarted});
    ComPtr<IMFMediaStream2> stream;
    ASSERT_EQ(m_stream.As(&stream), S_OK);
    LumoraStreamState state = kLumoraStreamStateStopped;
    ASSERT_EQ(stream->GetStreamState(&state), S_OK);
    EXPECT_EQ(state, kLumoraStreamStateRunning);

    ASSERT_EQ(stream->SetStreamState(kLumoraStreamStatePaused), S_OK);
    ASSERT_EQ(m_stream->RequestSample(nullptr), S_OK);
    EXPECT_EQ(SamplesWithin(300, 1), 0u) << "a paused stream delivers nothing";
    ASSERT_EQ(stream->SetStreamState(kLumoraStreamStateRunning), S_OK);
    {
        std::vector<SeenEvent> delivered = Drain(m_stream.Get(), 1, 3000);
        ASSERT_EQ(TypesOf(delivered), std::vector<MediaEventType>{MEMediaSample});
        LONG free = -1;
        ASSERT_EQ(pool->GetFreeSampleCount(&free), S_OK);
        EXPECT_GE(free, 0);
        const LONG held = free;
        ComPtr<IMFSample> sample;
        PROPVARIANT value;
        PropVariantInit(&value);
        ASSERT_EQ(delivered[0].event->GetValue(&value), S_OK);
        ASSERT_EQ(value.punkVal->QueryInterface(IID_PPV_ARGS(&sample)), S_OK);
        PropVariantClear(&value);
        EXPECT_EQ(SampleBytes(sample.Get()).size(), 1920u * 1080 * 3 / 2);
        sample.Reset();
        delivered[0].event.Reset();
        // The allocator takes its sample back on a work queue of its own.
        EXPECT_TRUE(testenv::WaitFor([&] { return SUCCEEDED(pool->GetFreeSampleCount(&free)) && free == held + 1; }))
            << "the sample was the allocator's and goes back to it; free " << free << ", held " << held;
    }

    ASSERT_EQ(stream->SetStreamState(kLumoraStreamStateStopped), S_OK);
    EXPECT_EQ(m_stream->RequestSample(nullptr), MF_E_MEDIA_SOURCE_WRONGSTATE);
    EXPECT_EQ(stream->SetStreamState(static_cast<LumoraStreamState>(7)), E_INVALIDARG);
    ASSERT_EQ(m_source->Stop(), S_OK);
    EXPECT_EQ(stream->SetStreamState(kLumoraStreamStateRunning), MF_E_INVALID_STATE_TRANSITION);
}

TEST_F(SourceEvents, ShutdownWithRequestsPendingEndsEverythingAndLaterCallsAnswerShutdown)
{
    const testenv::CountsBaseline counts;
    ASSERT_EQ(Start(), S_OK);
    ExpectEvents({MENewStream, MESourceStarted}, {MEStreamStarted});
    ASSERT_EQ(m_source->Pause(), S_OK);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(m_stream->RequestSample(nullptr), S_OK);
    }
    const ULONGLONG before = GetTickCount64();
    ASSERT_EQ(m_source->Shutdown(), S_OK);
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_TRUE(testenv::Called(testenv::JournalText(), "CameraUnInit()")) << "the camera is closed";

    ComPtr<IMFMediaEvent> event;
    ComPtr<IMFPresentationDescriptor> descriptor;
    DWORD characteristics = 0;
    PROPVARIANT empty;
    PropVariantInit(&empty);
    const HRESULT later[] = {
        m_source->Shutdown(),
        m_source->Start(m_descriptor.Get(), nullptr, &empty),
        m_source->Pause(),
        m_source->Stop(),
        m_source->GetCharacteristics(&characteristics),
        m_source->CreatePresentationDescriptor(&descriptor),
        m_source->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event),
        m_stream->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event),
        m_stream->RequestSample(nullptr),
    };
    for (size_t i = 0; i < sizeof later / sizeof later[0]; ++i) {
        EXPECT_EQ(later[i], MF_E_SHUTDOWN) << "call " << i;
    }
    m_stream.Reset();
    m_descriptor.Reset();
    m_source.Reset();
    EXPECT_EQ(mediasource::LiveObjects(), 0);
    EXPECT_TRUE(counts.Restored());
}

} // namespace
