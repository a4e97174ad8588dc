#include "camera/FrameConverter.h"

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "camera/FramePlanes.h"
#include "camera/ScalePlan.h"
#include "libyuv/convert.h"
#include "libyuv/convert_argb.h"
#include "libyuv/convert_from_argb.h"
#include "libyuv/planar_functions.h"
#include "libyuv/scale.h"

// How each frame is made, and why in that order.
//
// The cost of a converted frame is set by reading the source window from
// memory: 18 MB of a 3264 x 1836 window against 1.4 MB of a 1280 x 720 NV12
// frame. Every pass over a whole-window intermediate adds a write and a read
// of it from memory, so no intermediate is whole-window: the window is
// converted and scaled in strips of a few dozen source rows whose
// intermediates stay in the cache, and each source byte is read from memory
// once.
//
// Within a strip, the order that moves the fewest bytes: convert the BGR rows
// to the planar form the scale works on first (I420: 1.5 bytes a pixel;
// grey: 1), then scale the smaller planes. Scaling first would scale three
// full-resolution colour planes (3 bytes a pixel) and convert only after; an
// ARGB intermediate moves 4 bytes a pixel, and libyuv's ARGB scaler has no
// area-averaging filter for ratios that are not whole numbers (it falls back
// to bilinear sampling, which skips source pixels at 1280 x 720 from 3264 x
// 1836). The RGB formats have no smaller form, and are scaled as three
// planes. The benchmark (bench/ConversionBench) measures these orders
// against each other; see bench/README.md for the figures.
//
// Strip seams. libyuv's box filter gives output row j the source rows from
// floor(j x dy) to floor((j + 1) x dy), dy = window rows / frame rows in 16.16
// fixed point. Strips are whole units of that ratio (51 source rows give 20
// output rows from 1836 to 720), so every strip's rows fall where they fall
// in one whole-window call; only at a seam can the whole-window call's
// rounded-down dy start a box one source row early (3 rows instead of 2),
// within the rounding of the box edges. A ratio whose unit is too tall
// (PlanStrips) scales the whole window in one strip.

namespace {

// About this many source rows per strip: a 3264-pixel strip of 32 rows is
// 313 KB of BGR and 157 KB of I420.
const int kStripSourceRows = 32;
// A ratio unit taller than this is scaled in one strip.
const int kLargestUnitRows = 256;
// Scratch areas start on cache lines (libyuv's aligned rows run faster).
const size_t kAlignment = 64;

size_t AlignUp(size_t bytes)
{
    return (bytes + kAlignment - 1) / kAlignment * kAlignment;
}

// How a frame of a layout is made from an image of one size.
enum class Route { Black, CopyRgb24, Cut, Scaled };

// The RGB24 image seen in picture order: the top row of a rectangle of it
// and the step between picture rows (negative: the image is bottom-up).
struct SourceView {
    const uint8_t* top;
    int step;
};

SourceView ViewOf(const unsigned char* image, int imageWidth, int imageHeight, int left, int top)
{
    const size_t stride = static_cast<size_t>(imageWidth) * 3;
    return {image + static_cast<size_t>(imageHeight - 1 - top) * stride + static_cast<size_t>(left) * 3,
            -static_cast<int>(stride)};
}

const uint8_t* RowOf(const SourceView& view, int row)
{
    return view.top + static_cast<ptrdiff_t>(row) * view.step;
}

uint8_t* RowOf(const FramePlane& plane, int row)
{
    return plane.top + static_cast<ptrdiff_t>(row) * plane.step;
}

// Whether libyuv's box filter would fall back to bilinear sampling for a
// scale from width x height down to outWidth x outHeight: it does where the
// output is more than half the source on either side (1920 x 1080 from a
// 3264 x 1836 window: 1.7), and bilinear sampling at that step weighs some
// source pixels 20 times more than others (a single-pixel checkerboard comes
// out from 8 % to 92 % grey).
bool BoxBecomesBilinear(int width, int height, int outWidth, int outHeight)
{
    return (outWidth * 2 > width || outHeight * 2 > height) && (outWidth < width || outHeight < height);
}

// Scales one plane of a strip down by area averaging. Where libyuv's box
// filter would not average (BoxBecomesBilinear), through twice the output
// size: a bilinear scale up to 2 x outWidth x 2 x outHeight in up, then the
// exact 2 x 2 box down. Every output pixel then averages the source over its
// area with a tent of one source pixel (the checkerboard comes out 49-51 %
// grey); up holds 4 x outWidth x outHeight bytes.
void ScalePlaneDown(const uint8_t* source, int sourceStride, int width, int height, uint8_t* out, int outStride,
                    int outWidth, int outHeight, uint8_t* up)
{
    if (BoxBecomesBilinear(width, height, outWidth, outHeight)) {
        libyuv::ScalePlane(source, sourceStride, width, height, up, outWidth * 2, outWidth * 2, outHeight * 2,
                           libyuv::kFilterBilinear);
        libyuv::ScalePlane(up, outWidth * 2, outWidth * 2, outHeight * 2, out, outStride, outWidth, outHeight,
                           libyuv::kFilterBox);
    } else {
        libyuv::ScalePlane(source, sourceStride, width, height, out, outStride, outWidth, outHeight,
                           libyuv::kFilterBox);
    }
}

// Writes black of the layout's format over the whole frame, row padding 0.
void FillBlack(const FrameLayout& layout, unsigned char* frame)
{
    std::memset(frame, 0, layout.Bytes());
    const FramePlanes planes = PlanesOf(layout, frame);
    const FramePlane& first = planes.plane[0];
    switch (layout.format) {
    case PixelFormat::Rgb24:
    case PixelFormat::Y800:
        break;
    case PixelFormat::Rgb32:
        libyuv::ARGBRect(first.top, first.step, 0, 0, layout.width, layout.height, 0xFF000000u);
        break;
    case PixelFormat::Yuy2:
        // Pixel pairs Y 16, U 128, Y 16, V 128: one 32-bit value each.
        libyuv::ARGBRect(first.top, first.step, 0, 0, layout.width / 2, layout.height, 0x80108010u);
        break;
    case PixelFormat::Nv12:
    case PixelFormat::I420:
        libyuv::SetPlane(first.top, first.step, first.rowBytes, first.rows, 16);
        for (int i = 1; i < planes.count; ++i) {
            const FramePlane& chroma = planes.plane[i];
            libyuv::SetPlane(chroma.top, chroma.step, chroma.rowBytes, chroma.rows, 128);
        }
        break;
    }
}

// Writes 0 over the bytes after each row's pixels.
void ZeroRowPadding(const FrameLayout& layout, unsigned char* frame)
{
    const FramePlanes planes = PlanesOf(layout, frame);
    for (int i = 0; i < planes.count; ++i) {
        const FramePlane& plane = planes.plane[i];
        const int padding = std::abs(plane.step) - plane.rowBytes;
        if (padding <= 0) {
            continue;
        }
        for (int row = 0; row < plane.rows; ++row) {
            std::memset(RowOf(plane, row) + plane.rowBytes, 0, static_cast<size_t>(padding));
        }
    }
}

// Where the image and the frame meet along one dimension, in picture order
// (see CentredSpan in FrameWindow.cpp for RGB24's cut).
struct Span {
    int imageStart;
    int frameStart;
    int length;
};

// The crop or the black border along one dimension. imageFromEnd: the
// image's first row in memory is the picture's last (the crop is counted
// from that end, as the RGB24 cut counts it). frameFromEnd: the frame's
// rows run that way too. even: the frame offset is even.
Span CentredSpan(int imageSide, int frameSide, bool imageFromEnd, bool frameFromEnd, bool even)
{
    if (imageSide >= frameSide) {
        const int skipped = (imageSide - frameSide) >> 1;
        return {imageFromEnd ? imageSide - skipped - frameSide : skipped, 0, frameSide};
    }
    int border = (frameSide - imageSide) >> 1;
    if (frameFromEnd) {
        border = frameSide - imageSide - border;
    }
    if (even) {
        border &= ~1;
    }
    return {0, border, imageSide};
}

// An aligned, uninitialised block of scratch memory.
class ScratchBlock {
public:
    ScratchBlock() = default;
    ~ScratchBlock() { _aligned_free(m_data); }
    ScratchBlock(const ScratchBlock&) = delete;
    ScratchBlock& operator=(const ScratchBlock&) = delete;

    // At least bytes; false when they cannot be had (the block is then empty).
    bool Reserve(size_t bytes)
    {
        if (bytes <= m_size) {
            return true;
        }
        _aligned_free(m_data);
        m_data = static_cast<uint8_t*>(_aligned_malloc(bytes, kAlignment));
        m_size = m_data ? bytes : 0;
        return m_data != nullptr;
    }
    uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

// Hands out consecutive aligned areas of a scratch block.
class ScratchCursor {
public:
    explicit ScratchCursor(uint8_t* base) : m_next(base) {}
    uint8_t* Take(size_t bytes)
    {
        uint8_t* area = m_next;
        if (m_next) {
            m_next += AlignUp(bytes);
        }
        return area;
    }
    // The bytes Take would need, without a block (base null counts from 0).
    static size_t Needs(std::initializer_list<size_t> areas)
    {
        size_t total = 0;
        for (size_t area : areas) {
            total += AlignUp(area);
        }
        return total;
    }

private:
    uint8_t* m_next;
};

} // namespace

struct ConversionPlan {
    // The key.
    int imageWidth = 0;
    int imageHeight = 0;
    FrameLayout layout;

    Route route = Route::Black;
    PictureRect window;      // Scaled: the window of the image, picture coordinates
    StripPlan strips;        // Scaled: rows per strip; Cut: output rows per strip
    Span columns{0, 0, 0};   // Cut
    Span rows{0, 0, 0};      // Cut, picture order
    ScratchBlock scratch;
    bool scratchReady = false;

    bool Matches(int width, int height, const FrameLayout& other) const
    {
        return width == imageWidth && height == imageHeight && other.width == layout.width &&
               other.height == layout.height && other.stride == layout.stride && other.format == layout.format &&
               other.fit == layout.fit;
    }
};

namespace {

size_t ScratchForCut(const FrameLayout& layout, int width, int stripRows)
{
    const size_t rows = static_cast<size_t>(stripRows);
    switch (layout.format) {
    case PixelFormat::Nv12: {
        const size_t chroma = static_cast<size_t>((width + 1) / 2) * ((rows + 1) / 2);
        return ScratchCursor::Needs({chroma, chroma});
    }
    case PixelFormat::Yuy2:
        return ScratchCursor::Needs({static_cast<size_t>(width) * 4 * rows});
    default:
        return 0;
    }
}

size_t ScratchForScale(const FrameLayout& layout, int windowWidth, const StripPlan& strips)
{
    const size_t in = static_cast<size_t>(windowWidth) * strips.sourceRows;
    const size_t inHalf = static_cast<size_t>((windowWidth + 1) / 2) * strips.sourceRows;
    const size_t out = static_cast<size_t>(layout.width) * strips.outputRows;
    const size_t outHalf = static_cast<size_t>(layout.width / 2) * strips.outputRows;
    const size_t up = out * 4; // ScalePlaneDown's twice-the-size plane
    switch (layout.format) {
    case PixelFormat::I420:
        return ScratchCursor::Needs({up, in, inHalf / 2, inHalf / 2});
    case PixelFormat::Nv12:
        return ScratchCursor::Needs({up, in, inHalf / 2, inHalf / 2, outHalf / 2, outHalf / 2});
    case PixelFormat::Yuy2:
        return ScratchCursor::Needs({up, in * 4, in, inHalf, inHalf, out, outHalf, outHalf});
    case PixelFormat::Y800:
        return ScratchCursor::Needs({up, in});
    case PixelFormat::Rgb24:
    case PixelFormat::Rgb32:
        return ScratchCursor::Needs({up, in, in, in, out, out, out});
    }
    return 0;
}

// The centred cut of a format other than RGB24: the image rectangle
// plan.columns x plan.rows converted into the same rectangle of the frame,
// whose other pixels are already black.
bool ConvertCut(const ConversionPlan& plan, const unsigned char* image, unsigned char* frame);

bool ScaleWindow(const ConversionPlan& plan, const unsigned char* image, unsigned char* frame);

} // namespace

FrameConverter::FrameConverter() = default;
FrameConverter::~FrameConverter() = default;

size_t FrameConverter::ScratchBytes() const
{
    return m_plan ? m_plan->scratch.Size() : 0;
}

size_t FrameConverter::Write(const unsigned char* image, int imageWidth, int imageHeight, const FrameLayout& layout,
                             unsigned char* frame, size_t capacity)
{
    if (!frame || layout.IsEmpty()) {
        return 0;
    }
    const bool hasImage = image && imageWidth > 0 && imageHeight > 0;
    if (!hasImage) {
        imageWidth = 0;
        imageHeight = 0;
    }
    if (!m_plan || !m_plan->Matches(imageWidth, imageHeight, layout)) {
        std::unique_ptr<ConversionPlan> plan = m_plan ? std::move(m_plan) : std::make_unique<ConversionPlan>();
        plan->imageWidth = imageWidth;
        plan->imageHeight = imageHeight;
        plan->layout = layout;
        plan->scratchReady = false;
        plan->route = Route::Cut;
        if (!hasImage) {
            plan->route = Route::Black;
        } else if (layout.fit == FrameFit::ScaledWindow) {
            plan->window = LargestWindowWithAspect(imageWidth, imageHeight, layout.width, layout.height);
            if (plan->window.width >= layout.width && plan->window.height >= layout.height &&
                (plan->window.width > layout.width || plan->window.height > layout.height)) {
                plan->route = Route::Scaled;
            }
        }
        if (plan->route == Route::Cut && layout.format == PixelFormat::Rgb24) {
            plan->route = Route::CopyRgb24;
        }
        size_t scratch = 0;
        if (plan->route == Route::Cut) {
            const bool bottomUp = IsBottomUp(layout.format);
            plan->columns = CentredSpan(imageWidth, layout.width, false, false, NeedsEvenWidth(layout.format));
            plan->rows = CentredSpan(imageHeight, layout.height, true, bottomUp, NeedsEvenHeight(layout.format));
            plan->strips = {kStripSourceRows, kStripSourceRows};
            scratch = ScratchForCut(layout, plan->columns.length, kStripSourceRows);
        } else if (plan->route == Route::Scaled) {
            const bool evenRows = layout.format == PixelFormat::Nv12 || layout.format == PixelFormat::I420;
            plan->strips =
                PlanStrips(plan->window.height, layout.height, evenRows, kStripSourceRows, kLargestUnitRows);
            scratch = ScratchForScale(layout, plan->window.width, plan->strips);
        }
        plan->scratchReady = plan->scratch.Reserve(scratch);
        m_plan = std::move(plan);
    }
    const ConversionPlan& plan = *m_plan;

    if (plan.route == Route::CopyRgb24) {
        return CopyCentredWindow(image, imageWidth, imageHeight, layout, frame, capacity);
    }
    const size_t bytes = layout.Bytes();
    if (capacity < bytes || !plan.scratchReady) {
        return 0;
    }
    switch (plan.route) {
    case Route::Black:
        FillBlack(layout, frame);
        return bytes;
    case Route::Cut:
        if (plan.columns.length < layout.width || plan.rows.length < layout.height) {
            FillBlack(layout, frame);
        }
        if (!ConvertCut(plan, image, frame)) {
            return 0;
        }
        break;
    case Route::Scaled:
        if (!ScaleWindow(plan, image, frame)) {
            return 0;
        }
        break;
    case Route::CopyRgb24:
        break;
    }
    ZeroRowPadding(layout, frame);
    return bytes;
}

namespace {

bool ConvertCut(const ConversionPlan& plan, const unsigned char* image, unsigned char* frame)
{
    const FrameLayout& layout = plan.layout;
    const SourceView source =
        ViewOf(image, plan.imageWidth, plan.imageHeight, plan.columns.imageStart, plan.rows.imageStart);
    const int width = plan.columns.length;
    const int height = plan.rows.length;
    const int x = plan.columns.frameStart;
    const int y = plan.rows.frameStart;
    const FramePlanes planes = PlanesOf(layout, frame);
    const FramePlane& first = planes.plane[0];
    uint8_t* const top = RowOf(first, y) + static_cast<size_t>(x) * FirstPlaneBytesPerPixel(layout.format);

    switch (layout.format) {
    case PixelFormat::Rgb32:
        return libyuv::RGB24ToARGB(source.top, source.step, top, first.step, width, height) == 0;
    case PixelFormat::Y800:
        return libyuv::RGB24ToJ400(source.top, source.step, top, first.step, width, height) == 0;
    case PixelFormat::I420: {
        const FramePlane& u = planes.plane[1];
        const FramePlane& v = planes.plane[2];
        return libyuv::RGB24ToI420(source.top, source.step, top, first.step, RowOf(u, y / 2) + x / 2, u.step,
                                   RowOf(v, y / 2) + x / 2, v.step, width, height) == 0;
    }
    case PixelFormat::Nv12: {
        // No direct BGR to NV12 in libyuv: I420 in strips, the luma
        // straight into the frame, the chroma through two small planes
        // interleaved into the frame's UV plane.
        const FramePlane& uv = planes.plane[1];
        const int chromaWidth = (width + 1) / 2;
        ScratchCursor cursor(plan.scratch.Data());
        const size_t chromaBytes = static_cast<size_t>(chromaWidth) * ((plan.strips.outputRows + 1) / 2);
        uint8_t* const u = cursor.Take(chromaBytes);
        uint8_t* const v = cursor.Take(chromaBytes);
        for (int row = 0; row < height; row += plan.strips.outputRows) {
            const int rows = std::min(plan.strips.outputRows, height - row);
            if (libyuv::RGB24ToI420(RowOf(source, row), source.step, top + static_cast<ptrdiff_t>(row) * first.step,
                                    first.step, u, chromaWidth, v, chromaWidth, width, rows) != 0) {
                return false;
            }
            libyuv::MergeUVPlane(u, chromaWidth, v, chromaWidth, RowOf(uv, (y + row) / 2) + x, uv.step, chromaWidth,
                                 (rows + 1) / 2);
        }
        return true;
    }
    case PixelFormat::Yuy2: {
        // BGR to ARGB to YUY2 in strips: libyuv's 4:2:2 packing starts from
        // ARGB (I420 would halve the chroma's rows).
        uint8_t* const argb = plan.scratch.Data();
        const int argbStride = width * 4;
        for (int row = 0; row < height; row += plan.strips.outputRows) {
            const int rows = std::min(plan.strips.outputRows, height - row);
            if (libyuv::RGB24ToARGB(RowOf(source, row), source.step, argb, argbStride, width, rows) != 0 ||
                libyuv::ARGBToYUY2(argb, argbStride, top + static_cast<ptrdiff_t>(row) * first.step, first.step,
                                   width, rows) != 0) {
                return false;
            }
        }
        return true;
    }
    case PixelFormat::Rgb24:
        break;
    }
    return false;
}

bool ScaleWindow(const ConversionPlan& plan, const unsigned char* image, unsigned char* frame)
{
    const FrameLayout& layout = plan.layout;
    const PictureRect& window = plan.window;
    const SourceView source = ViewOf(image, plan.imageWidth, plan.imageHeight, window.left, window.top);
    const FramePlanes planes = PlanesOf(layout, frame);
    const FramePlane& first = planes.plane[0];
    const int width = window.width;
    const int halfWidth = (width + 1) / 2;
    const int outWidth = layout.width;
    const StripPlan& strips = plan.strips;

    // The scratch areas, as ScratchForScale counted them.
    ScratchCursor cursor(plan.scratch.Data());
    uint8_t* const up = cursor.Take(static_cast<size_t>(outWidth) * strips.outputRows * 4);
    const size_t in = static_cast<size_t>(width) * strips.sourceRows;
    const size_t inHalf = static_cast<size_t>(halfWidth) * strips.sourceRows;
    const size_t out = static_cast<size_t>(outWidth) * strips.outputRows;
    const size_t outHalf = static_cast<size_t>(outWidth / 2) * strips.outputRows;

    int sourceRow = 0;
    for (int outRow = 0; outRow < layout.height; outRow += strips.outputRows, sourceRow += strips.sourceRows) {
        const int outRows = std::min(strips.outputRows, layout.height - outRow);
        const int sourceRows = std::min(strips.sourceRows, window.height - sourceRow);
        const uint8_t* const from = RowOf(source, sourceRow);
        uint8_t* const to = RowOf(first, outRow);
        switch (layout.format) {
        case PixelFormat::I420:
        case PixelFormat::Nv12: {
            ScratchCursor areas = cursor;
            uint8_t* const y = areas.Take(in);
            uint8_t* const u = areas.Take(inHalf / 2);
            uint8_t* const v = areas.Take(inHalf / 2);
            if (libyuv::RGB24ToI420(from, source.step, y, width, u, halfWidth, v, halfWidth, width, sourceRows) != 0) {
                return false;
            }
            const int outHalfWidth = outWidth / 2;
            ScalePlaneDown(y, width, width, sourceRows, to, first.step, outWidth, outRows, up);
            if (layout.format == PixelFormat::I420) {
                const FramePlane& outU = planes.plane[1];
                const FramePlane& outV = planes.plane[2];
                ScalePlaneDown(u, halfWidth, halfWidth, sourceRows / 2, RowOf(outU, outRow / 2), outU.step,
                               outHalfWidth, outRows / 2, up);
                ScalePlaneDown(v, halfWidth, halfWidth, sourceRows / 2, RowOf(outV, outRow / 2), outV.step,
                               outHalfWidth, outRows / 2, up);
            } else {
                uint8_t* const outU = areas.Take(outHalf / 2);
                uint8_t* const outV = areas.Take(outHalf / 2);
                ScalePlaneDown(u, halfWidth, halfWidth, sourceRows / 2, outU, outHalfWidth, outHalfWidth, outRows / 2,
                               up);
                ScalePlaneDown(v, halfWidth, halfWidth, sourceRows / 2, outV, outHalfWidth, outHalfWidth, outRows / 2,
                               up);
                libyuv::MergeUVPlane(outU, outHalfWidth, outV, outHalfWidth, RowOf(planes.plane[1], outRow / 2),
                                     planes.plane[1].step, outHalfWidth, outRows / 2);
            }
            break;
        }
        case PixelFormat::Yuy2: {
            // 4:2:2 keeps every row's chroma: through ARGB to I422 (libyuv
            // has no BGR to I422), scaled, then packed.
            ScratchCursor areas = cursor;
            uint8_t* const argb = areas.Take(in * 4);
            uint8_t* const y = areas.Take(in);
            uint8_t* const u = areas.Take(inHalf);
            uint8_t* const v = areas.Take(inHalf);
            uint8_t* const outY = areas.Take(out);
            uint8_t* const outU = areas.Take(outHalf);
            uint8_t* const outV = areas.Take(outHalf);
            const int outHalfWidth = outWidth / 2;
            if (libyuv::RGB24ToARGB(from, source.step, argb, width * 4, width, sourceRows) != 0 ||
                libyuv::ARGBToI422(argb, width * 4, y, width, u, halfWidth, v, halfWidth, width, sourceRows) != 0) {
                return false;
            }
            ScalePlaneDown(y, width, width, sourceRows, outY, outWidth, outWidth, outRows, up);
            ScalePlaneDown(u, halfWidth, halfWidth, sourceRows, outU, outHalfWidth, outHalfWidth, outRows, up);
            ScalePlaneDown(v, halfWidth, halfWidth, sourceRows, outV, outHalfWidth, outHalfWidth, outRows, up);
            if (libyuv::I422ToYUY2(outY, outWidth, outU, outHalfWidth, outV, outHalfWidth, to, first.step, outWidth,
                                   outRows) != 0) {
                return false;
            }
            break;
        }
        case PixelFormat::Y800: {
            uint8_t* const grey = ScratchCursor(cursor).Take(in);
            if (libyuv::RGB24ToJ400(from, source.step, grey, width, width, sourceRows) != 0) {
                return false;
            }
            ScalePlaneDown(grey, width, width, sourceRows, to, first.step, outWidth, outRows, up);
            break;
        }
        case PixelFormat::Rgb24:
        case PixelFormat::Rgb32: {
            // The three colour planes apart (bytes 0, 1, 2: B, G, R), each
            // scaled, then interleaved into the frame.
            ScratchCursor areas = cursor;
            uint8_t* inPlanes[3];
            uint8_t* outPlanes[3];
            for (uint8_t*& plane : inPlanes) {
                plane = areas.Take(in);
            }
            for (uint8_t*& plane : outPlanes) {
                plane = areas.Take(out);
            }
            libyuv::SplitRGBPlane(from, source.step, inPlanes[0], width, inPlanes[1], width, inPlanes[2], width, width,
                                  sourceRows);
            for (int i = 0; i < 3; ++i) {
                ScalePlaneDown(inPlanes[i], width, width, sourceRows, outPlanes[i], outWidth, outWidth, outRows, up);
            }
            if (layout.format == PixelFormat::Rgb24) {
                libyuv::MergeRGBPlane(outPlanes[0], outWidth, outPlanes[1], outWidth, outPlanes[2], outWidth, to,
                                      first.step, outWidth, outRows);
            } else {
                // MergeARGBPlane takes R, G, B and writes them as bytes 2,
                // 1, 0; no alpha plane gives 0xFF.
                libyuv::MergeARGBPlane(outPlanes[2], outWidth, outPlanes[1], outWidth, outPlanes[0], outWidth,
                                       nullptr, 0, to, first.step, outWidth, outRows);
            }
            break;
        }
        }
    }
    return true;
}

} // namespace
