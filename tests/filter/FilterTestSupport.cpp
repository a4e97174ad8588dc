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

MessageBoxAnswerer::MessageBoxAnswerer()
{
    thread.Start([this] {
        Run();
        return DWORD{0};
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    stop = true;
    thread.Join();
}

std::vector<std::string> MessageBoxAnswerer::Texts()
{
    win::LockGuard guard(lock);
    return texts;
}

bool MessageBoxAnswerer::WaitForTexts(size_t count, DWORD timeoutMs)
{
    return testenv::WaitFor([&] { return Texts().size() >= count; }, timeoutMs);
}

namespace {

// Collects the texts of a dialog's static controls.
BOOL CALLBACK CollectStaticText(HWND child, LPARAM param)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0) {
        char text[256] = {};
        GetWindowTextA(child, text, sizeof(text));
        if (text[0]) {
            *reinterpret_cast<std::string*>(param) += text;
        }
    }
    return TRUE;
}

} // namespace

void MessageBoxAnswerer::Run()
{
    while (!stop) {
        HWND box = FindWindowA("#32770", "Lumora Camera");
        HWND ok = box ? GetDlgItem(box, IDOK) : nullptr;
        if (ok && IsWindowVisible(box)) {
            std::string text;
            EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&text));
            {
                win::LockGuard guard(lock);
                texts.push_back(text);
            }
            // Pressing the button, as a click would.
            SendMessageA(ok, BM_CLICK, 0, 0);
            // Wait for this box to go before looking for the next one.
            for (int i = 0; i < 500 && IsWindow(box); ++i) {
                Sleep(10);
            }
        }
        Sleep(20);
    }
}

} // namespace filtertest
