// lumoracap snapshot: one frame of the preview pin (at the size and rate asked
// with --size and --fps), written as an upright PNG.
#include "tools/lumoracap/CaptureGraph.h"
#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/MessagePump.h"
#include "tools/lumoracap/Text.h"

using Microsoft::WRL::ComPtr;

namespace {
const DWORD kFrameWaitMs = 10000;
// The preview pin waits for each new camera frame; the first sample after the
// start may still come before the camera's first frame, so it is passed over.
const int kFramesToSkip = 1;

} // namespace

int TakeSnapshot(const Options& options, Console& console)
{
    std::wstring pngPath;
    int exitCode = PrepareOutputFile(options.out, console, &pngPath);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    // The preview pin, at the size and rate asked, into the grabber.
    ComPtr<IBaseFilter> device;
    ComPtr<FrameGrabber> grabber;
    CaptureGraph graph;
    exitCode = SetUpGrabbingGraph(options, CaptureGraph::Pin::Preview, "snapshot", console, graph, &device, &grabber);
    if (exitCode != kExitSuccess) {
        return exitCode;
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
