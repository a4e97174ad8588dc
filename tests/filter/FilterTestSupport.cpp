#include "tests/filter/FilterTestSupport.h"

#include <cstring>

#include "camera/CameraConfig.h"
#include "filter/VideoFormats.h"
#include "tests/support/TestEnvironment.h"

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
    capture = static_cast<CameraOutputPin*>(object->PinAt(0));
    preview = static_cast<CameraOutputPin*>(object->PinAt(1));
}

void FilterTest::SetUp()
{
    SimReset();
    testenv::RemoveSettingsFile();
}

void FilterTest::TearDown()
{
    SimReset();
    testenv::RemoveSettingsFile();
}

void StoreResolution(uint8_t resolution)
{
    CameraConfig config;
    config.m_Format.m_Resolution = resolution;
    ASSERT_EQ(1, config.SaveToFile());
}

std::vector<std::string> JournalLines()
{
    std::string text(static_cast<size_t>(SimReadJournal(nullptr, 0)) + 1, '\0');
    SimReadJournal(&text[0], static_cast<int>(text.size()));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

SIZE FrameSizeOf(const AM_MEDIA_TYPE& type)
{
    const VIDEOINFOHEADER* format = VideoInfoOf(type);
    return format ? SIZE{format->bmiHeader.biWidth, format->bmiHeader.biHeight} : SIZE{0, 0};
}

SimStamp StampIn(const BYTE* frame, long size)
{
    SimStamp stamp = {};
    const size_t offset = SimStampOffset(kFrameWidth, kFrameHeight);
    if (frame && size > 0 && offset + sizeof(stamp) <= static_cast<size_t>(size)) {
        std::memcpy(&stamp, frame + offset, sizeof(stamp));
    }
    return stamp;
}

bool IsStamp(const SimStamp& stamp)
{
    return std::memcmp(stamp.magic, "LUMO", 4) == 0;
}

MessageBoxAnswerer::MessageBoxAnswerer()
{
    InitializeCriticalSection(&lock);
    thread = CreateThread(nullptr, 0, &MessageBoxAnswerer::Run, this, 0, nullptr);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    stop = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    DeleteCriticalSection(&lock);
}

std::vector<std::string> MessageBoxAnswerer::Texts()
{
    EnterCriticalSection(&lock);
    std::vector<std::string> copy = texts;
    LeaveCriticalSection(&lock);
    return copy;
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

DWORD WINAPI MessageBoxAnswerer::Run(void* self)
{
    auto* answerer = static_cast<MessageBoxAnswerer*>(self);
    while (!answerer->stop) {
        HWND box = FindWindowA("#32770", "Lumora Camera");
        HWND ok = box ? GetDlgItem(box, IDOK) : nullptr;
        if (ok && IsWindowVisible(box)) {
            std::string text;
            EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&text));
            EnterCriticalSection(&answerer->lock);
            answerer->texts.push_back(text);
            LeaveCriticalSection(&answerer->lock);
            // Pressing the button, as a click would.
            SendMessageA(ok, BM_CLICK, 0, 0);
            // Wait for this box to go before looking for the next one.
            for (int i = 0; i < 500 && IsWindow(box); ++i) {
                Sleep(10);
            }
        }
        Sleep(20);
    }
    return 0;
}

} // namespace filtertest
