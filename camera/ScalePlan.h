// Where a scaled frame comes from in the camera's image, and how the
// converter cuts the work into strips of rows that stay in the cache.
//
// Pure arithmetic: no state, any thread.
#pragma once

// A rectangle of an image in picture coordinates: row 0 is the top of the
// picture, whatever the order of the rows in memory.
struct PictureRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The largest centred window of an imageWidth x imageHeight image with the
// aspect ratio of frameWidth x frameHeight, with even sides (so that 4:2:0
// and 4:2:2 frames take whole chroma samples from it).
//
// Exactly the ratio where that costs at most 1 % of the window's width or
// height (a 3032 x 2016 image gives 3008 x 1692 for 16:9, the exact 16:9
// window, rather than 3032 x 1706, 0.03 % too tall); otherwise the image's
// full width or height with the other side rounded to the nearest even number.
// Centred with offsets rounded down. An empty rectangle when any side is not
// positive or the image is smaller than 2 x 2 pixels.
PictureRect LargestWindowWithAspect(int imageWidth, int imageHeight, int frameWidth, int frameHeight);

// Output rows [k x outputRows, (k + 1) x outputRows) of a scaled frame come
// from source rows [k x sourceRows, (k + 1) x sourceRows) of its window; the
// last strip may be shorter (by a whole number of the ratio's units).
struct StripPlan {
    int sourceRows = 0;
    int outputRows = 0;
};

// Strips for scaling windowRows rows down to frameRows (windowRows >=
// frameRows > 0). Each strip's rows are exactly at the ratio, so that a box
// or bilinear scale of each strip on its own puts every output row's filter
// over the same source rows as one scale of the whole window (up to the
// scaler's 16.16 fixed-point rounding; see FrameConverter.cpp): windowRows /
// frameRows reduced to p / q, a strip is a whole number of q output rows from
// p source rows, with about targetSourceRows source rows. The unit is
// doubled until its output rows are a multiple of outputMultiple (2: 4:2:0
// frames pair rows) and its source rows of sourceMultiple (a power of two:
// the 2 x 2 boxes the source is halved with first).
//
// When one unit would be more than maxSourceRows rows, the whole window is
// one strip: the fallback that scales in one call.
StripPlan PlanStrips(int windowRows, int frameRows, int outputMultiple, int sourceMultiple, int targetSourceRows,
                     int maxSourceRows);
