#include "tests/filter/FilterTestSupport.h"

#include "camera/CameraConfig.h"
#include "filter/VideoFormats.h"
#include "tests/support/WaitFor.h"
#include "win/MediaType.h"

namespace filtertest {

TestFilter::TestFilter()
{
    HRESULT hr = E_FAIL;
    UnknownBase* created = CreateCameraFilter(nullptr, &hr);
    EXPECT_EQ(S_OK, hr);
    if (!created) {
        return;
    }
    created->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()));
    object = static_cast<CameraFilter*>(created);
    capture = object->CapturePin();
    preview = static_cast<CameraOutputPin*>(object->PinAt(1));
}

void StoreResolution(uint8_t resolution)
{
    CameraConfig config;
    config.m_Format.m_Resolution = resolution;
    ASSERT_EQ(1, config.SaveToFile());
}

SIZE FrameSizeOf(const AM_MEDIA_TYPE& type)
{
    const VIDEOINFOHEADER* format = VideoInfoOf(type);
    return format ? SIZE{format->bmiHeader.biWidth, format->bmiHeader.biHeight} : SIZE{0, 0};
}

MediaTypeRecord ListedType(IAMStreamConfig* config, int index)
{
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    EXPECT_EQ(S_OK, config->GetStreamCaps(index, &type, reinterpret_cast<BYTE*>(&caps))) << index;
    const win::MediaTypePtr owned(type);
    return type ? MediaTypeRecord(*type) : MediaTypeRecord();
}

MediaTypeRecord CurrentFormat(IAMStreamConfig* config)
{
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(S_OK, config->GetFormat(&type));
    const win::MediaTypePtr owned(type);
    return type ? MediaTypeRecord(*type) : MediaTypeRecord();
}

SimStamp StampIn(const BYTE* frame, long size)
{
    return StampIn(frame, size, kFrameWidth, kFrameHeight);
}

SimStamp StampIn(const BYTE* frame, long size, int width, int height)
{
    return testenv::StampOf(frame, size > 0 ? static_cast<size_t>(size) : 0, width, height);
}

std::string SettingsFileBytes()
{
    const std::string path = testenv::TempPath("Lumora Camera.config");
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "no file";
    }
    return testenv::FileBytes(path);
}

std::vector<std::string> CameraSettingChanges()
{
    return testenv::JournalLinesStartingWith("CameraSet");
}

LONGLONG QpcNow()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double QpcSeconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / frequency.QuadPart;
}

ComPtr<ICameraSettings> SettingsOf(IUnknown* object)
{
    ComPtr<ICameraSettings> settings;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_ICameraSettings, reinterpret_cast<void**>(settings.GetAddressOf())));
    return settings;
}

void ApplySettings(IUnknown* filter, const std::function<void(CameraConfig&)>& change)
{
    const ComPtr<ICameraSettings> settings = SettingsOf(filter);
    ASSERT_TRUE(settings);
    CameraConfig config;
    ASSERT_EQ(S_OK, settings->GetConfig(&config));
    change(config);
    ASSERT_EQ(S_OK, settings->SetConfig(&config));
}

} // namespace filtertest
