// Settings records written as a list of fields and values, by the fields' names in camera/CameraSettingFields.h.
#pragma once

#include <stdint.h>

#include <initializer_list>

#include "camera/CameraConfig.h"
#include "camera/CameraSettingFields.h"

namespace testenv {

namespace setting {
enum RecordField {
#define LUMORA_TEST_SETTING_NAME(name, member, type, offset, initial, index) name,
    LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_TEST_SETTING_NAME)
#undef LUMORA_TEST_SETTING_NAME
};
} // namespace setting

struct SettingValue {
    setting::RecordField field;
    int64_t value; // cast to the member's type as an assignment would
};

// The record with the given fields changed (a fresh record's defaults unless one is given).
inline CameraConfig SettingsOf(std::initializer_list<SettingValue> values, CameraConfig record = CameraConfig())
{
    for (const SettingValue& v : values) {
        switch (v.field) {
#define LUMORA_TEST_SETTING_CASE(name, member, type, offset, initial, index)                                          \
    case setting::name:                                                                                               \
        record.member = static_cast<decltype(record.member)>(v.value);                                                \
        break;
            LUMORA_CAMERA_EVERY_SETTING_FIELD(LUMORA_TEST_SETTING_CASE)
#undef LUMORA_TEST_SETTING_CASE
        }
    }
    return record;
}

} // namespace testenv
