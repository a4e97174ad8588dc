#include "simcamera/PictureRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "simcamera/Scene.h"

namespace {

constexpr int kToneSteps = 1024;
// Binned read-outs sum neighbouring pixels: the picture is brighter.
constexpr float kBinnedBrightness = 1.25f;
// Raw sensor level of a scene value at nominal exposure (auto exposure target
// 100, or 40 ms at analog gain 40), chosen so that the default green gain of
// 88 (x1.375) reproduces a neutral scene value at its own level.
constexpr float kSensorScale = 64.0f / 88.0f;
// Extra saturation applied by colour enhancement.
constexpr float kColourEnhancementBoost = 1.3f;

float ExposureFactor(const SimSettings& settings, int resolution)
{
    float factor = settings.AeState ? settings.AeTarget / 100.0f
                                    : static_cast<float>(settings.ExposureTimeMS) * settings.AnalogGain / 1600.0f;
    if (resolution == 1 || resolution == 2) {
        factor *= kBinnedBrightness;
    }
    return factor;
}

// Turns one scene colour into output bytes: sensor response and exposure,
// colour gains, saturation (or monochrome), then contrast and gamma through a
// lookup table.
class Pipeline {
public:
    Pipeline(const SimSettings& settings, int resolution)
    {
        const float exposure = ExposureFactor(settings, resolution) * kSensorScale;
        m_scale[0] = exposure * scene::kSensorResponse.r * settings.GainR / 64.0f;
        m_scale[1] = exposure * scene::kSensorResponse.g * settings.GainG / 64.0f;
        m_scale[2] = exposure * scene::kSensorResponse.b * settings.GainB / 64.0f;
        m_monochrome = settings.Monochrome != 0;
        m_saturation = settings.Saturation / 100.0f * (settings.ColorEnhancement ? kColourEnhancementBoost : 1.0f);

        // Contrast is a slope around mid grey (the default 20 leaves levels
        // unchanged); gamma raises levels to the power 100 / value.
        const float slope = (settings.Contrast + 80) / 100.0f;
        const float exponent = 100.0f / static_cast<float>(std::max<int>(settings.Gamma, 1));
        for (int i = 0; i < kToneSteps; ++i) {
            const float level = static_cast<float>(i) / (kToneSteps - 1);
            const float contrasted = std::clamp(0.5f + (level - 0.5f) * slope, 0.0f, 1.0f);
            m_tone[i] = static_cast<uint8_t>(std::lround(std::pow(contrasted, exponent) * 255.0f));
        }
    }

    void Apply(const scene::Colour& colour, uint8_t* bgr) const
    {
        float r = std::min(colour.r * m_scale[0], 1.0f);
        float g = std::min(colour.g * m_scale[1], 1.0f);
        float b = std::min(colour.b * m_scale[2], 1.0f);
        const float luma = 0.299f * r + 0.587f * g + 0.114f * b;
        if (m_monochrome) {
            r = g = b = luma;
        } else {
            r = luma + (r - luma) * m_saturation;
            g = luma + (g - luma) * m_saturation;
            b = luma + (b - luma) * m_saturation;
        }
        bgr[0] = Tone(b);
        bgr[1] = Tone(g);
        bgr[2] = Tone(r);
    }

private:
    uint8_t Tone(float level) const
    {
        const float clamped = std::clamp(level, 0.0f, 1.0f);
        return m_tone[static_cast<int>(clamped * (kToneSteps - 1) + 0.5f)];
    }

    float m_scale[3];
    bool m_monochrome;
    float m_saturation;
    uint8_t m_tone[kToneSteps];
};

} // namespace

std::shared_ptr<const RenderedPicture> RenderPicture(const PictureRequest& request)
{
    const int width = request.width;
    const int height = request.height;
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    try {
        auto picture = std::make_shared<RenderedPicture>();
        picture->width = width;
        picture->height = height;
        picture->generation = request.generation;
        picture->hMirror = request.settings.HMirror != 0;
        picture->vMirror = request.settings.VMirror != 0;
        picture->pixels.reset(new (std::nothrow) uint8_t[picture->ByteSize()]);
        if (!picture->pixels) {
            return nullptr;
        }

        // One finished row per band, already mirrored left to right.
        const size_t rowBytes = static_cast<size_t>(width) * 3;
        const Pipeline pipeline(request.settings, request.resolution);
        std::vector<uint8_t> bandRows[scene::kBandCount];
        for (int band = 0; band < scene::kBandCount; ++band) {
            bandRows[band].resize(rowBytes);
            for (int x = 0; x < width; ++x) {
                const int sceneX = picture->hMirror ? width - 1 - x : x;
                pipeline.Apply(scene::SceneColour(static_cast<scene::Band>(band), sceneX, width),
                               &bandRows[band][static_cast<size_t>(x) * 3]);
            }
        }

        // Rows bottom-up: memory row r is picture row height-1-r, which shows
        // scene row height-1-r, or scene row r when mirrored vertically.
        uint8_t* out = picture->pixels.get();
        for (int memoryRow = 0; memoryRow < height; ++memoryRow) {
            const int sceneRow = picture->vMirror ? memoryRow : height - 1 - memoryRow;
            const auto band = static_cast<int>(scene::BandAtRow(sceneRow, height));
            std::memcpy(out + static_cast<size_t>(memoryRow) * rowBytes, bandRows[band].data(), rowBytes);
        }
        return picture;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
