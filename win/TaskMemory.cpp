#include "win/TaskMemory.h"

#include <cwchar>

namespace win {

TaskMemoryPtr<wchar_t> CopyToTaskMemory(const wchar_t* text)
{
    if (!text) {
        return nullptr;
    }
    const size_t length = std::wcslen(text) + 1;
    TaskMemoryPtr<wchar_t> copy = AllocateTaskMemory<wchar_t>(length);
    if (copy) {
        std::wmemcpy(copy.get(), text, length);
    }
    return copy;
}

} // namespace win
