// The settings fields, once: every field of the settings record
// (camera/CameraConfig.h) with where it lives in the 67-byte settings file,
// its default, and how the camera holds it. Everything that lists the fields
// is generated from this table: the file's load and save, the record's
// defaults, the controller's reads and sends (camera/Camera.cpp), and the
// simulated camera's settings and Set/Get exports (simcamera/).
//
// Each row is one field; the macro that begins it says how the camera holds it:
//   NOT_HELD          only in the record and the file;
//   PAIR              CameraSet<name> / CameraGet<name>; sent when it changed;
//   PAIR_SENT_ALWAYS  the same pair, sent on every apply, changed or not;
//   GAIN_CHANNEL      one channel of CameraSetGain / CameraGetGain (index:
//                     0 red, 1 green, 2 blue); the three go in one call, sent
//                     when any of them changed;
//   MIRROR_AXIS       one axis of CameraSetMirror / CameraGetMirror (index:
//                     the axis); sent on every apply.
// Columns: the name (the SDK's and the simulated camera's), the record member,
// its type, its byte offset in the file (little-endian, the member's width),
// its default (a fresh record and the camera's power-on state), and the index.
//
// The rows the camera holds are in the order the controller reads and sends
// them; the gains go in one call where the last channel stands.
//
// A user passes one macro per way of holding, each taking
// (name, member, type, offset, initial, index); LUMORA_SETTING_SKIP drops rows.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "camera/CameraSdk.h"

// clang-format off
#define LUMORA_CAMERA_SETTING_FIELDS(NOT_HELD, PAIR, PAIR_SENT_ALWAYS, GAIN_CHANNEL, MIRROR_AXIS)                 \
    /*               name              record member                type      offset default index */            \
    NOT_HELD(        Resolution,       m_Format.m_Resolution,       uint8_t,    0,      0,    0)                  \
    NOT_HELD(        Reserved3,        m_Format.m_Reserved3,        uint32_t,   1,      0,    0)                  \
    NOT_HELD(        Reserved4,        m_Format.m_Reserved4,        uint32_t,   5,      0,    0)                  \
    NOT_HELD(        Reserved1,        m_Format.m_Reserved1,        uint32_t,   9,      0,    0)                  \
    NOT_HELD(        Reserved2,        m_Format.m_Reserved2,        uint32_t,  13,      0,    0)                  \
    NOT_HELD(        Reserved0,        m_Format.m_Reserved0,        uint32_t,  17,      0,    0)                  \
    PAIR(            AeState,          m_Exposure.m_AeState,        int32_t,   21,      1,    0)                  \
    PAIR(            AeTarget,         m_Exposure.m_Target,         uint8_t,   25,    100,    0)                  \
    PAIR(            AnalogGain,       m_Exposure.m_AnalogGain,     uint16_t,  26,     40,    0)                  \
    PAIR(            ExposureTimeMS,   m_Exposure.m_ExposureTimeMS, uint32_t,  28,     40,    0)                  \
    GAIN_CHANNEL(    GainR,            m_Color.m_GainR,             int32_t,   40,    100,    0)                  \
    GAIN_CHANNEL(    GainG,            m_Color.m_GainG,             int32_t,   36,     88,    1)                  \
    GAIN_CHANNEL(    GainB,            m_Color.m_GainB,             int32_t,   32,     88,    2)                  \
    PAIR(            Gamma,            m_Color.m_Gamma,             uint8_t,   50,    100,    0)                  \
    PAIR(            Contrast,         m_Color.m_Contrast,          uint8_t,   44,     20,    0)                  \
    PAIR(            Saturation,       m_Color.m_Saturation,        uint8_t,   45,    100,    0)                  \
    PAIR(            ColorEnhancement, m_Color.m_ColorEnhancement,  int32_t,   46,      1,    0)                  \
    PAIR(            FrameSpeed,       m_FrameSpeed,                int32_t,   51,      1,    0)                  \
    PAIR_SENT_ALWAYS(Monochrome,       m_Monochrome,                int32_t,   63,      0,    0)                  \
    MIRROR_AXIS(     HMirror,          m_HMirror,                   int32_t,   55,      0,    kMirrorHorizontal)  \
    MIRROR_AXIS(     VMirror,          m_VMirror,                   int32_t,   59,      0,    kMirrorVertical)
// clang-format on

// Drops a row.
#define LUMORA_SETTING_SKIP(name, member, type, offset, initial, index)

// Every row, the same way.
#define LUMORA_CAMERA_EVERY_SETTING_FIELD(F) LUMORA_CAMERA_SETTING_FIELDS(F, F, F, F, F)
// The rows the camera holds, the same way.
#define LUMORA_CAMERA_HELD_SETTING_FIELDS(F) LUMORA_CAMERA_SETTING_FIELDS(LUMORA_SETTING_SKIP, F, F, F, F)

// Gains go to and come from the camera as one call with this many channels.
constexpr int kGainChannels = 3;
constexpr int kMirrorAxes = 2;

namespace camera_setting_fields {

// What the compile-time checks below need of a row.
struct Row {
    size_t offset;
    size_t size;
    int gainChannel; // -1 for a row that is no gain channel
    int mirrorAxis;  // -1 for a row that is no mirror axis
};

#define LUMORA_SETTING_ROW(name, member, type, offset, initial, index) Row{offset, sizeof(type), -1, -1},
#define LUMORA_SETTING_GAIN_ROW(name, member, type, offset, initial, index) Row{offset, sizeof(type), index, -1},
#define LUMORA_SETTING_MIRROR_ROW(name, member, type, offset, initial, index) Row{offset, sizeof(type), -1, index},
constexpr Row kRows[] = {LUMORA_CAMERA_SETTING_FIELDS(LUMORA_SETTING_ROW, LUMORA_SETTING_ROW, LUMORA_SETTING_ROW,
                                                      LUMORA_SETTING_GAIN_ROW, LUMORA_SETTING_MIRROR_ROW)};
#undef LUMORA_SETTING_ROW
#undef LUMORA_SETTING_GAIN_ROW
#undef LUMORA_SETTING_MIRROR_ROW

// True when the rows cover bytes 0 to fileSize - 1, each exactly once
// (checked against the record's file size in camera/CameraConfig.cpp).
constexpr bool TileTheFile(size_t fileSize)
{
    size_t covered = 0;
    for (const Row& row : kRows) {
        covered += row.size;
        for (const Row& other : kRows) {
            const bool overlap = &row != &other && row.offset < other.offset + other.size &&
                                 other.offset < row.offset + row.size;
            if (overlap || row.offset + row.size > fileSize) {
                return false;
            }
        }
    }
    return covered == fileSize;
}

// True when the rows of a group (gain channels or mirror axes) carry the
// indices 0, 1, ... count - 1 in table order.
constexpr bool InOrder(int Row::*index, int count)
{
    int next = 0;
    for (const Row& row : kRows) {
        if (row.*index >= 0 && row.*index != next++) {
            return false;
        }
    }
    return next == count;
}

} // namespace camera_setting_fields

static_assert(camera_setting_fields::InOrder(&camera_setting_fields::Row::gainChannel, kGainChannels),
              "the gain channels are listed red, green, blue: the one gain call goes where blue stands");
static_assert(camera_setting_fields::InOrder(&camera_setting_fields::Row::mirrorAxis, kMirrorAxes),
              "the mirror axes are listed by axis");
