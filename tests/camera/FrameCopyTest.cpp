// The frame path's copy routines: every byte arrives, whatever the sizes and alignments, and nothing around it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "camera/FrameCopy.h"

namespace {

using CopyRoutine = void (*)(void*, const void*, size_t);

const unsigned char kGuard = 0xA5;
const size_t kGuardBytes = 64;

unsigned char* Aligned16(unsigned char* p)
{
    return p + ((16 - (reinterpret_cast<uintptr_t>(p) & 15)) & 15);
}

// Copies bytes between offsets past 16-byte boundaries inside a guarded buffer; checks the copy and the guards.
void CheckCopy(CopyRoutine copy, const char* name, size_t bytes, size_t sourceOffset, size_t destinationOffset)
{
    std::vector<unsigned char> source(16 + sourceOffset + bytes);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<unsigned char>((i * 131) ^ (i >> 8) ^ (i >> 16));
    }
    std::vector<unsigned char> destination(kGuardBytes + 16 + destinationOffset + bytes + kGuardBytes, kGuard);
    unsigned char* const from = Aligned16(source.data()) + sourceOffset;
    unsigned char* const to = Aligned16(destination.data() + kGuardBytes) + destinationOffset;

    copy(to, from, bytes);

    EXPECT_EQ(0, std::memcmp(to, from, bytes))
        << name << ": " << bytes << " bytes, source +" << sourceOffset << ", destination +" << destinationOffset;
    size_t written = 0;
    for (unsigned char* byte = destination.data(); byte < to; ++byte) {
        written += *byte != kGuard;
    }
    for (unsigned char* byte = to + bytes; byte < destination.data() + destination.size(); ++byte) {
        written += *byte != kGuard;
    }
    EXPECT_EQ(0u, written) << name << ": bytes written outside the destination (" << bytes << " bytes, source +"
                           << sourceOffset << ", destination +" << destinationOffset << ")";
}

} // namespace

TEST(FrameCopy, CopiesEveryByteAndNothingPastEitherEnd)
{
    const struct {
        size_t bytes, sourceOffset, destinationOffset;
    } cases[] = {
        {0, 0, 0},      {1, 0, 0},       {1, 3, 7},       {15, 0, 0},      {15, 1, 1},     {16, 0, 0},
        {16, 0, 1},     {16, 5, 0},      {17, 0, 0},      {17, 9, 15},     {63, 2, 3},     {64, 0, 0},
        {65, 0, 13},    {67, 1, 14},     {130, 7, 9},     {1000, 3, 5},    {4099, 11, 2},  {9096, 0, 8},
        {9096, 13, 3},  // one row of the 3032-pixel frame, at odd places
        {262144, 5, 3},                 // where CopyFrameBytes starts streaming
        {18337536, 0, 0},               // one 3032 x 2016 frame
        {18337536, 3, 1},               // the same, neither end aligned
    };
    const struct {
        const char* name;
        CopyRoutine copy;
    } routines[] = {{"CopyFrameBytes", CopyFrameBytes}, {"StreamingCopy", StreamingCopy}};
    for (const auto& routine : routines) {
        for (const auto& c : cases) {
            CheckCopy(routine.copy, routine.name, c.bytes, c.sourceOffset, c.destinationOffset);
        }
    }
}
