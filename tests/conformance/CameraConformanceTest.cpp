// What a capture application may rely on: the camera among the video input devices, captured to an AVI file that
// plays back the very frames captured, previewed, its formats and pages, graphs built and torn down again and again.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <vector>

#include "filter/LumoraGuids.h"
#include "framework/MediaTypeRecord.h"
#include "tests/conformance/ConformanceSupport.h"
#include "tests/module/FilterModule.h"
#include "tests/pages/PropertyFrameSession.h"
#include "tests/pages/RecordingPageSite.h"
#include "tests/support/FrameSizes.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/UnixTools.h"
#include "tests/support/VideoTypeKit.h"
#include "tests/support/WaitFor.h"
#include "win/ComObject.h"
#include "win/MediaType.h"
#include "win/TaskMemory.h"
#include "win/Window.h"

using namespace conformance;
using filtertest::SampleLog;
using filtertest::SampleRecord;
using graph::PinCategory;

namespace {

const int kWidth = filtertest::kFrameWidth;
const int kHeight = filtertest::kFrameHeight;

std::vector<uint32_t> SequencesOf(const std::vector<SampleRecord>& records)
{
    std::vector<uint32_t> sequences;
    for (const SampleRecord& record : records) {
        if (filtertest::IsStamp(record.stamp)) {
            sequences.push_back(record.stamp.sequence);
        }
    }
    return sequences;
}

// One capture to a file for the capture and playback cases: capture pin into the AVI mux, preview pin into a null
// renderer. The capture pin counts what it delivered (IAMDroppedFrames): a sample grabber cannot sit before Wine's mux.
struct FileCapture {
    std::string path;
    HRESULT built = E_FAIL;
    long delivered = -1;
    LONGLONG runQpc = 0;     // before Run
    LONGLONG stoppedQpc = 0; // once the graph had stopped
};

const FileCapture& CaptureOnce()
{
    static FileCapture capture;
    static bool done = false;
    if (done) {
        return capture;
    }
    done = true;
    capture.path = testenv::TempPath("conformance.avi");
    DeleteFileA(capture.path.c_str());
    const ComPtr<IBaseFilter> camera = OpenCamera();
    filtertest::GraphPlan plan;
    plan.source = camera.Get();
    plan.aviPath = capture.path;
    filtertest::CaptureGraph graph(plan);
    capture.built = graph.built;
    if (FAILED(graph.built)) {
        return capture;
    }
    capture.runQpc = filtertest::QpcNow();
    // Up to 45 frames of 18 MB keep the file below 1 GiB, past which Wine's mux writes an OpenDML extension whose
    // index once disagreed with the first one on a loaded machine. The camera's delivery is checked here, not that.
    graph.RunFor(1500);
    capture.stoppedQpc = filtertest::QpcNow();
    const ComPtr<IAMDroppedFrames> counts = graph.CaptureDroppedFrames();
    EXPECT_TRUE(counts && counts->GetNumNotDropped(&capture.delivered) == S_OK);
    return capture; // the graph goes first, closing the file
}

class Conformance : public ConformanceTest {
public:
    static void TearDownTestSuite() { DeleteFileA(testenv::TempPath("conformance.avi").c_str()); }
};

TEST_F(Conformance, CaptureToFileWritesAnAviOfTheCapturedFrames)
{
    const FileCapture& capture = CaptureOnce();
    ASSERT_EQ(S_OK, capture.built);
    const testenv::VideoProbe probe = testenv::Ffprobe(capture.path);
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ("avi", probe.format);
    EXPECT_EQ("rawvideo", probe.codec) << probe.report;
    EXPECT_EQ("bgr24", probe.pixFmt) << probe.report;
    EXPECT_EQ(kWidth, probe.width);
    EXPECT_EQ(kHeight, probe.height);
    // One stored frame per delivered sample; the last one may still have been on its way at Stop.
    EXPECT_GE(capture.delivered, 3) << "a busy machine delivers fewer, but some";
    EXPECT_LE(probe.frames, capture.delivered);
    EXPECT_GE(probe.frames, capture.delivered - 1);
}

// The camera stamps of an AVI file's stored frames in file order, read by ffmpeg (a tool nobody here wrote).
std::vector<SimStamp> StoredStamps(const std::string& path)
{
    std::vector<SimStamp> stamps;
    const std::string raw = testenv::TempPath("stored-frames.bgr");
    std::string output;
    // vflip puts the rows back in the file's bottom-up memory order, where the stamp sits at row height / 2.
    const int status = testenv::RunUnixCommand("ffmpeg -v error -y -i '" + testenv::UnixPath(path) +
                                                   "' -vf vflip -f rawvideo -pix_fmt bgr24 '" +
                                                   testenv::UnixPath(raw) + "'",
                                               &output);
    EXPECT_EQ(0, status) << output;
    FILE* file = std::fopen(raw.c_str(), "rb");
    if (!file) {
        return stamps;
    }
    std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 3);
    while (std::fread(frame.data(), 1, frame.size(), file) == frame.size()) {
        stamps.push_back(testenv::StampOf(frame, kWidth, kHeight));
    }
    std::fclose(file);
    DeleteFileA(raw.c_str());
    return stamps;
}

TEST_F(Conformance, CaptureThenPlaybackShowsTheCapturedFramesInOrder)
{
    const FileCapture& capture = CaptureOnce();
    ASSERT_EQ(S_OK, capture.built);
    testenv::AllowTestToRun(180000);

    // The file plays through the platform's graph to its end, in whole frames.
    const ComPtr<SampleLog> played = win::MakeComObject<SampleLog>();
    ASSERT_EQ(S_OK, PlayBack(capture.path, played.Get(), 90000));
    const std::vector<SampleRecord> playedSamples = played->Records();
    ASSERT_FALSE(playedSamples.empty());
    for (const SampleRecord& sample : playedSamples) {
        EXPECT_EQ(kWidth * kHeight * 3, sample.actualLength);
    }

    // The stored frames are the delivered ones, in order, none twice. ffmpeg reads them: Wine 8's splitter hands
    // over more samples than the file holds, their bytes shifted (see kPlaybackShowsStoredFrames).
    const std::vector<SimStamp> stored =
        kPlaybackShowsStoredFrames ? std::vector<SimStamp>() : StoredStamps(capture.path);
    std::vector<SampleRecord> frames;
    if (kPlaybackShowsStoredFrames) {
        frames = playedSamples;
    } else {
        for (const SimStamp& stamp : stored) {
            SampleRecord frame;
            frame.stamp = stamp;
            frames.push_back(frame);
        }
    }
    const std::vector<uint32_t> sequences = SequencesOf(frames);
    std::printf("%ld frames captured, %zu stored, %zu samples played back\n", capture.delivered, frames.size(),
                playedSamples.size());
    EXPECT_EQ(frames.size(), sequences.size()) << "a frame without the camera's stamp in the file";
    ASSERT_GE(static_cast<long>(frames.size()), capture.delivered - 1);
    EXPECT_LE(static_cast<long>(frames.size()), capture.delivered);
    EXPECT_TRUE(std::adjacent_find(sequences.begin(), sequences.end(), std::greater_equal<uint32_t>()) ==
                sequences.end())
        << "a frame stored twice or out of order";
    for (const SampleRecord& frame : frames) {
        const LONGLONG produced = static_cast<LONGLONG>(frame.stamp.qpc);
        EXPECT_TRUE(produced > capture.runQpc && produced < capture.stoppedQpc)
            << "frame " << frame.stamp.sequence << " was not produced during the capture";
    }
}

TEST_F(Conformance, PreviewShowsFramesInAVideoWindow)
{
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    const ComPtr<SampleLog> previewed = win::MakeComObject<SampleLog>();
    graph::SourceGraph preview;
    ASSERT_EQ(S_OK, preview.Create(camera.Get(), L"Lumora Camera"));
    ASSERT_EQ(S_OK, preview.RenderPin(PinCategory::Preview, previewed.Get(), graph::Renderer::Video));
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(S_OK,
              preview.Control()->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(window.GetAddressOf())));
    ASSERT_TRUE(SUCCEEDED(preview.Run()));
    EXPECT_TRUE(testenv::WaitFor([&] { return previewed->Count() >= 10; }, 20000));
    long visible = OAFALSE;
    EXPECT_EQ(S_OK, window->get_Visible(&visible));
    EXPECT_EQ(OATRUE, visible);
    long width = 0, height = 0;
    EXPECT_EQ(S_OK, window->get_Width(&width));
    EXPECT_EQ(S_OK, window->get_Height(&height));
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(S_OK, preview.Stop());

    // Preview samples carry frames but no times: a renderer shows them as they come.
    const std::vector<SampleRecord> records = previewed->Records();
    ASSERT_FALSE(records.empty());
    for (const SampleRecord& record : records) {
        EXPECT_FALSE(record.hasTimes);
        EXPECT_EQ(kWidth * kHeight * 3, record.size);
    }
    EXPECT_GE(SequencesOf(records).size() + 1, records.size()) << "preview frames without the camera's picture";
}

struct Shape {
    GUID subtype = GUID_NULL;
    LONG width = 0, height = 0;
    WORD bitCount = 0;
};

Shape ShapeOf(const AM_MEDIA_TYPE& type)
{
    Shape shape;
    shape.subtype = type.subtype;
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
        shape.width = header.biWidth;
        shape.height = header.biHeight;
        shape.bitCount = header.biBitCount;
    }
    return shape;
}

win::MediaTypePtr CurrentFormat(IAMStreamConfig* config)
{
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(S_OK, config->GetFormat(&type));
    return win::MediaTypePtr(type);
}

const GUID* const kPinCategories[] = {&PIN_CATEGORY_CAPTURE, &PIN_CATEGORY_PREVIEW};

const char* PinName(const GUID* category)
{
    return category == &PIN_CATEGORY_CAPTURE ? "capture pin" : "preview pin";
}

struct Capability {
    win::MediaTypePtr type;
    VIDEO_STREAM_CONFIG_CAPS caps = {};
};

// Every capability the pin lists, in order; failures are recorded.
std::vector<Capability> CapabilitiesOf(IAMStreamConfig* config)
{
    int count = 0, size = 0;
    EXPECT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);
    std::vector<Capability> listed;
    for (int index = 0; index < count; ++index) {
        Capability capability;
        AM_MEDIA_TYPE* type = nullptr;
        EXPECT_EQ(S_OK, config->GetStreamCaps(index, &type, reinterpret_cast<BYTE*>(&capability.caps))) << index;
        capability.type.reset(type);
        if (!capability.type) {
            break;
        }
        listed.push_back(std::move(capability));
    }
    return listed;
}

TEST_F(Conformance, StreamConfigListsEveryCapabilityOnBothPins)
{
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    for (const GUID* category : kPinCategories) {
        SCOPED_TRACE(PinName(category));
        const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get(), *category);
        ASSERT_TRUE(config);
        const std::vector<Capability> listed = CapabilitiesOf(config.Get());
        ASSERT_FALSE(listed.empty());
        const win::MediaTypePtr current = CurrentFormat(config.Get());
        ASSERT_TRUE(current);
        bool currentListed = false;
        for (const Capability& capability : listed) {
            SCOPED_TRACE(&capability - listed.data());
            const AM_MEDIA_TYPE& type = *capability.type;
            const VIDEO_STREAM_CONFIG_CAPS& caps = capability.caps;
            EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, type.majortype));
            EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, caps.guid));
            const Shape shape = ShapeOf(type);
            ASSERT_GT(shape.width, 0) << "no VIDEOINFOHEADER";
            // One of the formats clients know, samples of exactly one frame.
            const testenv::FormatFacts* facts = nullptr;
            for (const testenv::FormatFacts* known :
                 {&testenv::kRgb24Facts, &testenv::kRgb32Facts, &testenv::kYuy2Facts, &testenv::kNv12Facts,
                  &testenv::kI420Facts, &testenv::kY800Facts}) {
                facts = IsEqualGUID(known->subtype, type.subtype) ? known : facts;
            }
            ASSERT_NE(nullptr, facts) << "an unknown subtype";
            EXPECT_EQ(facts->bitCount, shape.bitCount);
            EXPECT_EQ(testenv::FrameBytesOf(*facts, shape.width, shape.height), type.lSampleSize);
            const VIDEOINFOHEADER* format = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
            EXPECT_GT(format->AvgTimePerFrame, 0) << "the frame interval is announced";
            // A fixed size at any interval the capabilities allow.
            EXPECT_EQ(shape.width, caps.InputSize.cx);
            EXPECT_EQ(shape.height, caps.InputSize.cy);
            EXPECT_EQ(caps.MinOutputSize.cx, caps.MaxOutputSize.cx);
            EXPECT_EQ(caps.MinOutputSize.cy, caps.MaxOutputSize.cy);
            EXPECT_LE(caps.MinFrameInterval, format->AvgTimePerFrame);
            EXPECT_GE(caps.MaxFrameInterval, format->AvgTimePerFrame);
            currentListed = currentListed || SameType(type, *current);
        }
        EXPECT_TRUE(currentListed) << "GetFormat gives a type GetStreamCaps does not list";
        // Past the end: no type and no failure.
        AM_MEDIA_TYPE* none = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps = {};
        const int pastTheEnd = static_cast<int>(listed.size());
        EXPECT_EQ(S_FALSE, config->GetStreamCaps(pastTheEnd, &none, reinterpret_cast<BYTE*>(&caps)));
        EXPECT_EQ(nullptr, none);
        EXPECT_TRUE(FAILED(config->GetStreamCaps(0, nullptr, reinterpret_cast<BYTE*>(&caps))));
    }
}

TEST_F(Conformance, StreamConfigSetFormatRoundTripsEveryDeliverableType)
{
    // Without a settings file the camera reads out its whole sensor: every listed size deliverable, uncropped.
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    for (const GUID* category : kPinCategories) {
        SCOPED_TRACE(PinName(category));
        const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get(), *category);
        ASSERT_TRUE(config);
        Shape largest, last;
        for (const Capability& capability : CapabilitiesOf(config.Get())) {
            const Shape shape = ShapeOf(*capability.type);
            ASSERT_EQ(S_OK, config->SetFormat(capability.type.get()));
            const win::MediaTypePtr read = CurrentFormat(config.Get());
            ASSERT_TRUE(read);
            EXPECT_TRUE(SameType(*capability.type, *read)) << "GetFormat does not give back what SetFormat took";
            if (shape.width * shape.height > largest.width * largest.height) {
                largest = shape;
            }
            last = shape;
        }
        EXPECT_EQ(3264, largest.width);
        EXPECT_EQ(2448, largest.height);
        // A pin set to a format connects with it: the last one set.
        graph::SourceGraph connected;
        ASSERT_EQ(S_OK, connected.Create(camera.Get(), L"Lumora Camera"));
        connected.GrabSubtype(GUID_NULL); // whatever the format set
        const ComPtr<SampleLog> log = win::MakeComObject<SampleLog>();
        const PinCategory pin = category == &PIN_CATEGORY_CAPTURE ? PinCategory::Capture : PinCategory::Preview;
        ASSERT_EQ(S_OK, connected.RenderPin(pin, log.Get(), graph::Renderer::Null));
        win::MediaTypeContents grabbed;
        ASSERT_EQ(S_OK, connected.GrabbedType(pin, &grabbed));
        const Shape connectedShape = ShapeOf(grabbed.Get());
        EXPECT_TRUE(IsEqualGUID(last.subtype, connectedShape.subtype));
        EXPECT_EQ(last.width, connectedShape.width);
        EXPECT_EQ(last.height, connectedShape.height);
    }
}

// A malformed or undeliverable variant of the pin's current format.
struct Refusal {
    const char* what;
    void (*spoil)(AM_MEDIA_TYPE* type, win::TaskMemoryPtr<BYTE>* keep);
};

void FormatBlockWithoutMemory(AM_MEDIA_TYPE* type, win::TaskMemoryPtr<BYTE>* keep)
{
    keep->reset(type->pbFormat); // freed by the test, not by the type
    type->pbFormat = nullptr;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
}

void EmptyFormatBlock(AM_MEDIA_TYPE* type, win::TaskMemoryPtr<BYTE>* keep)
{
    keep->reset(type->pbFormat);
    type->pbFormat = nullptr;
    type->cbFormat = 0;
}

// The type's 24-bit frame at another size.
template <LONG width, LONG height>
void FrameOfSize(AM_MEDIA_TYPE* type, win::TaskMemoryPtr<BYTE>*)
{
    BITMAPINFOHEADER& header = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    header.biWidth = width;
    header.biHeight = height;
    header.biSizeImage = width * height * 3;
    type->lSampleSize = header.biSizeImage;
}

void SixteenBitPixels(AM_MEDIA_TYPE* type, win::TaskMemoryPtr<BYTE>*)
{
    BITMAPINFOHEADER& header = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    type->subtype = MEDIASUBTYPE_RGB565;
    header.biBitCount = 16;
    header.biSizeImage = header.biWidth * header.biHeight * 2;
    type->lSampleSize = header.biSizeImage;
}

void FiftyFramesPerSecond(AM_MEDIA_TYPE* type, win::TaskMemoryPtr<BYTE>*)
{
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = 200000;
}

// Every refusal leaves the format, the camera and the settings file as they were.
void ExpectRefusalsChangeNothing(IBaseFilter* camera, const Refusal* refusals, size_t count)
{
    for (const GUID* category : kPinCategories) {
        const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera, *category);
        ASSERT_TRUE(config);
        const win::MediaTypePtr before = CurrentFormat(config.Get());
        ASSERT_TRUE(before);
        const std::string file = filtertest::SettingsFileBytes();
        SimClearJournal();
        for (size_t i = 0; i < count; ++i) {
            const Refusal& refusal = refusals[i];
            SCOPED_TRACE(std::string(PinName(category)) + ": " + refusal.what);
            win::MediaTypePtr spoilt = CurrentFormat(config.Get());
            ASSERT_TRUE(spoilt);
            win::TaskMemoryPtr<BYTE> keep;
            refusal.spoil(spoilt.get(), &keep);
            const HRESULT hr = config->SetFormat(spoilt.get());
            EXPECT_TRUE(FAILED(hr));
            if (keep == nullptr) { // well-formed: the pin cannot deliver it
                EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, hr);
            }
            const win::MediaTypePtr after = CurrentFormat(config.Get());
            ASSERT_TRUE(after);
            EXPECT_TRUE(SameType(*before, *after)) << "a refused type changed the format";
        }
        EXPECT_EQ(std::vector<std::string>{}, filtertest::CameraSettingChanges()) << "a refusal changed the camera";
        EXPECT_EQ(file, filtertest::SettingsFileBytes()) << "a refusal changed the settings file";
    }
}

TEST_F(Conformance, StreamConfigRefusesMalformedAndUndeliverableTypesAndKeepsTheFormat)
{
    const Refusal refusals[] = {
        {"a format block of 88 bytes at a null pointer", &FormatBlockWithoutMemory},
        {"no format block", &EmptyFormatBlock},
        {"800 x 600 (on no list)", &FrameOfSize<800, 600>},
        {"16-bit pixels", &SixteenBitPixels},
        {"50 frames per second", &FiftyFramesPerSecond},
    };
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    ExpectRefusalsChangeNothing(camera.Get(), refusals, sizeof(refusals) / sizeof(refusals[0]));

    // The binned read-out (index 1, stored before the filter is made) has no full-sensor image to give.
    filtertest::StoreResolution(1);
    const ComPtr<IBaseFilter> binned = OpenCamera();
    ASSERT_TRUE(binned);
    const Refusal fullSensor[] = {
        {"the full sensor's 3264 x 2448 at index 1", &FrameOfSize<testenv::kFullWidth, testenv::kFullHeight>}};
    ExpectRefusalsChangeNothing(binned.Get(), fullSensor, 1);
}

// Frames per second and the median spacing of the capture stamps (ms) over
// the samples that arrived from skip seconds after the first one on.
struct Pace {
    double framesPerSecond = 0, stampSpacingMs = 0;
};

Pace PaceOf(const std::vector<SampleRecord>& records, double skipSeconds)
{
    Pace pace;
    if (records.size() < 3) {
        return pace;
    }
    std::vector<double> spacings;
    size_t first = records.size();
    for (size_t i = 0; i < records.size(); ++i) {
        if (filtertest::QpcSeconds(records[i].receivedQpc - records.front().receivedQpc) < skipSeconds) {
            continue;
        }
        first = std::min(first, i);
        if (i > first && records[i].hasTimes && records[i - 1].hasTimes) {
            spacings.push_back(static_cast<double>(records[i].start - records[i - 1].start) / 10000.0);
        }
    }
    if (records.size() - first < 3) {
        return pace;
    }
    const double seconds = filtertest::QpcSeconds(records.back().receivedQpc - records[first].receivedQpc);
    pace.framesPerSecond = static_cast<double>(records.size() - first - 1) / seconds;
    if (!spacings.empty()) {
        std::nth_element(spacings.begin(), spacings.begin() + spacings.size() / 2, spacings.end());
        pace.stampSpacingMs = spacings[spacings.size() / 2];
    }
    return pace;
}

win::MediaTypePtr ListedType(IAMStreamConfig* config, LONG width, REFERENCE_TIME interval)
{
    for (Capability& capability : CapabilitiesOf(config)) {
        if (ShapeOf(*capability.type).width == width) {
            reinterpret_cast<VIDEOINFOHEADER*>(capability.type->pbFormat)->AvgTimePerFrame = interval;
            return std::move(capability.type);
        }
    }
    return nullptr;
}

TEST_F(Conformance, StreamConfigFullSizeCaptureBesideThePreviewDeliversDistinctWholeImages)
{
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    const ComPtr<IAMStreamConfig> capture = StreamConfigOf(camera.Get(), PIN_CATEGORY_CAPTURE);
    ASSERT_TRUE(capture);
    const win::MediaTypePtr full = ListedType(capture.Get(), 3264, 0);
    ASSERT_TRUE(full);
    ASSERT_EQ(S_OK, capture->SetFormat(full.get()));

    const ComPtr<SampleLog> captured = win::MakeComObject<SampleLog>();
    const ComPtr<SampleLog> previewed = win::MakeComObject<SampleLog>();
    captured->ReadFramesOf(3264, 2448);
    filtertest::GraphPlan plan = filtertest::LoggedPlanWithoutClock(captured.Get(), previewed.Get());
    plan.source = camera.Get();
    filtertest::CaptureGraph graph(plan);
    ASSERT_EQ(S_OK, graph.built);
    graph.RunFor(2000);

    // Whole images, each a camera frame of its own, in order.
    const std::vector<SampleRecord> records = captured->Records();
    const std::vector<uint32_t> sequences = SequencesOf(records);
    EXPECT_GE(sequences.size(), 10u);
    EXPECT_GE(sequences.size() + 1, records.size()) << "capture samples without the camera's stamp";
    for (const SampleRecord& record : records) {
        EXPECT_EQ(3264 * 2448 * 3, record.actualLength);
    }
    for (size_t i = 1; i < sequences.size(); ++i) {
        EXPECT_LT(sequences[i - 1], sequences[i]) << "sample " << i << " repeats or goes back";
    }
    // The preview pin delivers its own 3032 x 2016 frames of the same camera.
    const std::vector<SampleRecord> preview = previewed->Records();
    EXPECT_GE(SequencesOf(preview).size(), 10u);
    for (const SampleRecord& record : preview) {
        EXPECT_EQ(kWidth * kHeight * 3, record.actualLength);
    }
}

TEST_F(Conformance, StreamConfigRateOf666666DeliversAboutFifteenFramesPerSecond)
{
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    const ComPtr<IAMStreamConfig> capture = StreamConfigOf(camera.Get(), PIN_CATEGORY_CAPTURE);
    ASSERT_TRUE(capture);
    const win::MediaTypePtr slow = ListedType(capture.Get(), kWidth, 666666);
    ASSERT_TRUE(slow);
    SimClearJournal();
    ASSERT_EQ(S_OK, capture->SetFormat(slow.get()));
    // The camera's frame speed, as the page's "Normal": at once, and stored.
    const std::vector<std::string> changes = filtertest::CameraSettingChanges();
    EXPECT_NE(std::find(changes.begin(), changes.end(), "CameraSetFrameSpeed(2)"), changes.end());
    CameraConfig stored;
    ASSERT_EQ(1, stored.LoadFromFile());
    EXPECT_EQ(2, stored.m_FrameSpeed);

    const ComPtr<SampleLog> captured = win::MakeComObject<SampleLog>();
    const ComPtr<SampleLog> previewed = win::MakeComObject<SampleLog>();
    filtertest::GraphPlan plan = filtertest::LoggedPlanWithoutClock(captured.Get(), previewed.Get());
    plan.source = camera.Get();
    filtertest::CaptureGraph graph(plan);
    ASSERT_EQ(S_OK, graph.built);
    graph.RunFor(4000);

    const Pace capturePace = PaceOf(captured->Records(), 0.5);
    EXPECT_GT(capturePace.framesPerSecond, 12.0);
    EXPECT_LT(capturePace.framesPerSecond, 16.5);
    EXPECT_GT(capturePace.stampSpacingMs, 60.0);
    EXPECT_LT(capturePace.stampSpacingMs, 73.0);
    const Pace previewPace = PaceOf(previewed->Records(), 0.5);
    RecordProperty("capture_fps", std::to_string(capturePace.framesPerSecond));
    RecordProperty("capture_stamp_spacing_ms", std::to_string(capturePace.stampSpacingMs));
    RecordProperty("preview_fps", std::to_string(previewPace.framesPerSecond));
    EXPECT_GT(previewPace.framesPerSecond, 12.0);
    EXPECT_LT(previewPace.framesPerSecond, 16.5);
    const std::vector<uint32_t> sequences = SequencesOf(captured->Records());
    for (size_t i = 1; i < sequences.size(); ++i) {
        EXPECT_LT(sequences[i - 1], sequences[i]);
    }
}

std::vector<CLSID> PagesOf(IUnknown* object)
{
    ComPtr<ISpecifyPropertyPages> specify;
    CAUUID pages = {};
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&specify))) || FAILED(specify->GetPages(&pages))) {
        return {};
    }
    const win::TaskMemoryPtr<GUID> owned(pages.pElems);
    return std::vector<CLSID>(pages.pElems, pages.pElems + pages.cElems);
}

TEST_F(Conformance, PropertyPagesOpenInThePropertyFrameAndApply)
{
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    const ComPtr<IPin> capture = PinOf(camera.Get(), PIN_CATEGORY_CAPTURE);
    ASSERT_TRUE(capture);
    const struct {
        const char* name;
        IUnknown* object;
        CLSID page;
    } owners[] = {
        {"the filter", camera.Get(), CLSID_CameraSettingsPage},
        {"the capture pin", capture.Get(), CLSID_FormatPage},
    };
    for (const auto& owner : owners) {
        SCOPED_TRACE(owner.name);
        const std::vector<CLSID> pages = PagesOf(owner.object);
        ASSERT_EQ(1u, pages.size());
        EXPECT_TRUE(IsEqualGUID(owner.page, pages[0]));

        // Each page as a frame drives it: made by the registered module, shown on its site, applied, taken down.
        {
            ComPtr<IPropertyPage> page;
            ASSERT_EQ(S_OK, CoCreateInstance(pages[0], nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&page)));
            const ComPtr<RecordingPageSite> site = win::MakeComObject<RecordingPageSite>();
            PROPPAGEINFO info = {};
            info.cb = sizeof(info);
            ASSERT_EQ(S_OK, page->GetPageInfo(&info));
            const win::TaskMemoryPtr<wchar_t> title(info.pszTitle), doc(info.pszDocString), help(info.pszHelpFile);
            EXPECT_TRUE(title && title.get()[0]) << "a page without a title";
            EXPECT_GT(info.size.cx, 0);
            EXPECT_GT(info.size.cy, 0);
            const win::UniqueWindow parent(CreateWindowExW(0, L"STATIC", L"Lumora Camera pages", WS_OVERLAPPEDWINDOW, 0,
                                                           0, 640, 480, nullptr, nullptr, nullptr, nullptr));
            ASSERT_TRUE(parent);
            IUnknown* objects[] = {owner.object};
            ASSERT_EQ(S_OK, page->SetPageSite(site.Get()));
            ASSERT_EQ(S_OK, page->SetObjects(1, objects));
            const RECT area = {0, 0, info.size.cx, info.size.cy};
            ASSERT_EQ(S_OK, page->Activate(parent.Get(), &area, FALSE));
            EXPECT_EQ(S_OK, page->Show(SW_SHOW));
            EXPECT_EQ(S_OK, page->Apply());
            EXPECT_EQ(S_FALSE, page->IsPageDirty()) << "dirty after Apply";
            EXPECT_EQ(S_OK, page->Deactivate());
            EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
            EXPECT_EQ(S_OK, page->SetPageSite(nullptr));
        }

        // The platform's property frame opens on the object with its page and closes with OK.
        PropertyFrameSession frame(owner.object, {{pages[0], nullptr}});
        ASSERT_TRUE(frame.ok()) << "the property frame did not appear";
        ASSERT_TRUE(frame.TabControl());
        EXPECT_EQ(1, static_cast<int>(SendMessageW(frame.TabControl(), TCM_GETITEMCOUNT, 0, 0)));
        EXPECT_TRUE(frame.CloseWith("OK"));
        EXPECT_EQ(S_OK, frame.FrameResult());
    }
}

TEST_F(Conformance, GraphRebuilt200TimesLetsTheModuleUnloadAfterEach)
{
    const int kRebuilds = 200;
    testenv::AllowTestToRun(600000);
    int baseHandles = 0, baseThreads = 0;
    for (int round = 0; round <= kRebuilds; ++round) {
        {
            // By its class id through the registered module: the system device
            // enumerator of Wine 8 keeps a few handles per enumeration.
            ComPtr<IBaseFilter> camera;
            ASSERT_EQ(S_OK, CoCreateInstance(CLSID_LumoraCameraFilter, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_PPV_ARGS(&camera)))
                << "round " << round;
            graph::SourceGraph rebuilt;
            ASSERT_EQ(S_OK, rebuilt.Create(camera.Get(), L"Lumora Camera"));
            ASSERT_EQ(S_OK, rebuilt.RenderPin(PinCategory::Capture, nullptr, graph::Renderer::Null));
            ASSERT_EQ(S_OK, rebuilt.RenderPin(PinCategory::Preview, nullptr, graph::Renderer::Null));
            ASSERT_TRUE(SUCCEEDED(rebuilt.Pause())) << "round " << round;
            ASSERT_EQ(S_OK, rebuilt.Stop()) << "round " << round;
        }
        ASSERT_EQ(S_OK, moduletest::LoadedModuleCanUnload()) << "round " << round;
        ASSERT_TRUE(testenv::WaitFor([] {
            CoFreeUnusedLibrariesEx(0, 0);
            return FilterModuleUnloaded();
        })) << "ZorvikFilter.dll stayed loaded after round "
            << round;
        if (round == 0) {
            // The first round loads what the process keeps from then on.
            baseHandles = testenv::HandleCount();
            baseThreads = testenv::ThreadCount();
        }
    }
    const bool flat = testenv::WaitForCounts(baseHandles, baseThreads, 5000);
    std::printf("after %d rounds: handles %d -> %d, threads %d -> %d\n", kRebuilds, baseHandles,
                testenv::HandleCount(), baseThreads, testenv::ThreadCount());
    EXPECT_TRUE(testenv::WaitForCounts(INT_MAX / 2, baseThreads, 5000)) << "threads left running";
    if (kModuleReloadKeepsHandlesFlat) {
        EXPECT_TRUE(flat) << "handles left open";
    }
}

} // namespace
