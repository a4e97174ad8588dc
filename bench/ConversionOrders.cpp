#include "bench/ConversionOrders.h"

#include <algorithm>

#include "camera/ScalePlan.h"
#include "libyuv/convert.h"
#include "libyuv/convert_argb.h"
#include "libyuv/convert_from.h"
#include "libyuv/convert_from_argb.h"
#include "libyuv/planar_functions.h"
#include "libyuv/scale.h"
#include "libyuv/scale_argb.h"

namespace {

using Buffer = std::vector<uint8_t>;

// Strips of whole ratio units, about 32 source rows, as the converter cuts them.
StripPlan Strips(int windowHeight, int height)
{
    return PlanStrips(windowHeight, height, 2, 2, 32, 256);
}

class WholeI420 : public ConversionOrder {
public:
    WholeI420(int ww, int wh, int w, int h)
        : m_y(static_cast<size_t>(ww) * wh), m_u(static_cast<size_t>(ww / 2) * (wh / 2)), m_v(m_u.size()),
          m_sy(static_cast<size_t>(w) * h), m_su(static_cast<size_t>(w / 2) * (h / 2)), m_sv(m_su.size())
    {
    }
    const char* Name() const override { return "whole I420: RGB24ToI420, I420Scale, I420ToNV12"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        libyuv::RGB24ToI420(s.top, s.step, m_y.data(), s.width, m_u.data(), s.width / 2, m_v.data(), s.width / 2,
                            s.width, s.height);
        libyuv::I420Scale(m_y.data(), s.width, m_u.data(), s.width / 2, m_v.data(), s.width / 2, s.width, s.height,
                          m_sy.data(), w, m_su.data(), w / 2, m_sv.data(), w / 2, w, h, libyuv::kFilterBox);
        libyuv::I420ToNV12(m_sy.data(), w, m_su.data(), w / 2, m_sv.data(), w / 2, frame, w,
                           frame + static_cast<size_t>(w) * h, w, w, h);
    }

private:
    Buffer m_y, m_u, m_v, m_sy, m_su, m_sv;
};

class WholeArgb : public ConversionOrder {
public:
    WholeArgb(int ww, int wh, int w, int h)
        : m_argb(static_cast<size_t>(ww) * wh * 4), m_scaled(static_cast<size_t>(w) * h * 4)
    {
    }
    const char* Name() const override { return "whole ARGB: RGB24ToARGB, ARGBScale, ARGBToNV12"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        libyuv::RGB24ToARGB(s.top, s.step, m_argb.data(), s.width * 4, s.width, s.height);
        libyuv::ARGBScale(m_argb.data(), s.width * 4, s.width, s.height, m_scaled.data(), w * 4, w, h,
                          libyuv::kFilterBox);
        libyuv::ARGBToNV12(m_scaled.data(), w * 4, frame, w, frame + static_cast<size_t>(w) * h, w, w, h);
    }

private:
    Buffer m_argb, m_scaled;
};

class StripsArgb : public ConversionOrder {
public:
    StripsArgb(int ww, int wh, int w, int h)
        : m_plan(Strips(wh, h)), m_argb(static_cast<size_t>(ww) * m_plan.sourceRows * 4),
          m_scaled(static_cast<size_t>(w) * m_plan.outputRows * 4)
    {
    }
    const char* Name() const override { return "strips ARGB: RGB24ToARGB, ARGBScale, ARGBToNV12"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        uint8_t* uv = frame + static_cast<size_t>(w) * h;
        for (int out = 0, in = 0; out < h; out += m_plan.outputRows, in += m_plan.sourceRows) {
            const int rows = std::min(m_plan.outputRows, h - out);
            const int sourceRows = std::min(m_plan.sourceRows, s.height - in);
            libyuv::RGB24ToARGB(s.top + static_cast<ptrdiff_t>(in) * s.step, s.step, m_argb.data(), s.width * 4,
                                s.width, sourceRows);
            libyuv::ARGBScale(m_argb.data(), s.width * 4, s.width, sourceRows, m_scaled.data(), w * 4, w, rows,
                              libyuv::kFilterBox);
            libyuv::ARGBToNV12(m_scaled.data(), w * 4, frame + static_cast<size_t>(out) * w, w,
                               uv + static_cast<size_t>(out / 2) * w, w, w, rows);
        }
    }

private:
    StripPlan m_plan;
    Buffer m_argb, m_scaled;
};

class StripsScaleFirst : public ConversionOrder {
public:
    StripsScaleFirst(int ww, int wh, int w, int h)
        : m_plan(Strips(wh, h)), m_in(static_cast<size_t>(ww) * m_plan.sourceRows * 3),
          m_out(static_cast<size_t>(w) * m_plan.outputRows * 3), m_argb(static_cast<size_t>(w) * m_plan.outputRows * 4)
    {
    }
    const char* Name() const override { return "strips scale-first: SplitRGBPlane, ScalePlane x3, MergeARGBPlane, ARGBToNV12"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        const size_t inPlane = m_in.size() / 3;
        const size_t outPlane = m_out.size() / 3;
        uint8_t* uv = frame + static_cast<size_t>(w) * h;
        for (int out = 0, in = 0; out < h; out += m_plan.outputRows, in += m_plan.sourceRows) {
            const int rows = std::min(m_plan.outputRows, h - out);
            const int sourceRows = std::min(m_plan.sourceRows, s.height - in);
            libyuv::SplitRGBPlane(s.top + static_cast<ptrdiff_t>(in) * s.step, s.step, &m_in[0], s.width,
                                  &m_in[inPlane], s.width, &m_in[2 * inPlane], s.width, s.width, sourceRows);
            for (int p = 0; p < 3; ++p) {
                libyuv::ScalePlane(&m_in[p * inPlane], s.width, s.width, sourceRows, &m_out[p * outPlane], w, w, rows,
                                   libyuv::kFilterBox);
            }
            libyuv::MergeARGBPlane(&m_out[2 * outPlane], w, &m_out[outPlane], w, &m_out[0], w, nullptr, 0,
                                   m_argb.data(), w * 4, w, rows);
            libyuv::ARGBToNV12(m_argb.data(), w * 4, frame + static_cast<size_t>(out) * w, w,
                               uv + static_cast<size_t>(out / 2) * w, w, w, rows);
        }
    }

private:
    StripPlan m_plan;
    Buffer m_in, m_out, m_argb;
};

class StripsI420Bilinear : public ConversionOrder {
public:
    StripsI420Bilinear(int ww, int wh, int w, int h)
        : m_plan(Strips(wh, h)), m_y(static_cast<size_t>(ww) * m_plan.sourceRows),
          m_u(static_cast<size_t>(ww / 2) * ((m_plan.sourceRows + 1) / 2)), m_v(m_u.size()),
          m_su(static_cast<size_t>(w / 2) * (m_plan.outputRows / 2)), m_sv(m_su.size())
    {
    }
    const char* Name() const override { return "strips I420, libyuv's own filter: RGB24ToI420, I420Scale, MergeUVPlane"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        uint8_t* uv = frame + static_cast<size_t>(w) * h;
        for (int out = 0, in = 0; out < h; out += m_plan.outputRows, in += m_plan.sourceRows) {
            const int rows = std::min(m_plan.outputRows, h - out);
            const int sourceRows = std::min(m_plan.sourceRows, s.height - in);
            libyuv::RGB24ToI420(s.top + static_cast<ptrdiff_t>(in) * s.step, s.step, m_y.data(), s.width, m_u.data(),
                                s.width / 2, m_v.data(), s.width / 2, s.width, sourceRows);
            libyuv::I420Scale(m_y.data(), s.width, m_u.data(), s.width / 2, m_v.data(), s.width / 2, s.width,
                              sourceRows, frame + static_cast<size_t>(out) * w, w, m_su.data(), w / 2, m_sv.data(),
                              w / 2, w, rows, libyuv::kFilterBox);
            libyuv::MergeUVPlane(m_su.data(), w / 2, m_sv.data(), w / 2, uv + static_cast<size_t>(out / 2) * w, w,
                                 w / 2, rows / 2);
        }
    }

private:
    StripPlan m_plan;
    Buffer m_y, m_u, m_v, m_su, m_sv;
};

class CutThroughArgb : public ConversionOrder {
public:
    explicit CutThroughArgb(int w) : m_argb(static_cast<size_t>(w) * kRows * 4) {}
    const char* Name() const override { return "strips ARGB: RGB24ToARGB, ARGBToNV12"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        uint8_t* uv = frame + static_cast<size_t>(w) * h;
        for (int row = 0; row < h; row += kRows) {
            const int rows = std::min(kRows, h - row);
            libyuv::RGB24ToARGB(s.top + static_cast<ptrdiff_t>(row) * s.step, s.step, m_argb.data(), w * 4, w, rows);
            libyuv::ARGBToNV12(m_argb.data(), w * 4, frame + static_cast<size_t>(row) * w, w,
                               uv + static_cast<size_t>(row / 2) * w, w, w, rows);
        }
    }

private:
    static constexpr int kRows = 32;
    Buffer m_argb;
};

// The converter's former order for a scaled frame of a window at least twice
// its size (to 1.5 : 1): every source row converted to ARGB, a 2 x 2 box of
// the strip, bilinear to the frame, ARGBToYUY2. Strips of whole 2 x 2 boxes.
class StripsEveryRowArgbYuy2 : public ConversionOrder {
public:
    StripsEveryRowArgbYuy2(int ww, int wh, int w, int h)
        : m_plan(PlanStrips(wh, h, 1, 2, 32, 256)), m_argb(static_cast<size_t>(ww) * m_plan.sourceRows * 4),
          m_halved(static_cast<size_t>(ww / 2) * (m_plan.sourceRows / 2) * 4),
          m_scaled(static_cast<size_t>(w) * m_plan.outputRows * 4)
    {
    }
    const char* Name() const override { return "strips: RGB24ToARGB of every row, 2x2 box, bilinear, ARGBToYUY2"; }
    void Run(const BgrWindow& s, uint8_t* frame, int w, int h) override
    {
        const int half = s.width / 2;
        for (int out = 0, in = 0; out < h; out += m_plan.outputRows, in += m_plan.sourceRows) {
            const int rows = std::min(m_plan.outputRows, h - out);
            const int sourceRows = std::min(m_plan.sourceRows, s.height - in);
            libyuv::RGB24ToARGB(s.top + static_cast<ptrdiff_t>(in) * s.step, s.step, m_argb.data(), s.width * 4,
                                s.width, sourceRows);
            libyuv::ARGBScale(m_argb.data(), s.width * 4, s.width, sourceRows, m_halved.data(), half * 4, half,
                              sourceRows / 2, libyuv::kFilterBox);
            libyuv::ARGBScale(m_halved.data(), half * 4, half, sourceRows / 2, m_scaled.data(), w * 4, w, rows,
                              libyuv::kFilterBilinear);
            libyuv::ARGBToYUY2(m_scaled.data(), w * 4, frame + static_cast<size_t>(out) * w * 2, w * 2, w, rows);
        }
    }

private:
    StripPlan m_plan;
    Buffer m_argb, m_halved, m_scaled;
};

} // namespace

std::unique_ptr<ConversionOrder> ScaledYuy2EveryRowToArgb(int windowWidth, int windowHeight, int width, int height)
{
    return std::make_unique<StripsEveryRowArgbYuy2>(windowWidth, windowHeight, width, height);
}

std::vector<std::unique_ptr<ConversionOrder>> ScaledNv12Orders(int windowWidth, int windowHeight, int width,
                                                              int height)
{
    std::vector<std::unique_ptr<ConversionOrder>> orders;
    orders.push_back(std::make_unique<WholeI420>(windowWidth, windowHeight, width, height));
    orders.push_back(std::make_unique<WholeArgb>(windowWidth, windowHeight, width, height));
    orders.push_back(std::make_unique<StripsArgb>(windowWidth, windowHeight, width, height));
    orders.push_back(std::make_unique<StripsScaleFirst>(windowWidth, windowHeight, width, height));
    orders.push_back(std::make_unique<StripsI420Bilinear>(windowWidth, windowHeight, width, height));
    return orders;
}

std::unique_ptr<ConversionOrder> CutNv12ThroughArgb(int width)
{
    return std::make_unique<CutThroughArgb>(width);
}
