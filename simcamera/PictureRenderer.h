// Renders the simulated camera's cached picture: the scene (Scene.h) as the
// sensor and the image pipeline make it under a set of settings.
//
// Rendering happens when a setting changes, never per frame. Every row of a
// scene band is the same, so one row per band is computed (through a tone
// lookup table) and the image is assembled from row copies: a full-sensor
// picture costs about one image-sized memory copy.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>

#include "simcamera/SimSettings.h"

struct PictureRequest {
    SimSettings settings;
    int resolution = 0; // 1 and 2 are binned read-outs, brighter
    int width = 0;
    int height = 0;
    uint64_t generation = 0; // the state the request was taken from
};

// A rendered picture: width x height pixels, bytes B, G, R, rows bottom-up
// (the first row in memory is the bottom of the picture), no padding.
// Immutable once rendered; shared by the fetches that copy it.
struct RenderedPicture {
    int width = 0;
    int height = 0;
    uint64_t generation = 0;
    bool hMirror = false; // as rendered; the moving marker follows them
    bool vMirror = false;
    std::unique_ptr<uint8_t[]> pixels;

    size_t ByteSize() const { return static_cast<size_t>(width) * height * 3; }
};

// Returns null when the memory for the picture cannot be had.
std::shared_ptr<const RenderedPicture> RenderPicture(const PictureRequest& request);
