#include "bench/ConversionBench.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/ConversionOrders.h"
#include "bench/CopyFloor.h"
#include "bench/RunStatistics.h"
#include "camera/CameraSdk.h"
#include "camera/FrameConverter.h"
#include "camera/FrameWindow.h"
#include "camera/ScalePlan.h"
#include "simcamera/SimControl.h"

namespace {

// Source images and frames go round this many buffers, so that no call finds
// its source (24 MB) or its frame in the cache left by the one before.
const int kSources = 4;
const int kFrames = 4;
// Timed calls per figure, after one untimed call (plans and scratch memory).
const int kRepeats = 15;

struct Images {
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint8_t>> copies;
};

// kSources copies of the simulated camera's image at a resolution index.
bool FetchImages(int resolution, Images* images)
{
    SimReset();
    bool ok = CameraInit(nullptr, resolution, nullptr, nullptr) == 1 &&
              CameraGetImageSize(&images->width, &images->height) == 1;
    if (ok) {
        images->copies.assign(kSources, std::vector<uint8_t>(static_cast<size_t>(images->width) * images->height * 3));
        ok = CameraGetImageDataRGB24(images->copies[0].data()) == 1;
        for (int i = 1; ok && i < kSources; ++i) {
            images->copies[i] = images->copies[0];
        }
    }
    SimReset();
    return ok;
}

double NowMs()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Median ms of run(source index, frame index) over kRepeats calls after one
// untimed call.
template <class Run>
double MedianMs(Run run)
{
    run(0, 0);
    std::vector<double> times;
    for (int i = 1; i <= kRepeats; ++i) {
        const double before = NowMs();
        run(i % kSources, i % kFrames);
        times.push_back(NowMs() - before);
    }
    return stats::Median(times);
}

// Medians ms of a(source, frame) and b(source, frame), called in turn
// (kRepeats each after one untimed call of each), so that both figures are
// taken in the same minutes of a shared machine.
template <class RunA, class RunB>
std::pair<double, double> AlternatedMediansMs(RunA a, RunB b)
{
    a(0, 0);
    b(1, 1);
    std::vector<double> timesA, timesB;
    for (int i = 1; i <= kRepeats; ++i) {
        double before = NowMs();
        a(i % kSources, i % kFrames);
        timesA.push_back(NowMs() - before);
        before = NowMs();
        b((i + 1) % kSources, (i + 1) % kFrames);
        timesB.push_back(NowMs() - before);
    }
    return {stats::Median(timesA), stats::Median(timesB)};
}

// The cache-cold memcpy of bytes (8 buffers round, 24 copies), once per size.
double ColdCopyMs(size_t bytes)
{
    static std::map<size_t, double> measured;
    auto found = measured.find(bytes);
    if (found == measured.end()) {
        found = measured.emplace(bytes, MedianCopyMs(bytes, 8, 24)).first;
    }
    return found->second;
}

struct Entry {
    int width, height;
    FrameFit fit;
};

} // namespace

int RunConversionBench(std::FILE* out)
{
    const PixelFormat formats[] = {PixelFormat::Rgb24, PixelFormat::Rgb32, PixelFormat::Yuy2,
                                   PixelFormat::Nv12,  PixelFormat::I420,  PixelFormat::Y800};
    const Entry entries[] = {{3264, 2448, FrameFit::CentredCut},   {3032, 2016, FrameFit::CentredCut},
                             {1920, 1080, FrameFit::ScaledWindow}, {1280, 720, FrameFit::ScaledWindow},
                             {640, 480, FrameFit::ScaledWindow}};
    std::vector<std::vector<uint8_t>> frames(kFrames, std::vector<uint8_t>(3264u * 2448u * 4u));
    double worstConverted = 0;
    std::string worstName;

    for (int resolution : {0, 1}) {
        Images images;
        if (!FetchImages(resolution, &images)) {
            std::fprintf(stderr, "lumorabench: no image from the simulated camera at resolution %d\n", resolution);
            return 1;
        }
        std::fprintf(out,
                     "\nFrom the %d x %d image (cache-cold medians of %d; copies: the conversion's time in cold "
                     "memcpys of the source window and of the frame)\n",
                     images.width, images.height, kRepeats);
        std::fprintf(out, "%-6s %-10s %-6s %11s %11s %8s %10s %8s\n", "format", "size", "fit", "convert ms",
                     "window ms", "copies", "frame ms", "copies");
        for (const Entry& entry : entries) {
            if (entry.width > images.width || entry.height > images.height) {
                continue;
            }
            for (PixelFormat format : formats) {
                const FrameLayout layout = FrameLayout::Natural(format, entry.width, entry.height, entry.fit);
                size_t windowPixels = static_cast<size_t>(entry.width) * entry.height;
                if (entry.fit == FrameFit::ScaledWindow) {
                    const PictureRect window =
                        LargestWindowWithAspect(images.width, images.height, entry.width, entry.height);
                    windowPixels = static_cast<size_t>(window.width) * window.height;
                }
                FrameConverter converter;
                const double ms = MedianMs([&](int source, int frame) {
                    converter.Write(images.copies[source].data(), images.width, images.height, layout,
                                    frames[frame].data(), frames[frame].size());
                });
                const double windowMs = ColdCopyMs(windowPixels * 3);
                const double frameMs = ColdCopyMs(layout.Bytes());
                const double copies = ms / windowMs;
                std::fprintf(out, "%-6s %4dx%-5d %-6s %11.2f %11.2f %8.2f %10.2f %8.2f\n", PixelFormatName(format), entry.width,
                             entry.height, entry.fit == FrameFit::CentredCut ? "cut" : "scaled", ms, windowMs,
                             copies, frameMs, ms / frameMs);
                const bool converted = format != PixelFormat::Rgb24 || entry.fit == FrameFit::ScaledWindow;
                if (converted && copies > worstConverted) {
                    worstConverted = copies;
                    worstName = std::string(PixelFormatName(format)) + " " + std::to_string(entry.width) + "x" +
                                std::to_string(entry.height) + " from " + std::to_string(images.width) + "x" +
                                std::to_string(images.height);
                }
            }
        }

        // The orders tried for NV12: scaled (1280 x 720 and 1920 x 1080) and cut.
        std::fprintf(out, "\nNV12 orders from the %d x %d image\n", images.width, images.height);
        for (const Entry& entry : {entries[3], entries[2]}) {
            const PictureRect window = LargestWindowWithAspect(images.width, images.height, entry.width, entry.height);
            const double windowMs = ColdCopyMs(static_cast<size_t>(window.width) * window.height * 3);
            const FrameLayout layout = FrameLayout::Natural(PixelFormat::Nv12, entry.width, entry.height, entry.fit);
            FrameConverter converter;
            const double chosen = MedianMs([&](int source, int frame) {
                converter.Write(images.copies[source].data(), images.width, images.height, layout,
                                frames[frame].data(), frames[frame].size());
            });
            std::fprintf(out, "  %dx%d from the %dx%d window:\n", entry.width, entry.height, window.width,
                         window.height);
            std::fprintf(out, "    %-80s %7.2f ms %5.2f copies\n", "FrameConverter (strips ARGB: 2x2 boxes, bilinear, ARGBToNV12)",
                         chosen, chosen / windowMs);
            for (const auto& order : ScaledNv12Orders(window.width, window.height, entry.width, entry.height)) {
                const double ms = MedianMs([&](int source, int frame) {
                    const size_t stride = static_cast<size_t>(images.width) * 3;
                    const BgrWindow view = {images.copies[source].data() +
                                                static_cast<size_t>(images.height - 1 - window.top) * stride +
                                                static_cast<size_t>(window.left) * 3,
                                            -static_cast<int>(stride), window.width, window.height};
                    order->Run(view, frames[frame].data(), entry.width, entry.height);
                });
                std::fprintf(out, "    %-80s %7.2f ms %5.2f copies\n", order->Name(), ms, ms / windowMs);
            }
        }
        {
            // YUY2 1920 x 1080: the converter against its former order, in turn.
            const Entry& entry = entries[2];
            const PictureRect window = LargestWindowWithAspect(images.width, images.height, entry.width, entry.height);
            const double windowMs = ColdCopyMs(static_cast<size_t>(window.width) * window.height * 3);
            const FrameLayout layout = FrameLayout::Natural(PixelFormat::Yuy2, entry.width, entry.height, entry.fit);
            FrameConverter converter;
            const std::unique_ptr<ConversionOrder> former =
                ScaledYuy2EveryRowToArgb(window.width, window.height, entry.width, entry.height);
            const std::pair<double, double> ms = AlternatedMediansMs(
                [&](int source, int frame) {
                    converter.Write(images.copies[source].data(), images.width, images.height, layout,
                                    frames[frame].data(), frames[frame].size());
                },
                [&](int source, int frame) {
                    const size_t stride = static_cast<size_t>(images.width) * 3;
                    const BgrWindow view = {images.copies[source].data() +
                                                static_cast<size_t>(images.height - 1 - window.top) * stride +
                                                static_cast<size_t>(window.left) * 3,
                                            -static_cast<int>(stride), window.width, window.height};
                    former->Run(view, frames[frame].data(), entry.width, entry.height);
                });
            std::fprintf(out, "\nYUY2 orders from the %d x %d image, %dx%d from the %dx%d window (in turn):\n",
                         images.width, images.height, entry.width, entry.height, window.width, window.height);
            std::fprintf(out, "    %-80s %7.2f ms %5.2f copies\n",
                         "FrameConverter (strips: row pairs averaged in BGR, half the rows to ARGB, boxes, bilinear)",
                         ms.first, ms.first / windowMs);
            std::fprintf(out, "    %-80s %7.2f ms %5.2f copies\n", former->Name(), ms.second, ms.second / windowMs);
        }
        {
            const Entry& entry = entries[1];
            const double windowMs = ColdCopyMs(static_cast<size_t>(entry.width) * entry.height * 3);
            const FrameLayout layout = FrameLayout::Natural(PixelFormat::Nv12, entry.width, entry.height);
            FrameConverter converter;
            const double chosen = MedianMs([&](int source, int frame) {
                converter.Write(images.copies[source].data(), images.width, images.height, layout,
                                frames[frame].data(), frames[frame].size());
            });
            const std::unique_ptr<ConversionOrder> argb = CutNv12ThroughArgb(entry.width);
            const double other = MedianMs([&](int source, int frame) {
                const size_t stride = static_cast<size_t>(images.width) * 3;
                const int left = (images.width - entry.width) / 2;
                const int bottom = (images.height - entry.height) / 2;
                const BgrWindow view = {images.copies[source].data() +
                                            static_cast<size_t>(bottom + entry.height - 1) * stride +
                                            static_cast<size_t>(left) * 3,
                                        -static_cast<int>(stride), entry.width, entry.height};
                argb->Run(view, frames[frame].data(), entry.width, entry.height);
            });
            std::fprintf(out, "  %dx%d cut:\n", entry.width, entry.height);
            std::fprintf(out, "    %-80s %7.2f ms %5.2f copies\n",
                         "FrameConverter (strips: RGB24ToI420, MergeUVPlane)", chosen, chosen / windowMs);
            std::fprintf(out, "    %-80s %7.2f ms %5.2f copies\n", argb->Name(), other, other / windowMs);
        }
    }
    std::fprintf(out, "\nMost copies of a converted or scaled entry: %.2f (%s); target <= 2.5: %s\n", worstConverted,
                 worstName.c_str(), worstConverted <= 2.5 ? "met" : "MISSED");
    return 0;
}
