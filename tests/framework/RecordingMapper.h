// A filter mapper that records the registration calls made on it, and can
// fail one of them, for testing the registration order.
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"
#include "win/ComObject.h"

// Made with win::MakeComObject.
class RecordingMapper final : public win::ComObject<IFilterMapper> {
public:
    std::vector<std::string> calls;
    // The call (by index in calls) that fails, and with what.
    size_t failingCall = static_cast<size_t>(-1);
    HRESULT failure = E_FAIL;

    HRESULT STDMETHODCALLTYPE RegisterFilter(CLSID, LPCWSTR name, DWORD merit) override
    {
        return Record("filter " + testenv::Narrow(name) + " " + std::to_string(merit));
    }
    HRESULT STDMETHODCALLTYPE RegisterFilterInstance(CLSID, LPCWSTR, CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterPin(CLSID, LPCWSTR name, WINBOOL rendered, WINBOOL output, WINBOOL, WINBOOL,
                                          CLSID, LPCWSTR) override
    {
        return Record("pin " + testenv::Narrow(name) + (rendered ? " rendered" : "") + (output ? " output" : ""));
    }
    HRESULT STDMETHODCALLTYPE RegisterPinType(CLSID, LPCWSTR name, CLSID major, CLSID) override
    {
        return Record("type " + testenv::Narrow(name) + (IsEqualGUID(major, MEDIATYPE_Video) ? " video" : " other"));
    }
    HRESULT STDMETHODCALLTYPE UnregisterFilter(CLSID) override
    {
        Record("unregister");
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    HRESULT STDMETHODCALLTYPE UnregisterFilterInstance(CLSID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterPin(CLSID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumRegFilters**, DWORD, WINBOOL, CLSID, CLSID, WINBOOL, WINBOOL,
                                                  CLSID, CLSID) override
    {
        return E_NOTIMPL;
    }

private:
    HRESULT Record(const std::string& call)
    {
        calls.push_back(call);
        return calls.size() - 1 == failingCall ? failure : S_OK;
    }
};
