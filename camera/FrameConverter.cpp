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
#include "libyuv/scale_argb.h"

// How each frame is made, and why in that order.
//
// The cost of a converted frame is set by what is done at the source's full
// resolution: reading the window from memory (18 MB of a 3264 x 1836 window
// against 1.4 MB of a 1280 x 720 NV12 frame) and every pass over it. So no
// intermediate is whole-window: the window is converted and scaled in strips
// of a few dozen source rows whose intermediates stay in the cache, and each
// source byte is read from memory once.
//
// Scaled frames, per strip: halved by exact 2 x 2 boxes while that leaves at
// least three quarters of the frame's size (BoxHalvings), the first of them
// on the way from BGR to ARGB (HalveBgrRows: row pairs averaged as bytes,
// which is the pass that reads the window from memory and the cheapest one
// at full resolution, so that only half the rows are converted to ARGB;
// converting every row to ARGB and boxing it took 15 % longer
// for YUY2 1920 x 1080, bench/ConversionOrders.h), scaled bilinearly
// to the frame's size (down by less than 1.5 : 1, or up by at most 4 : 3),
// and only then the colour matrix, on the frame's pixels (ARGBToNV12 and the
// like); the RGB formats pack the scaled ARGB, and RGB32 is written by the
// last scaling step itself. The boxes average every source pixel into the
// output: libyuv's ARGB scaler has no area-averaging filter for ratios that
// are not whole numbers (bilinear sampling at 2.55 : 1 skips source pixels).
//
// The other orders the benchmark measured (bench/ConversionOrders.h, figures
// in bench/README.md): converting to I420 first and box-scaling its planes
// moves fewer bytes (1.5 a pixel against 4) but computes Y, U and V for every
// source pixel, and libyuv's planar box filter adds up each output pixel's
// columns in plain C: about twice the time, in strips or whole. Scaling the
// three BGR planes apart before converting: three to four times. The same
// libyuv calls over the whole window instead of strips: 1.2 to 1.8 times, from
// writing and reading the intermediates in memory. Bilinear sampling alone
// was as fast as this order but aliases; a bilinear scale up to twice the
// frame's size and one box down (sharper at 1920 x 1080) took up to three
// times as long.
//
// Cuts of another format than RGB24 convert in one libyuv call where one
// exists (RGB32, I420, Y800), else in strips: NV12 through I420 (the luma
// straight into the frame, the chroma interleaved), YUY2 through ARGB.
//
// Strip seams. Strips are whole units of the ratio in whole boxes (102
// source rows give 40 output rows from 1836 to 720), so every bilinear
// sample falls where it falls in one whole-window call (up to the 16.16
// fixed-point rounding of the step; the 1280 x 720 frame is identical), and
// a ratio whose unit is too tall (PlanStrips) scales the whole window in one
// strip. Where the bilinear step scales up (918 halved rows to 1080 for
// 1920 x 1080), libyuv puts each strip's first and last samples on its first
// and last rows, a fraction of a row from where one call puts them.

namespace {

// About this many source rows per strip (at least one unit of the ratio): a
// 3264-pixel strip of 32 rows is 313 KB of BGR and 418 KB of ARGB.
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

// Halves ARGB rows in both directions: libyuv's exact 2 x 2 box (a scale of
// exactly half is its Down2 box). width and height are even.
void HalveArgb(const uint8_t* source, int sourceStride, int width, int height, uint8_t* out, int outStride)
{
    libyuv::ARGBScale(source, sourceStride, width, height, out, outStride, width / 2, height / 2,
                      libyuv::kFilterBox);
}

// The first 2 x 2 box of a window, taken in two halves so that only half of
// the window's pixels are converted to ARGB: each pair of BGR rows averaged
// into one (a blend of exactly one half, libyuv's rounded byte average,
// which needs no knowledge of the pixel layout), the half as many rows
// converted to ARGB, then each row's pixel pairs averaged (the Down2 box
// over a row and itself: a source stride of 0 makes its second row the
// first). rows is even; bgr holds width x rows / 2 BGR pixels and argb as
// many ARGB pixels; out receives width / 2 x rows / 2 ARGB pixels at
// outStride. Every source pixel is weighed a quarter, as in one 2 x 2 box, up
// to the rounding of the two averages (at most one step of 255).
bool HalveBgrRows(const uint8_t* top, int step, int width, int rows, uint8_t* bgr, uint8_t* argb, uint8_t* out,
                  int outStride)
{
    const int half = rows / 2;
    const int bgrStride = width * 3;
    const int argbStride = width * 4;
    if (libyuv::InterpolatePlane(top, 2 * step, top + step, 2 * step, bgr, bgrStride, bgrStride, half, 128) != 0 ||
        libyuv::RGB24ToARGB(bgr, bgrStride, argb, argbStride, width, half) != 0) {
        return false;
    }
    for (int row = 0; row < half; ++row) {
        if (libyuv::ARGBScale(argb + static_cast<size_t>(row) * argbStride, 0, width, 2,
                              out + static_cast<size_t>(row) * outStride, outStride, width / 2, 1,
                              libyuv::kFilterBox) != 0) {
            return false;
        }
    }
    return true;
}

// How many 2 x 2 boxes a window takes before its bilinear scale to the frame:
// as many as leave at least three quarters of the frame's size, so that the
// bilinear step scales down by less than 1.5 : 1 (where it weighs every
// pixel of the already averaged rows) or up by at most 4 : 3 (1920 x 1080
// from the 1632 x 918 halves of a 3264 x 1836 window); only while the
// window's sides stay whole.
int BoxHalvings(int width, int height, int outWidth, int outHeight)
{
    int halvings = 0;
    while (width % 2 == 0 && height % 2 == 0 && 4LL * (width / 2) >= 3LL * outWidth &&
           4LL * (height / 2) >= 3LL * outHeight) {
        width /= 2;
        height /= 2;
        ++halvings;
    }
    return halvings;
}

// ARGB scratch rows are this much longer than their pixels: libyuv treats
// rows that are exactly as long as their pixels on both sides as one long
// row, and some of its functions then allocate a working row the size of the
// whole strip for every call.
const int kArgbRowPadding = 64;

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
    case PixelFormat::Rgb32TopDown:
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
    int halvings = 0;        // Scaled: BoxHalvings of the window
    int subRows = 0;         // Scaled with halvings: source rows converted at a time
    Span columns{0, 0, 0};   // Cut
    Span rows{0, 0, 0};      // Cut, picture order
    ScratchBlock scratch;
    bool scratchReady = false;

    bool Matches(int width, int height, const FrameLayout& other) const
    {
        return width == imageWidth && height == imageHeight && other.SameAs(layout);
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
        return ScratchCursor::Needs({(static_cast<size_t>(width) * 4 + kArgbRowPadding) * rows});
    default:
        return 0;
    }
}

// The scratch of a scaled frame, in the order ScaleWindow takes it.
size_t ScratchForScale(const FrameLayout& layout, const ConversionPlan& plan)
{
    const size_t width = static_cast<size_t>(plan.window.width);
    const size_t out = (static_cast<size_t>(layout.width) * 4 + kArgbRowPadding) * plan.strips.outputRows;
    if (plan.halvings == 0) {
        // The strip in ARGB, the frame's strip.
        return ScratchCursor::Needs({(width * 4 + kArgbRowPadding) * plan.strips.sourceRows, out});
    }
    // A few rows' pairs averaged in BGR and converted to ARGB (HalveBgrRows),
    // two areas for the boxes between, the whole strip halved, the frame's
    // strip.
    const size_t pairs = width * (plan.subRows / 2);
    const size_t rows = width * plan.subRows * 4;
    return ScratchCursor::Needs({pairs * 3, pairs * 4, rows / 4, rows / 4,
                                 (width >> plan.halvings) * (plan.strips.sourceRows >> plan.halvings) * 4, out});
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
            const bool evenRows = NeedsEvenHeight(layout.format);
            plan->halvings =
                BoxHalvings(plan->window.width, plan->window.height, layout.width, layout.height);
            // Strips of whole boxes: source rows a multiple of 2^halvings.
            plan->strips = PlanStrips(plan->window.height, layout.height, evenRows ? 2 : 1, 1 << plan->halvings,
                                      kStripSourceRows, kLargestUnitRows);
            const int boxRows = 1 << plan->halvings;
            plan->subRows = std::min(plan->strips.sourceRows, std::max(boxRows, kStripSourceRows / boxRows * boxRows));
            scratch = ScratchForScale(layout, *plan);
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
    case PixelFormat::Rgb32TopDown:
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
        const int argbStride = width * 4 + kArgbRowPadding;
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
    const int outWidth = layout.width;
    const StripPlan& strips = plan.strips;

    // The scratch areas, as ScratchForScale counted them.
    const int scaledStride = outWidth * 4 + kArgbRowPadding;
    const size_t out = static_cast<size_t>(scaledStride) * strips.outputRows;
    const int halfWidth = width >> plan.halvings;
    ScratchCursor cursor(plan.scratch.Data());
    uint8_t* argb;
    uint8_t* bgr = nullptr;
    uint8_t* between[2] = {nullptr, nullptr};
    uint8_t* halved = nullptr;
    if (plan.halvings == 0) {
        argb = cursor.Take((static_cast<size_t>(width) * 4 + kArgbRowPadding) * strips.sourceRows);
    } else {
        const size_t pairs = static_cast<size_t>(width) * (plan.subRows / 2);
        const size_t rows = static_cast<size_t>(width) * plan.subRows * 4;
        bgr = cursor.Take(pairs * 3);
        argb = cursor.Take(pairs * 4);
        between[0] = cursor.Take(rows / 4);
        between[1] = cursor.Take(rows / 4);
        halved = cursor.Take(static_cast<size_t>(halfWidth) * (strips.sourceRows >> plan.halvings) * 4);
    }
    uint8_t* const scaled = cursor.Take(out);
    // RGB32 is the scaled ARGB itself: the last scaling step writes the frame.
    const bool intoFrame = layout.format == PixelFormat::Rgb32 || layout.format == PixelFormat::Rgb32TopDown;

    int sourceRow = 0;
    for (int outRow = 0; outRow < layout.height; outRow += strips.outputRows, sourceRow += strips.sourceRows) {
        const int outRows = std::min(strips.outputRows, layout.height - outRow);
        const int sourceRows = std::min(strips.sourceRows, window.height - sourceRow);
        uint8_t* const to = RowOf(first, outRow);
        uint8_t* const target = intoFrame ? to : scaled;
        const int targetStride = intoFrame ? first.step : scaledStride;
        if (plan.halvings == 0) {
            // Less than 1.5 : 1: bilinear alone weighs every pixel.
            const int argbStride = width * 4 + kArgbRowPadding;
            if (libyuv::RGB24ToARGB(RowOf(source, sourceRow), source.step, argb, argbStride, width, sourceRows) != 0 ||
                libyuv::ARGBScale(argb, argbStride, width, sourceRows, target, targetStride, outWidth, outRows,
                                  libyuv::kFilterBilinear) != 0) {
                return false;
            }
        } else {
            // A few rows at a time: halved once on the way to ARGB
            // (HalveBgrRows), then halved plan.halvings - 1 times more into
            // the strip's halved rows; then bilinear down to the frame.
            for (int row = 0; row < sourceRows; row += plan.subRows) {
                const int rows = std::min(plan.subRows, sourceRows - row);
                uint8_t* const once =
                    plan.halvings == 1 ? halved + static_cast<size_t>(row >> 1) * halfWidth * 4 : between[1];
                if (!HalveBgrRows(RowOf(source, sourceRow + row), source.step, width, rows, bgr, argb, once,
                                  (width / 2) * 4)) {
                    return false;
                }
                const uint8_t* from = once;
                int fromWidth = width / 2;
                int fromRows = rows / 2;
                for (int step = 2; step <= plan.halvings; ++step) {
                    uint8_t* const into = step == plan.halvings
                                              ? halved + static_cast<size_t>(row >> plan.halvings) * halfWidth * 4
                                              : between[step % 2];
                    const int intoStride = step == plan.halvings ? halfWidth * 4 : (fromWidth / 2) * 4;
                    HalveArgb(from, fromWidth * 4, fromWidth, fromRows, into, intoStride);
                    from = into;
                    fromWidth /= 2;
                    fromRows /= 2;
                }
            }
            if (libyuv::ARGBScale(halved, halfWidth * 4, halfWidth, sourceRows >> plan.halvings, target, targetStride,
                                  outWidth, outRows, libyuv::kFilterBilinear) != 0) {
                return false;
            }
        }
        int result = 0;
        switch (layout.format) {
        case PixelFormat::Rgb32:
        case PixelFormat::Rgb32TopDown:
            break;
        case PixelFormat::Rgb24:
            result = libyuv::ARGBToRGB24(scaled, scaledStride, to, first.step, outWidth, outRows);
            break;
        case PixelFormat::Yuy2:
            result = libyuv::ARGBToYUY2(scaled, scaledStride, to, first.step, outWidth, outRows);
            break;
        case PixelFormat::Y800:
            result = libyuv::ARGBToJ400(scaled, scaledStride, to, first.step, outWidth, outRows);
            break;
        case PixelFormat::Nv12:
            result = libyuv::ARGBToNV12(scaled, scaledStride, to, first.step, RowOf(planes.plane[1], outRow / 2),
                                        planes.plane[1].step, outWidth, outRows);
            break;
        case PixelFormat::I420:
            result = libyuv::ARGBToI420(scaled, scaledStride, to, first.step, RowOf(planes.plane[1], outRow / 2),
                                        planes.plane[1].step, RowOf(planes.plane[2], outRow / 2),
                                        planes.plane[2].step, outWidth, outRows);
            break;
        }
        if (result != 0) {
            return false;
        }
    }
    return true;
}

} // namespace
