#include "camera/ScalePlan.h"

#include <algorithm>
#include <numeric>

namespace {

// An even number at most value (value >= 0).
int EvenDown(int value)
{
    return value & ~1;
}

// numerator / denominator rounded to the nearest even number: a whole
// number of pairs, halves up.
long long NearestEven(long long numerator, long long denominator)
{
    return (numerator + denominator) / (2 * denominator) * 2;
}

PictureRect Centred(int imageWidth, int imageHeight, int width, int height)
{
    PictureRect rect;
    rect.width = width;
    rect.height = height;
    rect.left = (imageWidth - width) / 2;
    rect.top = (imageHeight - height) / 2;
    return rect;
}

} // namespace

PictureRect LargestWindowWithAspect(int imageWidth, int imageHeight, int frameWidth, int frameHeight)
{
    if (imageWidth < 2 || imageHeight < 2 || frameWidth <= 0 || frameHeight <= 0) {
        return PictureRect();
    }
    // The full width or height of the image, the other side at the ratio.
    long long nearWidth, nearHeight;
    if (static_cast<long long>(imageWidth) * frameHeight >= static_cast<long long>(imageHeight) * frameWidth) {
        nearHeight = EvenDown(imageHeight);
        nearWidth = NearestEven(nearHeight * frameWidth, frameHeight);
        nearWidth = std::min<long long>(std::max<long long>(nearWidth, 2), EvenDown(imageWidth));
    } else {
        nearWidth = EvenDown(imageWidth);
        nearHeight = NearestEven(nearWidth * frameHeight, frameWidth);
        nearHeight = std::min<long long>(std::max<long long>(nearHeight, 2), EvenDown(imageHeight));
    }

    // The exact ratio a : b, scaled by the largest k that fits, even sides.
    const int divisor = std::gcd(frameWidth, frameHeight);
    const long long a = frameWidth / divisor;
    const long long b = frameHeight / divisor;
    long long k = std::min(imageWidth / a, imageHeight / b);
    if ((a % 2 != 0 || b % 2 != 0) && k % 2 != 0) {
        --k;
    }
    const long long exactWidth = a * k;
    const long long exactHeight = b * k;
    if (k > 0 && exactWidth * 100 >= nearWidth * 99 && exactHeight * 100 >= nearHeight * 99) {
        return Centred(imageWidth, imageHeight, static_cast<int>(exactWidth), static_cast<int>(exactHeight));
    }
    return Centred(imageWidth, imageHeight, static_cast<int>(nearWidth), static_cast<int>(nearHeight));
}

StripPlan PlanStrips(int windowRows, int frameRows, int outputMultiple, int sourceMultiple, int targetSourceRows,
                     int maxSourceRows)
{
    StripPlan whole;
    whole.sourceRows = windowRows;
    whole.outputRows = frameRows;
    if (windowRows <= 0 || frameRows <= 0 || windowRows < frameRows || outputMultiple <= 0 || sourceMultiple <= 0) {
        return whole;
    }
    const int divisor = std::gcd(windowRows, frameRows);
    long long p = windowRows / divisor;
    long long q = frameRows / divisor;
    while ((q % outputMultiple != 0 || p % sourceMultiple != 0) && p <= maxSourceRows) {
        p *= 2;
        q *= 2;
    }
    // The window and the frame must be whole numbers of the unit.
    if (p > maxSourceRows || windowRows % p != 0 || frameRows % q != 0) {
        return whole;
    }
    const long long units = std::max<long long>(1, targetSourceRows / p);
    StripPlan plan;
    plan.sourceRows = static_cast<int>(std::min<long long>(p * units, windowRows));
    plan.outputRows = static_cast<int>(std::min<long long>(q * units, frameRows));
    return plan;
}
