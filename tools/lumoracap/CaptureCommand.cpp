// lumoracap capture: the capture pin into an AVI file for a number of
// seconds (and the preview pin into a window when asked), with one progress
// line that updates in place, a summary, and optionally the last frame as PNG.
//
// The program writes the file itself from the sample grabber: Wine's AVI mux
// starts only in full interleaving behind a sink with IStream (which Wine's
// file writer lacks), faults on a sample that arrives while it stops, and
// stops writing at 2 GB, about four seconds of this camera.
#include <cstdio>
#include <cstdlib>

#include "tools/lumoracap/AviWriter.h"
#include "tools/lumoracap/CaptureGraph.h"
#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/MessagePump.h"
#include "tools/lumoracap/Text.h"
#include "win/ComObject.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {

const DWORD kProgressEveryMs = 250;
const DWORD kSnapshotWaitMs = 5000;

// Frames the camera produced that never reached the capture pin. The filter
// reports a negative count while its capture pin repeats frames; nothing was
// lost then.
long DroppedFrames(IAMDroppedFrames* counts)
{
    long dropped = 0;
    if (!counts || FAILED(counts->GetNumDropped(&dropped)) || dropped < 0) {
        return 0;
    }
    return dropped;
}

// "  3.2 s    96 frames   30.0 fps     0 dropped", rewritten in place.
void PrintProgress(Console& console, double seconds, long frames, long dropped)
{
    char line[96];
    std::snprintf(line, sizeof(line), "\r  %6.1f s  %6ld frames  %5.1f fps  %4ld dropped ", seconds, frames,
                  seconds > 0 ? frames / seconds : 0.0, dropped);
    console.out << line << std::flush;
}

double SecondsSince(ULONGLONG startTick)
{
    return static_cast<double>(GetTickCount64() - startTick) / 1000.0;
}

double FileMegabytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file)) {
        return 0;
    }
    return (static_cast<double>(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow) / (1024.0 * 1024.0);
}

// The capture pin through grabber into the null renderer (the file and the
// snapshot are fed from the grabber), with preview the preview pin into a
// window; the format the grabber receives.
HRESULT BuildCaptureGraph(CaptureGraph& graph, IBaseFilter* device, const Options& options, FrameGrabber* grabber,
                          BITMAPINFOHEADER* format)
{
    if (!grabber) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(graph.Create(device, options.device));
    RETURN_IF_FAILED(graph.Render(CaptureGraph::Pin::Capture, grabber, false));
    if (options.preview) {
        RETURN_IF_FAILED(graph.Render(CaptureGraph::Pin::Preview, nullptr, true));
    }
    return graph.GrabbedFormat(CaptureGraph::Pin::Capture, format) ? S_OK : VFW_E_INVALIDMEDIATYPE;
}

} // namespace

int CaptureToFile(const Options& options, Console& console)
{
    std::wstring aviPath;
    int exitCode = PrepareOutputFile(options.out, console, &aviPath);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    std::wstring pngPath;
    if (!options.snapshot.empty()) {
        exitCode = PrepareOutputFile(options.snapshot, console, &pngPath);
        if (exitCode != kExitSuccess) {
            return exitCode;
        }
    }
    ComPtr<IBaseFilter> device;
    exitCode = OpenDevice(options.device, console, &device);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }

    const ComPtr<FrameGrabber> grabber = win::MakeComObject<FrameGrabber>();
    CaptureGraph graph;
    BITMAPINFOHEADER format = {};
    HRESULT hr = BuildCaptureGraph(graph, device.Get(), options, grabber.Get(), &format);
    if (FAILED(hr)) {
        return ReportGraphNotBuilt("capture", options.device, hr, console);
    }
    AviWriter avi;
    hr = avi.Create(aviPath, format);
    if (FAILED(hr)) {
        console.err << "lumoracap: cannot write " << Quoted(aviPath) << ": " << DescribeResult(hr) << "\n";
        return kExitFileFailed;
    }
    grabber->RecordInto(&avi);

    console.out << "Capturing " << options.seconds << " s from " << Quoted(options.device) << " ("
                << format.biWidth << " x " << std::abs(format.biHeight) << ") into " << Quoted(aviPath)
                << (options.preview ? " with preview" : "") << "\n";
    exitCode = RunGraph(graph, options.device, console);
    if (exitCode != kExitSuccess) {
        grabber->RecordInto(nullptr);
        avi.Finish(0);
        DeleteFileW(aviPath.c_str()); // nothing was captured
        return exitCode;
    }
    const ULONGLONG start = GetTickCount64();
    ComPtr<IAMDroppedFrames> counts = graph.CaptureFrameCounts();
    const ULONGLONG captureMs = static_cast<ULONGLONG>(options.seconds) * 1000;
    while (GetTickCount64() - start < captureMs) {
        const ULONGLONG left = captureMs - (GetTickCount64() - start);
        WaitDispatchingMessages(nullptr, static_cast<DWORD>(left < kProgressEveryMs ? left : kProgressEveryMs));
        PrintProgress(console, SecondsSince(start), grabber->Frames(), DroppedFrames(counts.Get()));
    }

    // The recording ends here, so that the file holds the frames of exactly
    // this time; the snapshot is the next frame that passes.
    const double seconds = SecondsSince(start);
    grabber->RecordInto(nullptr);
    std::vector<BYTE> snapshot;
    if (!pngPath.empty()) {
        grabber->RequestCopy(0);
        if (WaitDispatchingMessages(grabber->CopyReady(), kSnapshotWaitMs)) {
            grabber->TakeCopy(&snapshot);
        }
    }
    graph.Stop();
    const long dropped = DroppedFrames(counts.Get());
    PrintProgress(console, seconds, static_cast<long>(avi.Frames()), dropped);
    console.out << "\n";

    HRESULT written = grabber->RecordingResult();
    const HRESULT finished = avi.Finish(seconds);
    if (SUCCEEDED(written)) {
        written = finished;
    }
    if (FAILED(written)) {
        console.err << "lumoracap: cannot write " << Quoted(aviPath) << ": " << DescribeResult(written) << "\n";
        return kExitFileFailed;
    }
    char summary[160];
    std::snprintf(summary, sizeof(summary),
                  "Captured %lu frames in %.1f s (%.1f fps), %ld dropped, %.0f MB written to ",
                  static_cast<unsigned long>(avi.Frames()), seconds, avi.Frames() / seconds, dropped,
                  FileMegabytes(aviPath));
    console.out << summary << Quoted(aviPath) << "\n";

    if (avi.Frames() == 0) {
        console.err << "lumoracap: the camera " << Quoted(options.device) << " delivered no frames\n";
        return kExitCameraFailed;
    }
    if (!pngPath.empty()) {
        if (snapshot.empty()) {
            console.err << "lumoracap: no frame arrived for the snapshot " << Quoted(pngPath) << "\n";
            return kExitCameraFailed;
        }
        return SavePng(graph, CaptureGraph::Pin::Capture, snapshot, pngPath, console);
    }
    return kExitSuccess;
}
