// What several commands share: opening the chosen device with a clear
// message when it is not there, checking up front that an output file can be
// written, the graph capture and snapshot grab their frames from, and saving
// a grabbed frame as PNG.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "tools/lumoracap/CaptureGraph.h"
#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/FrameGrabber.h"
#include "tools/lumoracap/Lumoracap.h"

// Creates the device's filter. On failure prints why and returns the exit
// code (kExitNoDevice when no device has that name); kExitSuccess otherwise.
int OpenDevice(const std::wstring& name, Console& console, Microsoft::WRL::ComPtr<IBaseFilter>* filter);

// Makes path absolute and checks that the file can be created or replaced
// (without leaving a new file behind). On failure prints why and returns
// kExitFileFailed; kExitSuccess otherwise.
int PrepareOutputFile(const std::wstring& path, Console& console, std::wstring* fullPath);

// Writes a frame that the sample grabber on the pin's path copied as an
// upright PNG. On failure prints why and returns kExitFileFailed (or
// kExitCameraFailed when the frame does not match the connection's format).
int SavePng(CaptureGraph& graph, CaptureGraph::Pin pin, const std::vector<BYTE>& frame, const std::wstring& path,
            Console& console);

// Prints that the graph for device (its purpose: "capture", "snapshot") could
// not be built, with hr's reason; returns kExitFailure.
int ReportGraphNotBuilt(const char* purpose, const std::wstring& device, HRESULT hr, Console& console);

// The graph of capture and snapshot (purpose, for messages): the device
// named in options, its pin set to the asked size and rate (--size, --fps),
// that pin through a new sample grabber calling *grabber into the null
// renderer, and with --preview also the preview pin into a window. On
// failure prints why and returns the exit code; kExitSuccess otherwise.
int SetUpGrabbingGraph(const Options& options, CaptureGraph::Pin pin, const char* purpose, Console& console,
                       CaptureGraph& graph, Microsoft::WRL::ComPtr<IBaseFilter>* device,
                       Microsoft::WRL::ComPtr<FrameGrabber>* grabber);

// Runs the graph. On failure prints that the camera did not start and
// returns kExitCameraFailed; kExitSuccess otherwise.
int RunGraph(CaptureGraph& graph, const std::wstring& device, Console& console);

// "Lumora Camera" in double quotes, as UTF-8.
std::string Quoted(const std::wstring& text);
