// Ownership and comparison of media types: no block or pUnk reference leaks or is freed twice, whatever the path.
#include <gtest/gtest.h>

#include <dshow.h>

#include <cstring>

#include "framework/MediaTypeRecord.h"
#include "tests/framework/AllocationFailer.h"
#include "tests/support/CountingUnknown.h"

using Microsoft::WRL::ComPtr;

namespace {

MediaTypeRecord VideoType(BYTE fill, ULONG blockSize = 88)
{
    MediaTypeRecord type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(blockSize));
    type.cbFormat = blockSize;
    std::memset(type.pbFormat, fill, blockSize);
    return type;
}

} // namespace

TEST(MediaType, DefaultRecordIsAnEmptyPartialType)
{
    MediaTypeRecord type;
    EXPECT_EQ(type.lSampleSize, 1u);
    EXPECT_TRUE(type.bFixedSizeSamples);
    EXPECT_TRUE(IsEqualGUID(type.majortype, GUID_NULL));
    EXPECT_TRUE(IsEqualGUID(type.formattype, GUID_NULL));
    EXPECT_EQ(type.cbFormat, 0u);
    EXPECT_EQ(type.pbFormat, nullptr);
    EXPECT_TRUE(type.IsPartial());
    EXPECT_FALSE(VideoType(1).IsPartial());
}

// Counts of pUnk references below include the test's own (1).
TEST(MediaType, CopiesOwnTheirBlockAndPunkReference)
{
    const ComPtr<CountingUnknown> unk = win::MakeComObject<CountingUnknown>();
    {
        MediaTypeRecord original = VideoType(7);
        unk.CopyTo(&original.pUnk);

        MediaTypeRecord copy(original);
        EXPECT_EQ(unk->References(), 3u);
        EXPECT_NE(copy.pbFormat, original.pbFormat);
        EXPECT_TRUE(copy.SameType(original));

        AM_MEDIA_TYPE* clone = CloneType(&original);
        ASSERT_NE(clone, nullptr);
        EXPECT_EQ(unk->References(), 4u);
        DeleteType(clone);
        DeleteType(nullptr);
        EXPECT_EQ(unk->References(), 3u);

        // Assigning to itself keeps the block; assigning another frees the old.
        BYTE* block = copy.pbFormat;
        copy = copy;
        EXPECT_EQ(copy.pbFormat, block);
        EXPECT_EQ(copy.cbFormat, 88u);
        copy = VideoType(9, 16);
        EXPECT_EQ(unk->References(), 2u);
        EXPECT_EQ(copy.cbFormat, 16u);
        EXPECT_EQ(copy.pbFormat[15], 9);

        FreeTypeContents(&original);
        FreeTypeContents(&original);
        EXPECT_EQ(unk->References(), 1u);
        EXPECT_EQ(original.pbFormat, nullptr);
    }
    EXPECT_EQ(unk->References(), 1u);
}

TEST(MediaType, FailedBlockAllocationKeepsPunkBalanced)
{
    const ComPtr<CountingUnknown> unk = win::MakeComObject<CountingUnknown>();
    const ULONG oddSize = 4321; // no other allocation of the test has this size
    MediaTypeRecord original = VideoType(3, oddSize);
    unk.CopyTo(&original.pUnk);

    AllocationFailer failer(oddSize);
    ASSERT_TRUE(failer.Registered());

    AM_MEDIA_TYPE raw;
    EXPECT_EQ(CopyTypeInto(&raw, &original), E_OUTOFMEMORY);
    EXPECT_EQ(raw.cbFormat, 0u);
    EXPECT_EQ(raw.pbFormat, nullptr);
    FreeTypeContents(&raw);
    EXPECT_EQ(unk->References(), 2u);

    EXPECT_EQ(CloneType(&original), nullptr);
    EXPECT_EQ(unk->References(), 2u);

    HRESULT hr = S_OK;
    {
        MediaTypeRecord copy(original, &hr);
        EXPECT_EQ(copy.cbFormat, 0u);
    }
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(unk->References(), 2u);

    MediaTypeRecord target = VideoType(5);
    EXPECT_EQ(target.Assign(original), E_OUTOFMEMORY);
    EXPECT_EQ(target.cbFormat, 0u);
    EXPECT_EQ(failer.FailedCount(), 4);
    EXPECT_EQ(unk->References(), 2u);
}

TEST(MediaType, SameTypeComparesGuidsAndFormatBytesOnly)
{
    MediaTypeRecord a = VideoType(1);
    MediaTypeRecord b = VideoType(1);
    b.lSampleSize = 12345;
    b.bTemporalCompression = TRUE;
    EXPECT_TRUE(a.SameType(b));

    b.pbFormat[40] = 2;
    EXPECT_FALSE(a.SameType(b));

    MediaTypeRecord shorter = VideoType(1, 40);
    EXPECT_FALSE(a.SameType(shorter));

    MediaTypeRecord other = VideoType(1);
    other.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_FALSE(a.SameType(other));
}

TEST(MediaType, PatternsTreatNullGuidsAsWildcards)
{
    MediaTypeRecord type = VideoType(1);

    MediaTypeRecord any;
    EXPECT_TRUE(type.MatchesPattern(any));

    MediaTypeRecord majorOnly;
    majorOnly.majortype = MEDIATYPE_Video;
    EXPECT_TRUE(type.MatchesPattern(majorOnly));
    majorOnly.majortype = MEDIATYPE_Audio;
    EXPECT_FALSE(type.MatchesPattern(majorOnly));

    MediaTypeRecord subtypeOnly;
    subtypeOnly.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_FALSE(type.MatchesPattern(subtypeOnly));

    // A pattern that names the format type must also carry the same block.
    MediaTypeRecord withFormat = VideoType(1);
    withFormat.majortype = GUID_NULL;
    EXPECT_TRUE(type.MatchesPattern(withFormat));
    withFormat.pbFormat[0] = 9;
    EXPECT_FALSE(type.MatchesPattern(withFormat));
    MediaTypeRecord noBlock;
    noBlock.formattype = FORMAT_VideoInfo;
    EXPECT_FALSE(type.MatchesPattern(noBlock));
}

TEST(MediaType, DetachHandsTheBlockOverWithoutCopying)
{
    const ComPtr<CountingUnknown> unk = win::MakeComObject<CountingUnknown>();
    MediaTypeRecord record = VideoType(4);
    unk.CopyTo(&record.pUnk);
    BYTE* block = record.pbFormat;

    AM_MEDIA_TYPE* handed = record.DetachToTaskMemory();
    ASSERT_NE(handed, nullptr);
    EXPECT_EQ(handed->pbFormat, block);
    EXPECT_EQ(handed->pUnk, static_cast<IUnknown*>(unk.Get()));
    EXPECT_EQ(record.cbFormat, 0u);
    EXPECT_EQ(record.pUnk, nullptr);
    DeleteType(handed);
    EXPECT_EQ(unk->References(), 1u);
}

TEST(MediaType, BlocksThatAreNotWhereTheSizeSaysAreNeitherCopiedNorCompared)
{
    const ComPtr<CountingUnknown> unk = win::MakeComObject<CountingUnknown>();
    BYTE callersBytes[16] = {};

    // A pointer without a size is not the copy's block: it is never freed, handed out or compared as one.
    MediaTypeRecord sizeless = VideoType(1);
    FreeTypeContents(&sizeless);
    sizeless.pbFormat = callersBytes;
    AM_MEDIA_TYPE* clone = CloneType(&sizeless);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->pbFormat, nullptr);
    DeleteType(clone);
    sizeless.pbFormat = nullptr;

    // A size without a block: the copy fails and owns nothing.
    AM_MEDIA_TYPE missing = VideoType(1);
    CoTaskMemFree(missing.pbFormat);
    missing.pbFormat = nullptr;
    missing.pUnk = unk.Get();
    EXPECT_EQ(CheckFormatBlock(&missing), E_POINTER);
    AM_MEDIA_TYPE raw;
    EXPECT_EQ(CopyTypeInto(&raw, &missing), E_POINTER);
    EXPECT_EQ(raw.cbFormat, 0u);
    EXPECT_EQ(raw.pbFormat, nullptr);
    EXPECT_EQ(raw.pUnk, nullptr);
    MediaTypeRecord target = VideoType(5);
    EXPECT_EQ(target.Assign(missing), E_POINTER);
    EXPECT_EQ(target.cbFormat, 0u);
    EXPECT_EQ(unk->References(), 1u);

    const MediaTypeRecord whole = VideoType(0);
    EXPECT_FALSE(SameType(missing, whole));
    EXPECT_FALSE(SameType(whole, missing));
    EXPECT_FALSE(whole.MatchesPattern(missing));
    EXPECT_EQ(CheckFormatBlock(nullptr), E_POINTER);
    EXPECT_EQ(CheckFormatBlock(&whole), S_OK);
}
