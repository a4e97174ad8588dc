// lumoracap controls and lumoracap set: the platform's standard camera
// controls of a device, read and set through its filter's IAMVideoProcAmp,
// IAMCameraControl and (for the flips, on the capture pin) IAMVideoControl,
// as any capture application reaches them.
#include <cstdio>
#include <string>

#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/StandardControlNames.h"
#include "tools/lumoracap/Text.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr long kFlagsAuto = 1;   // VideoProcAmp_Flags_Auto, CameraControl_Flags_Auto
constexpr long kFlagsManual = 2; // VideoProcAmp_Flags_Manual, CameraControl_Flags_Manual

// A device's standard control interfaces; each may be missing.
struct DeviceControls {
    ComPtr<IAMVideoProcAmp> procAmp;
    ComPtr<IAMCameraControl> cameraControl;
    ComPtr<IAMVideoControl> videoControl;
    ComPtr<IPin> capturePin;
};

DeviceControls ControlsOf(IBaseFilter* filter)
{
    DeviceControls controls;
    filter->QueryInterface(IID_PPV_ARGS(&controls.procAmp));
    filter->QueryInterface(IID_PPV_ARGS(&controls.cameraControl));
    filter->QueryInterface(IID_PPV_ARGS(&controls.videoControl));
    controls.capturePin = FindPinByCategory(filter, PIN_CATEGORY_CAPTURE);
    return controls;
}

// What the device tells of one control.
struct ControlState {
    HRESULT supported = E_PROP_ID_UNSUPPORTED; // S_OK, or why it cannot be used
    long minimum = 0, maximum = 0, step = 0, defaultValue = 0, caps = 0;
    bool hasDefault = true;
    HRESULT read = E_FAIL;
    long value = 0, flags = 0;
};

// The range and the current value through the control's own interface.
template <class Interface>
ControlState ReadRanged(Interface* itf, long property)
{
    ControlState state;
    if (!itf) {
        state.supported = E_NOINTERFACE;
        return state;
    }
    state.supported =
        itf->GetRange(property, &state.minimum, &state.maximum, &state.step, &state.defaultValue, &state.caps);
    if (SUCCEEDED(state.supported)) {
        state.read = itf->Get(property, &state.value, &state.flags);
    }
    return state;
}

// A flip: a switch from 0 to 1, by hand, without a default.
ControlState ReadFlip(const DeviceControls& controls, long flag)
{
    ControlState state;
    LONG caps = 0;
    if (!controls.videoControl || !controls.capturePin) {
        state.supported = E_NOINTERFACE;
        return state;
    }
    state.supported = controls.videoControl->GetCaps(controls.capturePin.Get(), &caps);
    if (SUCCEEDED(state.supported) && (caps & flag) == 0) {
        state.supported = E_PROP_ID_UNSUPPORTED;
    }
    if (FAILED(state.supported)) {
        return state;
    }
    state.maximum = 1;
    state.step = 1;
    state.caps = kFlagsManual;
    state.hasDefault = false;
    LONG mode = 0;
    state.read = controls.videoControl->GetMode(controls.capturePin.Get(), &mode);
    state.value = (mode & flag) ? 1 : 0;
    state.flags = kFlagsManual;
    return state;
}

ControlState ReadControl(const DeviceControls& controls, const StandardControlName& control)
{
    switch (control.where) {
    case ControlInterface::VideoProcAmp:
        return ReadRanged(controls.procAmp.Get(), control.property);
    case ControlInterface::CameraControl:
        return ReadRanged(controls.cameraControl.Get(), control.property);
    case ControlInterface::VideoControl:
        break;
    }
    return ReadFlip(controls, control.property);
}

// "on", "off", or "-" for a control the camera never sets itself.
const char* AutoText(const ControlState& state)
{
    if ((state.caps & kFlagsAuto) == 0) {
        return "-";
    }
    return state.flags == kFlagsAuto ? "on" : "off";
}

std::string Number(long value)
{
    return std::to_string(value);
}

// One line of "controls".
std::string DescribeControl(const StandardControlName& control, const ControlState& state)
{
    char line[160];
    if (FAILED(state.supported)) {
        std::snprintf(line, sizeof(line), "  %-22s not supported\n", control.display);
        return line;
    }
    const std::string range = Number(state.minimum) + " to " + Number(state.maximum);
    const std::string current = SUCCEEDED(state.read) ? Number(state.value) : "?";
    std::snprintf(line, sizeof(line), "  %-22s %-14s %-5ld %-8s %-8s %s\n", control.display, range.c_str(), state.step,
                  state.hasDefault ? Number(state.defaultValue).c_str() : "-", current.c_str(), AutoText(state));
    return line;
}

HRESULT SetRanged(const DeviceControls& controls, const StandardControlName& control, long value, long flags)
{
    if (control.where == ControlInterface::VideoProcAmp) {
        return controls.procAmp->Set(control.property, value, flags);
    }
    return controls.cameraControl->Set(control.property, value, flags);
}

HRESULT SetFlip(const DeviceControls& controls, long flag, long on)
{
    LONG mode = 0;
    const HRESULT read = controls.videoControl->GetMode(controls.capturePin.Get(), &mode);
    if (FAILED(read)) {
        return read;
    }
    mode = on ? (mode | flag) : (mode & ~flag);
    return controls.videoControl->SetMode(controls.capturePin.Get(), mode);
}

} // namespace

int ListControls(const Options& options, Console& console)
{
    ComPtr<IBaseFilter> filter;
    const int exitCode = OpenDevice(options.device, console, &filter);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    const DeviceControls controls = ControlsOf(filter.Get());
    if (!controls.procAmp && !controls.cameraControl && !controls.videoControl) {
        console.err << "lumoracap: " << Quoted(options.device) << " has no standard camera controls\n";
        return kExitFailure;
    }
    console.out << "Standard controls of " << Quoted(options.device) << ":\n";
    char header[160];
    std::snprintf(header, sizeof(header), "  %-22s %-14s %-5s %-8s %-8s %s\n", "control", "range", "step", "default",
                  "current", "auto");
    console.out << header;
    for (int i = 0; i < kStandardControlNameCount; ++i) {
        const StandardControlName& control = kStandardControlNames[i];
        console.out << DescribeControl(control, ReadControl(controls, control));
    }
    console.out << "Exposure is log2 of the exposure time in seconds (-4 is 1/16 s); auto means the camera sets it.\n";
    return kExitSuccess;
}

int SetControl(const Options& options, Console& console)
{
    const StandardControlName* control = FindStandardControlName(options.control);
    if (!control) {
        console.err << "lumoracap: unknown control " << Quoted(options.control) << "\n";
        return kExitUsage;
    }
    ComPtr<IBaseFilter> filter;
    const int exitCode = OpenDevice(options.device, console, &filter);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    const DeviceControls controls = ControlsOf(filter.Get());
    const ControlState before = ReadControl(controls, *control);
    if (FAILED(before.supported)) {
        console.err << "lumoracap: " << Quoted(options.device) << " has no " << control->display << " control\n";
        return kExitFailure;
    }
    if (options.controlAuto && (before.caps & kFlagsAuto) == 0) {
        console.err << "lumoracap: " << control->display << " has no automatic mode; give a value from "
                    << before.minimum << " to " << before.maximum << "\n";
        return kExitFailure;
    }
    // Auto keeps the value the control has (the camera sets its own).
    const long value = options.controlAuto ? before.value : options.controlValue;
    if (!options.controlAuto && (value < before.minimum || value > before.maximum)) {
        console.err << "lumoracap: " << control->display << " takes a value from " << before.minimum << " to "
                    << before.maximum << ", not " << value << "\n";
        return kExitFailure;
    }

    const HRESULT hr = control->where == ControlInterface::VideoControl
                           ? SetFlip(controls, control->property, value)
                           : SetRanged(controls, *control, value, options.controlAuto ? kFlagsAuto : kFlagsManual);
    const ControlState after = ReadControl(controls, *control);
    if (FAILED(hr) && after.value == value && SUCCEEDED(after.read)) {
        // On the camera, but not in the settings file.
        console.err << "lumoracap: " << control->display << " is set on the camera but could not be kept: "
                    << DescribeResult(hr) << "\n";
        return kExitFileFailed;
    }
    if (FAILED(hr)) {
        console.err << "lumoracap: " << control->display << " could not be set: " << DescribeResult(hr) << "\n";
        return kExitFailure;
    }
    console.out << control->display << ": " << after.value;
    if (after.caps & kFlagsAuto) {
        console.out << (after.flags == kFlagsAuto ? " (auto)" : " (manual)");
    }
    console.out << "\n";
    return kExitSuccess;
}
