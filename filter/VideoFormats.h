// The video formats the camera pins offer: RGB24 media types built from the
// controller's bitmap headers and the types of the format ladder
// (FormatLadder.h), their frame rate and bit rate, the capability record that
// describes one of them, and which entry a stored resolution index selects.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <strmif.h>
#include <amvideo.h>

#include "camera/PixelFormat.h"
#include "camera/FrameRates.h"
#include "framework/MediaTypeRecord.h"

// Builds the uncompressed RGB24 media type around one header: a
// VIDEOINFOHEADER whose rectangles are empty, whose AvgTimePerFrame is
// frameInterval and whose dwBitRate is the bit rate at that interval
// (VideoBitRate), fixed-size samples of biSizeImage bytes. E_OUTOFMEMORY when
// the format block cannot be allocated.
HRESULT MakeRgb24VideoType(const BITMAPINFOHEADER& header, MediaTypeRecord* type,
                           LONGLONG frameInterval = FrameRates::kHighFrameInterval);

// Builds the uncompressed type of a frame of format at width x height (the
// bitmap header of HeaderOf, FormatLadder.h), as MakeRgb24VideoType: the
// format's subtype, fixed-size samples of exactly one frame's bytes
// (lSampleSize = biSizeImage), AvgTimePerFrame frameInterval and its bit rate.
HRESULT MakeVideoType(PixelFormat format, int width, int height, MediaTypeRecord* type,
                      LONGLONG frameInterval = FrameRates::kHighFrameInterval);

// Bits per second of frames of this header at one frame per frameInterval
// (100-ns units): width x |height| x biBitCount x 10^7 / frameInterval,
// rounded down; saturated at the field's 0xFFFFFFFF (a 3032 x 2016 RGB24
// stream at 30 frames per second needs 4.4 x 10^9). 0 for an interval of 0.
DWORD VideoBitRate(const BITMAPINFOHEADER& header, LONGLONG frameInterval);

// Makes a FORMAT_VideoInfo type announce frameInterval: its AvgTimePerFrame
// and the matching dwBitRate. Nothing for a type without a VIDEOINFOHEADER.
void SetFrameInterval(AM_MEDIA_TYPE& type, LONGLONG frameInterval);

// The VIDEOINFOHEADER of a FORMAT_VideoInfo type, or null when the type has
// another format, no block, or a block shorter than a VIDEOINFOHEADER. Types
// come from peers and applications, so nothing is read past cbFormat.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type);
VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE& type);

// The format-list position a resolution index selects: 1 and 2 their own
// entries (binned read-outs), every other value entry 0.
int FormatPositionForResolution(uint8_t resolution);

// Describes one entry as a fixed size that cannot be cropped or scaled, at
// the frame intervals the camera delivers (FrameRates: 333333 to 666666),
// with the bit rates of those intervals, saturated at the signed 32-bit
// fields' 0x7FFFFFFF.
void FillVideoStreamCaps(const VIDEOINFOHEADER& format, VIDEO_STREAM_CONFIG_CAPS* caps);
