#include "tests/framework/ScriptedFilter.h"

#include <dshow.h>

#include "tests/framework/FakeInputPin.h"

namespace {
const CLSID kScriptedFilterClass = {0x2f6b8d41, 0x0c1e, 0x4a7d, {0x8e, 0x52, 0x13, 0x9b, 0x7c, 0x6a, 0x40, 0x21}};
}

ScriptedPin::ScriptedPin(ScriptedFilter* filter, int index, const wchar_t* name)
    : PinBase(L"ScriptedPin", filter, filter->FilterLock(), name, PINDIR_OUTPUT), owner(filter), index(index)
{
}

HRESULT ScriptedPin::GoActive()
{
    owner->log.push_back("A" + std::to_string(index));
    return activateResult;
}

HRESULT ScriptedPin::GoInactive()
{
    owner->log.push_back("I" + std::to_string(index));
    return deactivateResult;
}

HRESULT ScriptedPin::OnRun(REFERENCE_TIME start)
{
    owner->log.push_back("R" + std::to_string(index) + "@" + std::to_string(start));
    return runResult;
}

HRESULT ScriptedPin::CheckType(const AM_MEDIA_TYPE* /*type*/)
{
    return S_OK;
}

HRESULT ScriptedPin::GetMediaType(int position, MediaTypeRecord* type)
{
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (position >= typeCount) {
        return VFW_S_NO_MORE_ITEMS;
    }
    *type = MakeVideoType(MEDIASUBTYPE_RGB24, static_cast<BYTE>(position));
    return S_OK;
}

ScriptedFilter::ScriptedFilter(int pinCount) : FilterBase(L"ScriptedFilter", nullptr, &lock, kScriptedFilterClass)
{
    for (int i = 0; i < pinCount; ++i) {
        pins.push_back(std::make_unique<ScriptedPin>(this, i, L"Scripted"));
    }
}

void ScriptedFilter::DropLastPin()
{
    pins.pop_back();
}

HRESULT STDMETHODCALLTYPE ScriptedFilter::Pause()
{
    log.push_back("P");
    return FilterBase::Pause();
}

PinBase* ScriptedFilter::PinAt(int index)
{
    return index >= 0 && index < PinCount() ? pins[index].get() : nullptr;
}
