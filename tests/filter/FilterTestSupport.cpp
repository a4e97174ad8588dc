#include "tests/filter/FilterTestSupport.h"

#include <fstream>
#include <iterator>

#include "camera/CameraConfig.h"
#include "filter/VideoFormats.h"
#include "tests/support/WaitFor.h"

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

HRESULT MakeSmallRgb24Type(MediaTypeRecord* type)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = 800;
    header.biHeight = 600;
    header.biBitCount = 24;
    return MakeRgb24VideoType(header, type);
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
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> CameraSettingChanges()
{
    return testenv::JournalLinesStartingWith("CameraSet");
}

double SecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
}

} // namespace filtertest
