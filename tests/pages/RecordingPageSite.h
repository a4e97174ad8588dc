// Test doubles for the property page unit tests: a page site that records the
// status changes it is told of, and a bare COM object that counts references.
// Made with win::MakeComObject; references start at 1 (the test's own).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "win/ComObject.h"

class RecordingPageSite final : public win::ComObject<IPropertyPageSite> {
public:
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override
    {
        statusChanges.push_back(flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override
    {
        if (!locale) {
            return E_POINTER;
        }
        *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override
    {
        if (container) {
            *container = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* /*msg*/) override { return S_FALSE; }

    LONG References() const { return static_cast<LONG>(ReferenceCount()); }

    std::vector<DWORD> statusChanges;
};

class CountedObject final : public win::ComObject<IUnknown> {
public:
    LONG References() const { return static_cast<LONG>(ReferenceCount()); }
};
