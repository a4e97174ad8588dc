// Size and rate chosen through IAMStreamConfig: what SetFormat takes and changes, how long a choice lasts, the
// rate every offered type announces, and SetFormat on a connected pin.
#include <gtest/gtest.h>

#include <dshow.h>

#include "filter/VideoFormats.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/framework/FakeInputPin.h"
#include "tests/support/FrameSizes.h"
#include "tests/support/VideoTypeKit.h"

// The platform's null renderer: its class id is defined by strmiids only.
EXTERN_C const CLSID CLSID_NullRenderer;

using namespace filtertest;

namespace {

using testenv::kFullHeight;
using testenv::kFullWidth;

ComPtr<IAMStreamConfig> ConfigOf(CameraOutputPin* pin)
{
    ComPtr<IAMStreamConfig> config;
    EXPECT_EQ(S_OK, pin->Pin()->QueryInterface(IID_PPV_ARGS(config.GetAddressOf())));
    return config;
}

// The listed type of that width (3032 x 2016 or 3264 x 2448) asking for interval, with a sample size left wrong.
MediaTypeRecord Asking(IAMStreamConfig* config, LONG width, REFERENCE_TIME interval)
{
    MediaTypeRecord type = ListedType(config, width == kFullWidth ? 3 : 0);
    VideoInfoOf(type)->AvgTimePerFrame = interval;
    VideoInfoOf(type)->dwBitRate = 7;
    type.lSampleSize = 12345;
    return type;
}

REFERENCE_TIME IntervalOf(const AM_MEDIA_TYPE& type)
{
    const VIDEOINFOHEADER* format = VideoInfoOf(type);
    return format ? format->AvgTimePerFrame : -1;
}

int32_t StoredFrameSpeed()
{
    CameraConfig stored;
    return stored.LoadFromFile() ? stored.m_FrameSpeed : 0;
}

std::vector<std::string> FrameSpeedCalls()
{
    return testenv::JournalLinesStartingWith("CameraSetFrameSpeed(");
}

using PinStreamConfig = FilterTest;

TEST_F(PinStreamConfig, SetFormatChoosesTheSizeAndSetsTheCamerasRate)
{
    using Calls = std::vector<std::string>;
    const struct {
        const char* what;
        LONG width;
        REFERENCE_TIME asked;
        REFERENCE_TIME interval; // announced afterwards
        DWORD bitRate;
        Calls speedCalls;
        int32_t stored; // frame speed in the settings file; 0: no file written (no rate named)
    } cases[] = {
        {"the offered size, rate kept", 3032, 0, 333333, 0xFFFFFFFF, {}, 0},
        {"15 per second", 3032, 666666, 666666, 2200506520u, {"CameraSetFrameSpeed(2)"}, 2},
        // The speed the camera has: not sent again, the record kept all the same.
        {"450000 is nearer 30 per second", 3032, 450000, 333333, 0xFFFFFFFF, {}, 1},
        {"550000 is nearer 15 per second", 3032, 550000, 666666, 2200506520u, {"CameraSetFrameSpeed(2)"}, 2},
        {"the whole image, rate kept", kFullWidth, 0, 333333, 0xFFFFFFFF, {}, 0},
        {"the whole image at 15 per second", kFullWidth, 666666, 666666, 2876500796u, {"CameraSetFrameSpeed(2)"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        testenv::RemoveSettingsFile();
        TestFilter under;
        const ComPtr<IAMStreamConfig> capture = ConfigOf(under.capture);
        const ComPtr<IAMStreamConfig> preview = ConfigOf(under.preview);
        MediaTypeRecord asked = Asking(capture.Get(), c.width, c.asked);
        SimClearJournal();

        ASSERT_EQ(S_OK, capture->SetFormat(&asked));
        // GetFormat and the offer are the pin's own type of that size and rate.
        const MediaTypeRecord current = CurrentFormat(capture.Get());
        ASSERT_NE(nullptr, VideoInfoOf(current));
        EXPECT_EQ(c.width, FrameSizeOf(current).cx);
        EXPECT_EQ(static_cast<ULONG>(c.width * FrameSizeOf(current).cy * 3), current.lSampleSize);
        EXPECT_EQ(c.interval, IntervalOf(current));
        EXPECT_EQ(c.bitRate, VideoInfoOf(current)->dwBitRate);
        MediaTypeRecord offered;
        ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &offered));
        EXPECT_TRUE(offered.SameType(current));
        // The rate is the camera's: the other pin keeps its size and follows it.
        const MediaTypeRecord other = CurrentFormat(preview.Get());
        EXPECT_EQ(3032, FrameSizeOf(other).cx);
        EXPECT_EQ(c.interval, IntervalOf(other));
        // As the page's High/Normal: the camera at once, and the settings file.
        EXPECT_EQ(c.speedCalls, FrameSpeedCalls());
        EXPECT_EQ(c.stored, StoredFrameSpeed());
        EXPECT_EQ(c.interval == 666666 ? 2 : 1, under.object->FrameSpeed());
    }
}

TEST_F(PinStreamConfig, ARateTheSettingsFileNamesAlreadyReachesTheCameraWhenItOpens)
{
    // Stored by an earlier program; this process's camera is at power-on.
    CameraConfig stored;
    stored.m_FrameSpeed = 2;
    ASSERT_EQ(1, stored.SaveToFile());
    TestFilter under;
    const ComPtr<IAMStreamConfig> capture = ConfigOf(under.capture);
    EXPECT_EQ(666666, IntervalOf(CurrentFormat(capture.Get())));
    // Closed, the stored speed is the current one: nothing to send now.
    SimClearJournal();
    MediaTypeRecord slow = Asking(capture.Get(), 3032, 666666);
    ASSERT_EQ(S_OK, capture->SetFormat(&slow));
    EXPECT_EQ(std::vector<std::string>{}, FrameSpeedCalls());
    // The open sends it.
    ASSERT_EQ(S_OK, under.capture->OnWorkerStart());
    EXPECT_EQ(std::vector<std::string>{"CameraSetFrameSpeed(2)"}, FrameSpeedCalls());
    EXPECT_EQ(S_OK, under.capture->OnWorkerEnd());
    // Naming no rate leaves the camera alone.
    SimClearJournal();
    MediaTypeRecord keep = Asking(capture.Get(), 3032, 0);
    ASSERT_EQ(S_OK, capture->SetFormat(&keep));
    EXPECT_EQ(std::vector<std::string>{}, JournalLines());
}

TEST_F(PinStreamConfig, AChoiceLastsUntilAnotherResolutionIndexIsApplied)
{
    TestFilter under;
    const ComPtr<IAMStreamConfig> capture = ConfigOf(under.capture);
    MediaTypeRecord full = Asking(capture.Get(), kFullWidth, 0);
    ASSERT_EQ(S_OK, capture->SetFormat(&full));

    const auto applyIndex = [&](uint8_t resolution) {
        ApplySettings(under.filter.Get(), [&](CameraConfig& config) { config.m_Format.m_Resolution = resolution; });
    };
    const auto offeredWidth = [&](CameraOutputPin* pin) {
        MediaTypeRecord offered;
        EXPECT_EQ(S_OK, pin->GetMediaType(0, &offered));
        return FrameSizeOf(offered).cx;
    };
    // A page that reads, or applies the same index, keeps the choice; each pin has its own.
    applyIndex(0);
    EXPECT_EQ(kFullWidth, offeredWidth(under.capture));
    EXPECT_EQ(kFullWidth, FrameSizeOf(CurrentFormat(capture.Get())).cx);
    EXPECT_EQ(3032, offeredWidth(under.preview));

    // Another index is decided anew (the page wins); the whole image is only index 0's.
    for (uint8_t binned : {1, 2}) {
        SCOPED_TRACE(binned);
        applyIndex(binned);
        EXPECT_EQ(3032, offeredWidth(under.capture));
        SimClearJournal();
        const std::string file = SettingsFileBytes();
        MediaTypeRecord fullAtSlowRate = Asking(capture.Get(), kFullWidth, 666666);
        EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, capture->SetFormat(&fullAtSlowRate));
        EXPECT_EQ(3032, FrameSizeOf(CurrentFormat(capture.Get())).cx);
        EXPECT_EQ(std::vector<std::string>{}, CameraSettingChanges());
        EXPECT_EQ(file, SettingsFileBytes());
        EXPECT_EQ(1, under.object->FrameSpeed());
        EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&full));
    }
    applyIndex(0);
    EXPECT_EQ(3032, offeredWidth(under.capture));
    EXPECT_EQ(S_OK, capture->SetFormat(&full));
    EXPECT_EQ(kFullWidth, offeredWidth(under.capture));

    // A new filter starts from the stored index, as before.
    TestFilter next;
    EXPECT_EQ(3032, offeredWidth(next.capture));
}

TEST_F(PinStreamConfig, EveryOfferedTypeAnnouncesTheCamerasRateAndThePinsAcceptOnlyIt)
{
    TestFilter under;
    for (int32_t speed : {2, 1, 2}) {
        SCOPED_TRACE(speed);
        ASSERT_NO_FATAL_FAILURE(
            ApplySettings(under.filter.Get(), [&](CameraConfig& config) { config.m_FrameSpeed = speed; }));
        const REFERENCE_TIME interval = speed == 2 ? 666666 : 333333;
        for (CameraOutputPin* pin : {under.capture, under.preview}) {
            const ComPtr<IAMStreamConfig> config = ConfigOf(pin);
            EXPECT_EQ(interval, IntervalOf(CurrentFormat(config.Get())));
            MediaTypeRecord offered;
            ASSERT_EQ(S_OK, pin->GetMediaType(0, &offered));
            EXPECT_EQ(interval, IntervalOf(offered));
            int count = 0, size = 0;
            ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
            for (int index = 0; index < count; ++index) {
                EXPECT_EQ(interval, IntervalOf(ListedType(config.Get(), index))) << index;
            }
            // A peer's type that names another rate is not what the pin delivers.
            const struct {
                REFERENCE_TIME asked;
                HRESULT accepted;
            } queries[] = {{0, S_OK}, {interval, S_OK}, {speed == 2 ? 333333 : 666666, E_INVALIDARG}};
            for (const auto& query : queries) {
                MediaTypeRecord type(offered);
                VideoInfoOf(type)->AvgTimePerFrame = query.asked;
                EXPECT_EQ(query.accepted, pin->CheckType(&type)) << query.asked;
            }
        }
    }
    // A new filter starts at the stored speed.
    TestFilter next;
    EXPECT_EQ(666666, IntervalOf(CurrentFormat(ConfigOf(next.preview).Get())));
}

TEST_F(PinStreamConfig, AFailedSaveIsReportedAfterTheRateIsApplied)
{
    TestFilter under;
    const ComPtr<IAMStreamConfig> capture = ConfigOf(under.capture);
    // A folder where the settings file belongs cannot be replaced.
    ASSERT_TRUE(CreateDirectoryA(testenv::TempPath("Lumora Camera.config").c_str(), nullptr));
    SimClearJournal();
    MediaTypeRecord slow = Asking(capture.Get(), 3032, 666666);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE), capture->SetFormat(&slow));
    EXPECT_EQ(std::vector<std::string>{"CameraSetFrameSpeed(2)"}, FrameSpeedCalls());
    EXPECT_EQ(666666, IntervalOf(CurrentFormat(capture.Get())));
    ASSERT_TRUE(RemoveDirectoryA(testenv::TempPath("Lumora Camera.config").c_str()));
}

TEST_F(PinStreamConfig, AConnectedPinConnectsAgainWithItsOwnTypeOrPutsEverythingBack)
{
    TestFilter under;
    const ComPtr<IAMStreamConfig> config = ConfigOf(under.capture);
    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    ASSERT_EQ(S_OK, under.capture->Connect(peer.Get(), nullptr));

    // Outside a graph the pin breaks and makes the connection itself, with its own type of the asked size and rate.
    MediaTypeRecord slow = Asking(config.Get(), 3032, 666666);
    ASSERT_EQ(S_OK, config->SetFormat(&slow));
    ASSERT_EQ(2u, peer->receivedTypes.size());
    const MediaTypeRecord connected = CurrentFormat(config.Get());
    EXPECT_TRUE(peer->receivedTypes[1].SameType(connected));
    EXPECT_EQ(666666, IntervalOf(connected));
    EXPECT_EQ(18337536u, connected.lSampleSize);
    EXPECT_TRUE(under.capture->IsConnected());

    // A peer that refuses the type is asked before anything changes.
    const std::string file = SettingsFileBytes();
    SimClearJournal();
    MediaTypeRecord fullAtHighRate = Asking(config.Get(), kFullWidth, 333333);
    peer->queryAcceptResult = S_FALSE;
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, config->SetFormat(&fullAtHighRate));
    EXPECT_EQ(2u, peer->receivedTypes.size());
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(connected));
    EXPECT_EQ(std::vector<std::string>{}, CameraSettingChanges());
    EXPECT_EQ(file, SettingsFileBytes());
    EXPECT_EQ(2, under.object->FrameSpeed());

    // A peer that takes the query but not the connection: the reconnection's result, and the former rate and type.
    peer->queryAcceptResult = S_OK;
    peer->receiveConnectionResult = E_ACCESSDENIED;
    EXPECT_EQ(E_ACCESSDENIED, config->SetFormat(&fullAtHighRate));
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(connected));
    EXPECT_EQ(2, under.object->FrameSpeed());
    EXPECT_EQ(2, StoredFrameSpeed());
    const std::vector<std::string> there{"CameraSetFrameSpeed(1)", "CameraSetFrameSpeed(2)"};
    EXPECT_EQ(there, FrameSpeedCalls());
    MediaTypeRecord offered;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &offered));
    EXPECT_EQ(3032, FrameSizeOf(offered).cx);
    EXPECT_FALSE(under.capture->IsConnected()); // this peer refuses the former type too
}

TEST_F(PinStreamConfig, SetFormatInAGraphReconnectsThroughTheGraph)
{
    TestFilter under;
    ComPtr<IFilterGraph> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer)));
    ASSERT_EQ(S_OK, graph->AddFilter(under.filter.Get(), L"Lumora Camera"));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"Null Renderer"));
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> input;
    ASSERT_EQ(S_OK, renderer->EnumPins(&pins));
    ASSERT_EQ(S_OK, pins->Next(1, &input, nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(under.capture->Pin(), input.Get(), nullptr));

    const ComPtr<IAMStreamConfig> config = ConfigOf(under.capture);
    MediaTypeRecord full = Asking(config.Get(), kFullWidth, 666666);
    ASSERT_EQ(S_OK, config->SetFormat(&full));
    win::MediaTypeContents agreed;
    ASSERT_EQ(S_OK, input->ConnectionMediaType(agreed.Receive()));
    EXPECT_EQ(kFullWidth, FrameSizeOf(agreed.Get()).cx);
    EXPECT_EQ(kFullHeight, FrameSizeOf(agreed.Get()).cy);
    EXPECT_EQ(666666, IntervalOf(agreed.Get()));
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(agreed.Get()));

    testenv::TestVideoType small(testenv::kRgb24Facts, 800, 600);
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(small.Type()));
    ASSERT_EQ(S_OK, input->ConnectionMediaType(agreed.Receive()));
    EXPECT_EQ(kFullWidth, FrameSizeOf(agreed.Get()).cx);

    // Another index applied while connected: the connection keeps its frame and announces the new rate.
    ASSERT_NO_FATAL_FAILURE(ApplySettings(under.filter.Get(), [](CameraConfig& record) {
        record.m_Format.m_Resolution = 1;
        record.m_FrameSpeed = 1;
    }));
    const MediaTypeRecord kept = CurrentFormat(config.Get());
    EXPECT_EQ(kFullWidth, FrameSizeOf(kept).cx);
    EXPECT_EQ(333333, IntervalOf(kept));
    MediaTypeRecord offered;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &offered));
    EXPECT_EQ(3032, FrameSizeOf(offered).cx);
    EXPECT_EQ(333333, IntervalOf(offered));
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(kept)); // asking for the offer changed nothing
    graph->RemoveFilter(renderer.Get());
    graph->RemoveFilter(under.filter.Get());
}

} // namespace
