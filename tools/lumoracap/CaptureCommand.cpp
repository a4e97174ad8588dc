// lumoracap capture: the capture pin, at the size and rate asked with --size
// and --fps, into an AVI file for a number of seconds (and the preview pin
// into a window when asked), with its progress (ProgressLine), a summary that
// says why frames were lost when they were (LostFrames.h), and optionally the
// last frame as PNG.
//
// The program writes the file itself from the sample grabber: Wine's AVI mux
// starts only in full interleaving behind a sink with IStream (which Wine's
// file writer lacks), faults on a sample that arrives while it stops, and
// stops writing at 2 GB, about four seconds of this camera.
//
// No capture is lost and no file is harmed by one that fails: the frames go
// into a temporary file beside the output, written on a thread of their own
// (FrameRecorder) so that a slow disk drops frames instead of stalling the
// capture pin, and the file replaces the output only when it holds frames.
// A write that fails (a full disk) ends the capture early; the frames written
// until then are finished into a readable file, which replaces the output,
// and the program exits with kExitFileFailed and the reason.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "filter/FormatLadder.h"
#include "tools/lumoracap/AviWriter.h"
#include "tools/lumoracap/CaptureGraph.h"
#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/FrameRecorder.h"
#include "tools/lumoracap/LostFrames.h"
#include "tools/lumoracap/MessagePump.h"
#include "tools/lumoracap/ProgressLine.h"
#include "tools/lumoracap/StreamFormat.h"
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

// ", 15.0 fps" from the interval the pin announces; nothing without one.
std::string RateText(REFERENCE_TIME frameInterval)
{
    if (frameInterval <= 0) {
        return "";
    }
    char text[32];
    std::snprintf(text, sizeof(text), ", %.1f fps", 1e7 / static_cast<double>(frameInterval));
    return text;
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

// A new, empty file beside an output file, which the capture is written to
// and which replaces the output when the capture is done. Removed when the
// owner goes, unless it was moved into place or kept.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile()
    {
        if (!path.empty()) {
            DeleteFileW(path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file, under a unique name in the folder of output.
    HRESULT Create(const std::wstring& output)
    {
        const size_t slash = output.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : output.substr(0, slash + 1);
        wchar_t name[MAX_PATH];
        if (!GetTempFileNameW(folder.c_str(), L"lcp", 0, name)) {
            return win::LastErrorResult();
        }
        path = name;
        return S_OK;
    }
    const std::wstring& Path() const { return path; }

    // Moves the file onto target, replacing what is there; the file is
    // target's then.
    HRESULT MoveOnto(const std::wstring& target)
    {
        if (!MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return win::LastErrorResult();
        }
        path.clear();
        return S_OK;
    }
    // Leaves the file where it is when the owner goes.
    void Keep() { path.clear(); }

private:
    std::wstring path;
};

int ReportWriteFailure(const std::wstring& path, HRESULT hr, Console& console)
{
    console.err << "lumoracap: cannot write " << Quoted(path) << ": " << DescribeResult(hr) << "\n";
    return kExitFileFailed;
}

struct Tally {
    double seconds = 0;  // from the start of the recording to its end
    long dropped = 0;    // by the camera's path (IAMDroppedFrames)
    long unwritten = 0;  // by the write queue (the disk fell behind)
    double diskBytesPerSecond = 0; // what the disk took while writing
};

// The figures ExplainLostFrames weighs: the counts, the format captured (its
// rate from the interval its type announces, or the rate the frames came at
// when it announces none) and what the pin lists.
CaptureFigures Figures(const Tally& tally, const BITMAPINFOHEADER& format, REFERENCE_TIME frameInterval,
                       std::vector<ListedFormat> listed, long frames)
{
    CaptureFigures figures;
    figures.dropped = tally.dropped;
    figures.unwritten = tally.unwritten;
    figures.width = format.biWidth;
    figures.height = std::abs(format.biHeight);
    FormatOfHeader(format, &figures.format);
    figures.framesPerSecond = frameInterval > 0 ? 1e7 / static_cast<double>(frameInterval)
                              : tally.seconds > 0 ? (frames + tally.dropped + tally.unwritten) / tally.seconds
                                                  : 0;
    figures.diskBytesPerSecond = tally.diskBytesPerSecond;
    figures.listed = std::move(listed);
    return figures;
}

// Shows the progress line until the capture's time has passed or a write
// has failed (true); tally->seconds is the time recorded.
bool ShowProgress(int captureSeconds, FrameGrabber& grabber, FrameRecorder& recorder, IAMDroppedFrames* counts,
                  ProgressLine& progress, Tally* tally)
{
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG captureMs = static_cast<ULONGLONG>(captureSeconds) * 1000;
    bool writeFailed = false;
    while (!writeFailed && GetTickCount64() - start < captureMs) {
        const ULONGLONG left = captureMs - (GetTickCount64() - start);
        writeFailed = WaitDispatchingMessages(recorder.FailedEvent(),
                                              static_cast<DWORD>(left < kProgressEveryMs ? left : kProgressEveryMs));
        progress.Update(SecondsSince(start), grabber.Frames(), DroppedFrames(counts), recorder.Dropped());
    }
    tally->seconds = SecondsSince(start);
    return writeFailed;
}

// Once the writing has ended with `written` (the first failure, or S_OK):
// a finished file with frames replaces the output and the summary is
// printed, with why frames were lost when they were (lost); otherwise the
// output stays as it was. kExitSuccess, or the exit code with its message
// printed.
int KeepCapture(TemporaryFile& temporary, const AviWriter& avi, HRESULT written, const Tally& tally,
                const std::string& lost, const std::wstring& device, const std::wstring& aviPath, Console& console)
{
    if (!avi.Complete() || avi.Frames() == 0) {
        if (FAILED(written)) {
            return ReportWriteFailure(aviPath, written, console);
        }
        console.err << "lumoracap: the camera " << Quoted(device) << " delivered no frames\n";
        return kExitCameraFailed;
    }
    const HRESULT moved = temporary.MoveOnto(aviPath);
    if (FAILED(moved)) {
        console.err << "lumoracap: cannot replace " << Quoted(aviPath) << ": " << DescribeResult(moved)
                    << "; the capture is kept in " << Quoted(temporary.Path()) << "\n";
        temporary.Keep();
        return kExitFileFailed;
    }
    char summary[192];
    std::snprintf(summary, sizeof(summary),
                  "Captured %lu frames in %.1f s (%.1f fps), %ld dropped, %ld unwritten, %.0f MB written to ",
                  static_cast<unsigned long>(avi.Frames()), tally.seconds, avi.Frames() / tally.seconds,
                  tally.dropped, tally.unwritten, FileMegabytes(aviPath));
    char rate[48] = "";
    if (tally.diskBytesPerSecond > 0) {
        std::snprintf(rate, sizeof(rate), " (the disk took %.0f MB/s)", tally.diskBytesPerSecond / 1e6);
    }
    console.out << summary << Quoted(aviPath) << rate << "\n";
    if (!lost.empty()) {
        console.out << lost << "\n";
    }
    if (FAILED(written)) {
        console.err << "lumoracap: cannot write " << Quoted(aviPath) << ": " << DescribeResult(written)
                    << "; the capture stopped, and the file holds the " << avi.Frames()
                    << " frames written before\n";
        return kExitFileFailed;
    }
    return kExitSuccess;
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
    // The capture pin, at the size and rate asked, into the grabber, which
    // feeds the file and the snapshot (and with --preview the preview pin
    // into a window).
    ComPtr<IBaseFilter> device;
    ComPtr<FrameGrabber> grabber;
    CaptureGraph graph;
    exitCode = SetUpGrabbingGraph(options, CaptureGraph::Pin::Capture, "capture", console, graph, &device, &grabber);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    BITMAPINFOHEADER format = {};
    REFERENCE_TIME frameInterval = 0;
    if (!graph.GrabbedFormat(CaptureGraph::Pin::Capture, &format, &frameInterval)) {
        return ReportGraphNotBuilt("capture", options.device, VFW_E_INVALIDMEDIATYPE, console);
    }
    // Declared before the writer, so that the file is closed before it is
    // removed.
    TemporaryFile temporary;
    HRESULT hr = temporary.Create(aviPath);
    if (FAILED(hr)) {
        return ReportWriteFailure(aviPath, hr, console);
    }
    AviWriter avi;
    hr = avi.Create(temporary.Path(), format);
    if (FAILED(hr)) {
        return ReportWriteFailure(aviPath, hr, console);
    }
    FrameRecorder recorder(avi);
    if (!recorder.Start()) {
        console.err << "lumoracap: cannot start writing " << Quoted(aviPath) << ": "
                    << DescribeResult(win::LastErrorResult()) << "\n";
        return kExitFailure;
    }
    grabber->RecordInto(&recorder);

    console.out << "Capturing " << options.seconds << " s from " << Quoted(options.device) << " ("
                << format.biWidth << " x " << std::abs(format.biHeight) << RateText(frameInterval) << ") into "
                << Quoted(aviPath) << (options.preview ? " with preview" : "") << "\n";
    exitCode = RunGraph(graph, options.device, console);
    if (exitCode != kExitSuccess) {
        grabber->RecordInto(nullptr);
        return exitCode; // nothing was captured: the temporary file goes, the output stays as it was
    }
    ComPtr<IAMDroppedFrames> counts = graph.CaptureFrameCounts();
    Tally tally;
    ProgressLine progress(console);
    const bool writeFailed = ShowProgress(options.seconds, *grabber.Get(), recorder, counts.Get(), progress, &tally);

    // The recording ends here (or at the failed write), so that the file
    // holds the frames of exactly this time; the snapshot is the next frame
    // that passes.
    grabber->RecordInto(nullptr);
    std::vector<BYTE> snapshot;
    if (!pngPath.empty() && !writeFailed) {
        grabber->RequestCopy(0);
        if (WaitDispatchingMessages(grabber->CopyReady(), kSnapshotWaitMs)) {
            grabber->TakeCopy(&snapshot);
        }
    }
    graph.Stop();
    // The queued frames are written before the file is finished.
    HRESULT written = recorder.Stop();
    const HRESULT finished = avi.Finish(tally.seconds);
    if (SUCCEEDED(written)) {
        written = finished;
    }
    tally.dropped = DroppedFrames(counts.Get());
    tally.unwritten = recorder.Dropped();
    tally.diskBytesPerSecond = recorder.WriteBytesPerSecond();
    progress.Finish(tally.seconds, static_cast<long>(avi.Frames()), tally.dropped, tally.unwritten);
    const std::string lost = ExplainLostFrames(
        Figures(tally, format, frameInterval, ListedFormats(device.Get(), PIN_CATEGORY_CAPTURE), grabber->Frames()));
    exitCode = KeepCapture(temporary, avi, written, tally, lost, options.device, aviPath, console);
    if (exitCode != kExitSuccess) {
        return exitCode;
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
