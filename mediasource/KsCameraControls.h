// The media source's camera controls as kernel-streaming property sets, the
// form in which Media Foundation and the camera settings of Windows reach a
// source's controls (IKsControl::KsProperty):
//
//   PROPSETID_VIDCAP_VIDEOPROCAMP   KSPROPERTY_VIDEOPROCAMP_S payloads
//   PROPSETID_VIDCAP_CAMERACONTROL  KSPROPERTY_CAMERACONTROL_S payloads
//
// The properties are the standard controls of camera/StandardControls.h
// (the KS property ids are the VideoProcAmp_* / CameraControl_* numbers),
// with the ranges, defaults, flags and checks of the filter's
// IAMVideoProcAmp / IAMCameraControl; a set goes through the same
// ChangeSettings path (camera/StandardControlSettings.h), so it acts on the
// camera and is kept in the controller's settings file.
//
// Requests (KSPROPERTY.Flags):
//   GET            the data buffer receives the _S structure: the request's
//                  identifier, Value, Flags (auto or manual), Capabilities
//                  (the control's caps flags).
//   SET            Value and Flags are taken from the data buffer's _S.
//   BASICSUPPORT   KSPROPERTY_DESCRIPTION (GET | SET | BASICSUPPORT |
//                  DEFAULTVALUES, VT_I4 of KSPROPTYPESETID_General, two
//                  member lists), then a KSPROPERTY_MEMBERSHEADER of
//                  KSPROPERTY_MEMBER_STEPPEDRANGES with one
//                  KSPROPERTY_STEPPING_LONG (step, minimum, maximum), then a
//                  KSPROPERTY_MEMBERSHEADER of KSPROPERTY_MEMBER_VALUES
//                  flagged KSPROPERTY_MEMBER_FLAG_DEFAULT with the default.
//   DEFAULTVALUES  KSPROPERTY_DESCRIPTION with one member list, the default
//                  as above.
//   SETSUPPORT     S_OK: the set is supported.
// A description is answered in part to a shorter buffer, as kernel
// streaming does: a ULONG-sized buffer receives the access flags, a
// description-sized one the description (whose DescriptionSize is the
// whole answer's size).
//
// Answers: a data length of 0 is a size query: HRESULT_FROM_WIN32(
// ERROR_MORE_DATA) with the size in *returned; a buffer shorter than the
// answer (or than the _S a set reads) HRESULT_FROM_WIN32(
// ERROR_INSUFFICIENT_BUFFER) with the size in *returned, nothing written.
// A property of the two sets the camera does not have, or one asked of a
// topology node: HRESULT_FROM_WIN32(ERROR_NOT_FOUND). Any other set, every
// method and every event: HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND). Other
// request types: HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED). A null property
// or returned pointer, or a null data buffer with a length, E_POINTER; a
// property buffer shorter than a KSPROPERTY E_INVALIDARG; a value or flags
// the control refuses E_INVALIDARG with nothing changed. Property and data
// may be the same buffer.
//
// Threading: any thread; holds no state of its own. Ownership: refers to the
// owner's camera controller, which must outlive it.
#pragma once

#include <windows.h>

#include <ks.h>
#include <ksmedia.h>

class CCamera;

class KsCameraControls {
public:
    explicit KsCameraControls(CCamera& camera) : m_Camera(camera) {}
    KsCameraControls(const KsCameraControls&) = delete;
    KsCameraControls& operator=(const KsCameraControls&) = delete;

    // IKsControl::KsProperty.
    HRESULT Property(KSPROPERTY* property, ULONG propertyLength, void* data, ULONG dataLength, ULONG* returned);
    // IKsControl::KsMethod and KsEvent: the source has no method or event
    // sets. *returned, when given, becomes 0.
    static HRESULT Method(KSMETHOD* method, ULONG methodLength, void* data, ULONG dataLength, ULONG* returned);
    static HRESULT Event(KSEVENT* event, ULONG eventLength, void* data, ULONG dataLength, ULONG* returned);

private:
    CCamera& m_Camera;
};
