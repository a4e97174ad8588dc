// lumoracap snapshot: one frame of the preview pin (at the size and rate asked
// with --size and --fps), written as an upright PNG.
#include "tools/lumoracap/CaptureGraph.h"
#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/MessagePump.h"
#include "tools/lumoracap/StreamFormat.h"
#include "tools/lumoracap/Text.h"
#include "win/ComObject.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {
const DWORD kFrameWaitMs = 10000;
// The preview pin waits for each new camera frame; the first sample after the
// start may still come before the camera's first frame, so it is passed over.
const int kFramesToSkip = 1;

// The preview pin through grabber into the null renderer.
HRESULT BuildSnapshotGraph(CaptureGraph& graph, IBaseFilter* device, const std::wstring& name, FrameGrabber* grabber)
{
    if (!grabber) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(graph.Create(device, name));
    return graph.Render(CaptureGraph::Pin::Preview, grabber, false);
}

} // namespace

int TakeSnapshot(const Options& options, Console& console)
{
    std::wstring pngPath;
    int exitCode = PrepareOutputFile(options.out, console, &pngPath);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    ComPtr<IBaseFilter> device;
    exitCode = OpenDevice(options.device, console, &device);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    // --size and --fps, on the pin the snapshot comes from.
    exitCode = ChooseStreamFormat(device.Get(), PIN_CATEGORY_PREVIEW, options, console);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }

    const ComPtr<FrameGrabber> grabber = win::MakeComObject<FrameGrabber>();
    CaptureGraph graph;
    const HRESULT hr = BuildSnapshotGraph(graph, device.Get(), options.device, grabber.Get());
    if (FAILED(hr)) {
        return ReportGraphNotBuilt("snapshot", options.device, hr, console);
    }

    grabber->RequestCopy(kFramesToSkip);
    exitCode = RunGraph(graph, options.device, console);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    std::vector<BYTE> frame;
    const bool arrived = WaitDispatchingMessages(grabber->CopyReady(), kFrameWaitMs) && grabber->TakeCopy(&frame);
    graph.Stop();
    if (!arrived) {
        console.err << "lumoracap: the camera " << Quoted(options.device) << " delivered no frame\n";
        return kExitCameraFailed;
    }
    return SavePng(graph, CaptureGraph::Pin::Preview, frame, pngPath, console);
}
