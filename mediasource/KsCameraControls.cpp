#include "mediasource/KsCameraControls.h"

#include <dshow.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstring>

#include "camera/StandardControlSettings.h"
#include "camera/StandardControls.h"
#include "win/HResult.h"

namespace {

const GUID kVideoProcAmpSet = {STATIC_PROPSETID_VIDCAP_VIDEOPROCAMP};
const GUID kCameraControlSet = {STATIC_PROPSETID_VIDCAP_CAMERACONTROL};
const GUID kGeneralPropertyTypes = {STATIC_KSPROPTYPESETID_General};

// The kernel-streaming ids and flags are the numbers of the interfaces the
// controls are defined for, so StandardControl::Find takes them as they come.
constexpr bool SameNumber(long a, long b)
{
    return a == b;
}
static_assert(SameNumber(KSPROPERTY_VIDEOPROCAMP_BRIGHTNESS, VideoProcAmp_Brightness) &&
                  SameNumber(KSPROPERTY_VIDEOPROCAMP_CONTRAST, VideoProcAmp_Contrast) &&
                  SameNumber(KSPROPERTY_VIDEOPROCAMP_SATURATION, VideoProcAmp_Saturation) &&
                  SameNumber(KSPROPERTY_VIDEOPROCAMP_GAMMA, VideoProcAmp_Gamma) &&
                  SameNumber(KSPROPERTY_VIDEOPROCAMP_COLORENABLE, VideoProcAmp_ColorEnable) &&
                  SameNumber(KSPROPERTY_VIDEOPROCAMP_GAIN, VideoProcAmp_Gain) &&
                  SameNumber(KSPROPERTY_CAMERACONTROL_EXPOSURE, CameraControl_Exposure),
              "property ids");
static_assert(SameNumber(KSPROPERTY_VIDEOPROCAMP_FLAGS_AUTO, VideoProcAmp_Flags_Auto) &&
                  SameNumber(KSPROPERTY_VIDEOPROCAMP_FLAGS_MANUAL, VideoProcAmp_Flags_Manual) &&
                  SameNumber(KSPROPERTY_CAMERACONTROL_FLAGS_AUTO, CameraControl_Flags_Auto) &&
                  SameNumber(KSPROPERTY_CAMERACONTROL_FLAGS_MANUAL, CameraControl_Flags_Manual),
              "flags");
// Both sets carry the same payload, so one layout serves them.
static_assert(sizeof(KSPROPERTY_VIDEOPROCAMP_S) == sizeof(KSPROPERTY_CAMERACONTROL_S) &&
                  offsetof(KSPROPERTY_VIDEOPROCAMP_S, Value) == offsetof(KSPROPERTY_CAMERACONTROL_S, Value) &&
                  offsetof(KSPROPERTY_VIDEOPROCAMP_S, Flags) == offsetof(KSPROPERTY_CAMERACONTROL_S, Flags) &&
                  offsetof(KSPROPERTY_VIDEOPROCAMP_S, Capabilities) ==
                      offsetof(KSPROPERTY_CAMERACONTROL_S, Capabilities),
              "one payload layout");
using ControlPayload = KSPROPERTY_VIDEOPROCAMP_S;

const ULONG kAccessFlags =
    KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_BASICSUPPORT | KSPROPERTY_TYPE_DEFAULTVALUES;

HRESULT SizeAnswer(ULONG dataLength, ULONG needed, ULONG* returned)
{
    *returned = needed;
    return HRESULT_FROM_WIN32(dataLength == 0 ? ERROR_MORE_DATA : ERROR_INSUFFICIENT_BUFFER);
}

// A description answer laid out byte by byte (the platform's structures
// follow each other without padding between them). Fixed storage: the
// longest answer is a description, two headers, a stepping and a value.
class Description {
public:
    explicit Description(ULONG memberLists)
    {
        KSPROPERTY_DESCRIPTION description = {};
        description.AccessFlags = kAccessFlags;
        description.PropTypeSet.Set = kGeneralPropertyTypes;
        description.PropTypeSet.Id = VT_I4;
        description.PropTypeSet.Flags = 0;
        description.MembersListCount = memberLists;
        Append(description);
    }

    template <class Part>
    void Append(const Part& part)
    {
        static_assert(sizeof(Part) <= sizeof(KSPROPERTY_DESCRIPTION), "fits the storage's reckoning");
        std::memcpy(m_Bytes.data() + m_Size, &part, sizeof(part));
        m_Size += sizeof(part);
    }
    void AppendDefault(LONG value)
    {
        KSPROPERTY_MEMBERSHEADER header = {};
        header.MembersFlags = KSPROPERTY_MEMBER_VALUES;
        header.MembersSize = sizeof(LONG);
        header.MembersCount = 1;
        header.Flags = KSPROPERTY_MEMBER_FLAG_DEFAULT;
        Append(header);
        Append(value);
    }

    // Writes the answer, or the part of it the buffer holds (see the header).
    HRESULT Answer(void* data, ULONG dataLength, ULONG* returned)
    {
        const ULONG size = static_cast<ULONG>(m_Size);
        KSPROPERTY_DESCRIPTION description;
        std::memcpy(&description, m_Bytes.data(), sizeof(description));
        description.DescriptionSize = size;
        std::memcpy(m_Bytes.data(), &description, sizeof(description));

        ULONG written = 0;
        if (dataLength >= size) {
            written = size;
        } else if (dataLength >= sizeof(KSPROPERTY_DESCRIPTION)) {
            written = sizeof(KSPROPERTY_DESCRIPTION);
        } else if (dataLength >= sizeof(ULONG)) {
            written = sizeof(ULONG); // AccessFlags comes first
        } else {
            return SizeAnswer(dataLength, size, returned);
        }
        std::memcpy(data, m_Bytes.data(), written);
        *returned = written;
        return S_OK;
    }

private:
    std::array<unsigned char, 5 * sizeof(KSPROPERTY_DESCRIPTION)> m_Bytes{};
    size_t m_Size = 0;
};

HRESULT BasicSupport(const StandardControl& control, void* data, ULONG dataLength, ULONG* returned)
{
    const ControlRange range = control.Range();
    Description answer(2);
    KSPROPERTY_MEMBERSHEADER header = {};
    header.MembersFlags = KSPROPERTY_MEMBER_STEPPEDRANGES;
    header.MembersSize = sizeof(KSPROPERTY_STEPPING_LONG);
    header.MembersCount = 1;
    header.Flags = 0;
    answer.Append(header);
    KSPROPERTY_STEPPING_LONG stepping = {};
    stepping.SteppingDelta = static_cast<ULONG>(range.step);
    stepping.Bounds.SignedMinimum = range.minimum;
    stepping.Bounds.SignedMaximum = range.maximum;
    answer.Append(stepping);
    answer.AppendDefault(range.defaultValue);
    return answer.Answer(data, dataLength, returned);
}

HRESULT DefaultValues(const StandardControl& control, void* data, ULONG dataLength, ULONG* returned)
{
    Description answer(1);
    answer.AppendDefault(control.Range().defaultValue);
    return answer.Answer(data, dataLength, returned);
}

HRESULT Get(CCamera& camera, const StandardControl& control, const KSPROPERTY& identifier, void* data,
            ULONG dataLength, ULONG* returned)
{
    if (dataLength < sizeof(ControlPayload)) {
        return SizeAnswer(dataLength, sizeof(ControlPayload), returned);
    }
    ControlValue value = {};
    RETURN_IF_FAILED(ReadStandardControl(camera, control, &value));
    ControlPayload payload = {};
    payload.Property = identifier;
    payload.Value = value.value;
    payload.Flags = static_cast<ULONG>(value.flags);
    payload.Capabilities = static_cast<ULONG>(control.Range().capsFlags);
    std::memcpy(data, &payload, sizeof(payload));
    *returned = sizeof(payload);
    return S_OK;
}

HRESULT Set(CCamera& camera, const StandardControl& control, const void* data, ULONG dataLength, ULONG* returned)
{
    if (dataLength < sizeof(ControlPayload)) {
        return SizeAnswer(dataLength, sizeof(ControlPayload), returned);
    }
    ControlPayload payload;
    std::memcpy(&payload, data, sizeof(payload));
    // Flags are unsigned here and signed for the control: a value beyond
    // LONG's range is no flag the control has, and stays refused.
    return ChangeStandardControl(camera, control, payload.Value, static_cast<long>(payload.Flags));
}

HRESULT NoSuchSet(ULONG* returned)
{
    if (returned) {
        *returned = 0;
    }
    return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
}

} // namespace

HRESULT KsCameraControls::Property(KSPROPERTY* property, ULONG propertyLength, void* data, ULONG dataLength,
                                   ULONG* returned)
{
    if (!returned) {
        return E_POINTER;
    }
    *returned = 0;
    if (!property || (!data && dataLength != 0)) {
        return E_POINTER;
    }
    if (propertyLength < sizeof(KSPROPERTY)) {
        return E_INVALIDARG;
    }
    // A copy: the caller may pass one buffer as property and data.
    KSPROPERTY identifier;
    std::memcpy(&identifier, property, sizeof(identifier));

    ControlFamily family;
    if (IsEqualGUID(identifier.Set, kVideoProcAmpSet)) {
        family = ControlFamily::VideoProcAmp;
    } else if (IsEqualGUID(identifier.Set, kCameraControlSet)) {
        family = ControlFamily::CameraControl;
    } else {
        return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
    }
    const ULONG request = identifier.Flags & ~static_cast<ULONG>(KSPROPERTY_TYPE_TOPOLOGY);
    if (request == KSPROPERTY_TYPE_SETSUPPORT) {
        return S_OK;
    }
    // The ids are small numbers; one beyond LONG's range is none of them.
    const StandardControl* control = identifier.Id <= static_cast<ULONG>(LONG_MAX)
                                         ? StandardControl::Find(family, static_cast<long>(identifier.Id))
                                         : nullptr;
    // The controls belong to the source itself, not to a node of a topology.
    if (!control || (identifier.Flags & KSPROPERTY_TYPE_TOPOLOGY)) {
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    }
    switch (request) {
    case KSPROPERTY_TYPE_GET:
        return Get(m_Camera, *control, identifier, data, dataLength, returned);
    case KSPROPERTY_TYPE_SET:
        return Set(m_Camera, *control, data, dataLength, returned);
    case KSPROPERTY_TYPE_BASICSUPPORT:
        return BasicSupport(*control, data, dataLength, returned);
    case KSPROPERTY_TYPE_DEFAULTVALUES:
        return DefaultValues(*control, data, dataLength, returned);
    default:
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    }
}

HRESULT KsCameraControls::Method(KSMETHOD* /*method*/, ULONG /*methodLength*/, void* /*data*/, ULONG /*dataLength*/,
                                 ULONG* returned)
{
    return NoSuchSet(returned);
}

HRESULT KsCameraControls::Event(KSEVENT* /*event*/, ULONG /*eventLength*/, void* /*data*/, ULONG /*dataLength*/,
                                ULONG* returned)
{
    return NoSuchSet(returned);
}
