// The camera controls through IKsControl's property requests: every
// control's range, default, value and set in the platform's structures, the
// answers to short buffers, size queries, unknown sets, properties and
// requests, and the settings file a set writes (a chosen one, and the
// machine-wide one).
#include <gtest/gtest.h>
#include <windows.h>

#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "camera/Camera.h"
#include "mediasource/KsCameraControls.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"

using testenv::Field;
using testenv::SettingsFile;
namespace setting = testenv::setting;
using Lines = std::vector<std::string>;

namespace {

const GUID kProcAmp = {STATIC_PROPSETID_VIDCAP_VIDEOPROCAMP};
const GUID kCameraControl = {STATIC_PROPSETID_VIDCAP_CAMERACONTROL};
const GUID kVideoControl = {STATIC_PROPSETID_VIDCAP_VIDEOCONTROL};
const GUID kGeneral = {STATIC_KSPROPTYPESETID_General};

constexpr ULONG kAuto = 1;
constexpr ULONG kManual = 2;
// KSPROPERTY_VIDEOPROCAMP_S and _CAMERACONTROL_S: a KSPROPERTY and three
// 32-bit fields, padded to the identifier's 8-byte alignment.
constexpr ULONG kPayloadSize = 40;
// Description (40), stepped-range header (16) and range (16), default header
// (16) and value (4); the default values' answer lacks the range.
constexpr ULONG kBasicSupportSize = 92;
constexpr ULONG kDefaultValuesSize = 60;

KSPROPERTY_VIDEOPROCAMP_S Request(const GUID& set, ULONG id, ULONG type, LONG value = 0, ULONG flags = 0)
{
    KSPROPERTY_VIDEOPROCAMP_S s = {};
    s.Property.Set = set;
    s.Property.Id = id;
    s.Property.Flags = type;
    s.Value = value;
    s.Flags = flags;
    return s;
}

template <class T>
T At(const std::vector<unsigned char>& bytes, size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// Controls over a controller whose settings file is in a folder of its own
// (made by the first save).
class KsControls : public testenv::SimCameraFixture {
protected:
    void TearDown() override
    {
        DeleteFileA(file.c_str());
        RemoveDirectoryA(folder.c_str());
        SimCameraFixture::TearDown();
    }

    HRESULT Send(KSPROPERTY_VIDEOPROCAMP_S& request, void* data, ULONG length, ULONG* returned)
    {
        return controls.Property(&request.Property, sizeof(request), data, length, returned);
    }
    HRESULT Get(const GUID& set, ULONG id, KSPROPERTY_VIDEOPROCAMP_S* answer)
    {
        KSPROPERTY_VIDEOPROCAMP_S request = Request(set, id, KSPROPERTY_TYPE_GET);
        ULONG returned = 0;
        const HRESULT hr = Send(request, answer, sizeof(*answer), &returned);
        EXPECT_EQ(returned, SUCCEEDED(hr) ? kPayloadSize : 0u);
        return hr;
    }
    HRESULT Set(const GUID& set, ULONG id, LONG value, ULONG flags)
    {
        KSPROPERTY_VIDEOPROCAMP_S request = Request(set, id, KSPROPERTY_TYPE_SET, value, flags);
        ULONG returned = 99;
        const HRESULT hr = Send(request, &request, sizeof(request), &returned);
        EXPECT_EQ(returned, 0u);
        return hr;
    }
    std::vector<unsigned char> Describe(const GUID& set, ULONG id, ULONG type, ULONG length, HRESULT expected)
    {
        KSPROPERTY_VIDEOPROCAMP_S request = Request(set, id, type);
        std::vector<unsigned char> answer(length + 8, 0xCD);
        ULONG returned = 0;
        EXPECT_EQ(Send(request, answer.data(), length, &returned), expected);
        for (size_t i = length; i < answer.size(); ++i) {
            EXPECT_EQ(answer[i], 0xCD) << "written past the buffer at " << i;
        }
        answer.resize(returned <= length ? returned : 0);
        return answer;
    }

    const std::string folder = testenv::TempPath("controls");
    const std::string file = folder + "\\Lumora Camera.config";
    CCamera camera{SettingsLocation::At(testenv::Wide(file))};
    KsCameraControls controls{camera};
};

struct ControlCase {
    const char* name;
    GUID set;
    ULONG id;
    LONG minimum, maximum, defaultValue;
    ULONG caps;
    LONG value;
    testenv::SettingField field;
    uint32_t stored;
};

// The ranges and defaults IAMVideoProcAmp / IAMCameraControl report.
const ControlCase kControls[] = {
    {"Brightness", kProcAmp, KSPROPERTY_VIDEOPROCAMP_BRIGHTNESS, 40, 200, 140, kManual, 150, setting::kAeTarget, 150},
    {"Contrast", kProcAmp, KSPROPERTY_VIDEOPROCAMP_CONTRAST, 0, 255, 20, kManual, 77, setting::kContrast, 77},
    {"Saturation", kProcAmp, KSPROPERTY_VIDEOPROCAMP_SATURATION, 0, 255, 100, kManual, 200, setting::kSaturation, 200},
    {"Gamma", kProcAmp, KSPROPERTY_VIDEOPROCAMP_GAMMA, 20, 150, 100, kManual, 150, setting::kGamma, 150},
    {"Gain", kProcAmp, KSPROPERTY_VIDEOPROCAMP_GAIN, 80, 650, 185, kManual, 425, setting::kAnalogGain, 425},
    {"ColorEnable", kProcAmp, KSPROPERTY_VIDEOPROCAMP_COLORENABLE, 0, 1, 1, kManual, 0, setting::kMonochrome, 1},
    {"Exposure", kCameraControl, KSPROPERTY_CAMERACONTROL_EXPOSURE, -4, 9, -4, kAuto | kManual, 1,
     setting::kExposureTimeMS, 2000},
};

TEST_F(KsControls, EveryControlDescribesItsRangeAndDefaultTakesAValueAndKeepsIt)
{
    for (const ControlCase& c : kControls) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> basic =
            Describe(c.set, c.id, KSPROPERTY_TYPE_BASICSUPPORT, kBasicSupportSize, S_OK);
        ASSERT_EQ(basic.size(), kBasicSupportSize);
        const auto description = At<KSPROPERTY_DESCRIPTION>(basic, 0);
        EXPECT_EQ(description.AccessFlags, ULONG{KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET |
                                                 KSPROPERTY_TYPE_BASICSUPPORT | KSPROPERTY_TYPE_DEFAULTVALUES});
        EXPECT_EQ(description.DescriptionSize, kBasicSupportSize);
        EXPECT_TRUE(IsEqualGUID(description.PropTypeSet.Set, kGeneral) && description.PropTypeSet.Id == VT_I4);
        EXPECT_EQ(description.MembersListCount, 2u);
        const auto ranges = At<KSPROPERTY_MEMBERSHEADER>(basic, 40);
        EXPECT_EQ(ranges.MembersFlags, ULONG{KSPROPERTY_MEMBER_STEPPEDRANGES});
        const auto range = At<KSPROPERTY_STEPPING_LONG>(basic, 56);
        EXPECT_EQ(range.SteppingDelta, 1u);
        EXPECT_EQ(range.Bounds.SignedMinimum, c.minimum);
        EXPECT_EQ(range.Bounds.SignedMaximum, c.maximum);
        EXPECT_EQ(At<KSPROPERTY_MEMBERSHEADER>(basic, 72).Flags, ULONG{KSPROPERTY_MEMBER_FLAG_DEFAULT});
        EXPECT_EQ(At<LONG>(basic, 88), c.defaultValue);

        const std::vector<unsigned char> byDefault =
            Describe(c.set, c.id, KSPROPERTY_TYPE_DEFAULTVALUES, kDefaultValuesSize, S_OK);
        ASSERT_EQ(byDefault.size(), kDefaultValuesSize);
        EXPECT_EQ(At<LONG>(byDefault, 56), c.defaultValue);

        // Outside the range at either end: refused, nothing written.
        for (LONG outside : {c.minimum - 1, c.maximum + 1}) {
            EXPECT_EQ(Set(c.set, c.id, outside, kManual), E_INVALIDARG) << outside;
        }
        EXPECT_TRUE(SettingsFile(file).empty());

        ASSERT_EQ(Set(c.set, c.id, c.value, kManual), S_OK);
        const std::vector<uint8_t> bytes = SettingsFile(file);
        ASSERT_EQ(bytes.size(), 67u) << "the chosen file, its folder made by the set";
        EXPECT_EQ(Field(bytes, c.field), c.stored);

        KSPROPERTY_VIDEOPROCAMP_S answer = {};
        ASSERT_EQ(Get(c.set, c.id, &answer), S_OK);
        EXPECT_TRUE(IsEqualGUID(answer.Property.Set, c.set) && answer.Property.Id == c.id);
        EXPECT_EQ(answer.Value, c.value);
        EXPECT_EQ(answer.Flags, kManual);
        EXPECT_EQ(answer.Capabilities, c.caps);

        DeleteFileA(file.c_str());
    }
}

TEST_F(KsControls, ASetActsOnTheOpenCameraAndIsRefusedWhileAnotherControllerHoldsIt)
{
    ASSERT_EQ(camera.Init(), 1);
    SimClearJournal();
    ASSERT_EQ(Set(kProcAmp, KSPROPERTY_VIDEOPROCAMP_CONTRAST, 66, kManual), S_OK);
    EXPECT_EQ(testenv::JournalLinesStartingWith("CameraSetContrast"), Lines{"CameraSetContrast(66)"});
    ASSERT_EQ(camera.UnInit(), 1);

    CCamera holder;
    ASSERT_EQ(holder.Init(), 1);
    DeleteFileA(file.c_str());
    SimClearJournal();
    EXPECT_EQ(Set(kProcAmp, KSPROPERTY_VIDEOPROCAMP_CONTRAST, 67, kManual), HRESULT_FROM_WIN32(ERROR_BUSY));
    EXPECT_EQ(testenv::JournalLinesStartingWith("CameraSet"), Lines());
    EXPECT_TRUE(SettingsFile(file).empty());
}

// A request that is answered without touching the camera or the file.
struct Answer {
    const char* name;
    GUID set;
    ULONG id;
    ULONG type;
    ULONG length; // of the data buffer
    HRESULT result;
    ULONG returned;
};

const HRESULT kMoreData = HRESULT_FROM_WIN32(ERROR_MORE_DATA);
const HRESULT kShort = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
const HRESULT kNoSet = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
const ULONG kBrightness = KSPROPERTY_VIDEOPROCAMP_BRIGHTNESS;

const Answer kAnswers[] = {
    {"get: size query", kProcAmp, kBrightness, KSPROPERTY_TYPE_GET, 0, kMoreData, kPayloadSize},
    {"get: a byte short", kProcAmp, kBrightness, KSPROPERTY_TYPE_GET, kPayloadSize - 1, kShort, kPayloadSize},
    {"set: size query", kProcAmp, kBrightness, KSPROPERTY_TYPE_SET, 0, kMoreData, kPayloadSize},
    {"set: a short payload", kProcAmp, kBrightness, KSPROPERTY_TYPE_SET, 24, kShort, kPayloadSize},
    {"basic support: size query", kCameraControl, KSPROPERTY_CAMERACONTROL_EXPOSURE, KSPROPERTY_TYPE_BASICSUPPORT,
     0, kMoreData, kBasicSupportSize},
    {"basic support: no room for the access flags", kProcAmp, kBrightness, KSPROPERTY_TYPE_BASICSUPPORT, 3, kShort,
     kBasicSupportSize},
    {"basic support: the access flags alone", kProcAmp, kBrightness, KSPROPERTY_TYPE_BASICSUPPORT, 4, S_OK, 4},
    {"basic support: the description alone", kProcAmp, kBrightness, KSPROPERTY_TYPE_BASICSUPPORT,
     kBasicSupportSize - 1, S_OK, 40},
    {"set support", kCameraControl, KSPROPERTY_CAMERACONTROL_EXPOSURE, KSPROPERTY_TYPE_SETSUPPORT, 0, S_OK, 0},
    {"hue, a property the camera has not", kProcAmp, KSPROPERTY_VIDEOPROCAMP_HUE, KSPROPERTY_TYPE_GET, kPayloadSize,
     kNotFound, 0},
    {"focus", kCameraControl, KSPROPERTY_CAMERACONTROL_FOCUS, KSPROPERTY_TYPE_SET, kPayloadSize, kNotFound, 0},
    {"gain's number in the other set", kCameraControl, KSPROPERTY_VIDEOPROCAMP_GAIN, KSPROPERTY_TYPE_GET,
     kPayloadSize, kNotFound, 0},
    {"an id beyond every number", kProcAmp, 0xFFFFFFFF, KSPROPERTY_TYPE_GET, kPayloadSize, kNotFound, 0},
    {"a topology node's property", kProcAmp, kBrightness, KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY,
     kPayloadSize, kNotFound, 0},
    {"another set", kVideoControl, 0, KSPROPERTY_TYPE_GET, kPayloadSize, kNoSet, 0},
    {"relations", kProcAmp, kBrightness, KSPROPERTY_TYPE_RELATIONS, kPayloadSize,
     HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), 0},
    {"get and set at once", kProcAmp, kBrightness, KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET, kPayloadSize,
     HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), 0},
};

TEST_F(KsControls, ShortBuffersSizeQueriesAndUnknownRequestsAreAnsweredWithoutAChange)
{
    for (const Answer& a : kAnswers) {
        SCOPED_TRACE(a.name);
        KSPROPERTY_VIDEOPROCAMP_S request = Request(a.set, a.id, a.type, 100, kManual);
        std::vector<unsigned char> data(a.length + 8, 0xCD);
        // A set reads its value from the data: give it a valid one.
        std::memcpy(data.data(), &request, std::min<size_t>(a.length, sizeof(request)));
        const std::vector<unsigned char> before = data;
        ULONG returned = 12345;
        SimClearJournal();
        EXPECT_EQ(Send(request, a.length ? data.data() : nullptr, a.length, &returned), a.result);
        EXPECT_EQ(returned, a.returned);
        // A failure writes nothing; an answer no more than it reports.
        const size_t written = SUCCEEDED(a.result) ? a.returned : 0;
        EXPECT_TRUE(std::equal(data.begin() + written, data.end(), before.begin() + written))
            << "written past what was answered";
        EXPECT_EQ(testenv::JournalLinesStartingWith("CameraSet"), Lines());
        EXPECT_TRUE(SettingsFile(file).empty());
    }
    // The description alone says how large the whole answer is.
    const std::vector<unsigned char> head =
        Describe(kProcAmp, kBrightness, KSPROPERTY_TYPE_BASICSUPPORT, sizeof(KSPROPERTY_DESCRIPTION), S_OK);
    ASSERT_EQ(head.size(), sizeof(KSPROPERTY_DESCRIPTION));
    EXPECT_EQ(At<KSPROPERTY_DESCRIPTION>(head, 0).DescriptionSize, kBasicSupportSize);
}

TEST_F(KsControls, NullPointersAndAShortIdentifierAreRefusedAndOneBufferMayBeBoth)
{
    KSPROPERTY_VIDEOPROCAMP_S request = Request(kProcAmp, kBrightness, KSPROPERTY_TYPE_GET);
    KSPROPERTY* property = &request.Property;
    KSPROPERTY_VIDEOPROCAMP_S answer = {};
    ULONG returned = 7;
    EXPECT_EQ(controls.Property(nullptr, sizeof(request), &answer, sizeof(answer), &returned), E_POINTER);
    EXPECT_EQ(controls.Property(property, sizeof(request), &answer, sizeof(answer), nullptr), E_POINTER);
    EXPECT_EQ(controls.Property(property, sizeof(request), nullptr, sizeof(answer), &returned), E_POINTER);
    EXPECT_EQ(controls.Property(property, sizeof(KSPROPERTY) - 1, &answer, sizeof(answer), &returned), E_INVALIDARG);
    EXPECT_EQ(controls.Property(property, sizeof(KSPROPERTY), &answer, sizeof(answer), &returned), S_OK);
    EXPECT_EQ(controls.Property(property, sizeof(request), &request, sizeof(request), &returned), S_OK);
    EXPECT_TRUE(IsEqualGUID(request.Property.Set, kProcAmp));
    EXPECT_EQ(request.Value, answer.Value);
}

TEST(KsControlsNoSets, MethodsAndEventsBelongToNoSet)
{
    KSIDENTIFIER identifier = {};
    identifier.Set = kProcAmp;
    ULONG returned = 5;
    EXPECT_EQ(KsCameraControls::Method(&identifier, sizeof(identifier), nullptr, 0, &returned), kNoSet);
    EXPECT_EQ(KsCameraControls::Event(&identifier, sizeof(identifier), nullptr, 0, &returned), kNoSet);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(KsCameraControls::Event(nullptr, 0, nullptr, 0, nullptr), kNoSet) << "disabling an event";
}

// The controller of a machine-wide owner keeps its settings under ProgramData.
TEST(KsControlsMachineWide, ASetWritesTheMachineWideFile)
{
    SimReset();
    const std::wstring path = MachineSettingsPath();
    ASSERT_NE(path.find(L":\\ProgramData\\Lumora Camera\\Lumora Camera.config"), std::wstring::npos);
    const std::string file = testenv::Narrow(path);
    const std::string folder = file.substr(0, file.find_last_of('\\'));
    // This program's own prefix: what an earlier run left goes first, so the
    // folder is made by this set.
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
    {
        CCamera camera(SettingsLocation::MachineWide());
        KsCameraControls controls(camera);
        KSPROPERTY_VIDEOPROCAMP_S request = Request(kProcAmp, KSPROPERTY_VIDEOPROCAMP_GAMMA, KSPROPERTY_TYPE_SET, 120,
                                                    kManual);
        ULONG returned = 0;
        ASSERT_EQ(controls.Property(&request.Property, sizeof(request), &request, sizeof(request), &returned), S_OK);
    }
    const std::vector<uint8_t> bytes = SettingsFile(file);
    ASSERT_EQ(bytes.size(), 67u);
    EXPECT_EQ(Field(bytes, setting::kGamma), 120u);
    EXPECT_TRUE(SettingsFile().empty()) << "the user's temporary file is not the machine's";
    EXPECT_TRUE(DeleteFileA(file.c_str()));
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
    SimReset();
}

} // namespace
