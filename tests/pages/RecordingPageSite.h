// A page site that records the status changes it is told of. Made with
// win::MakeComObject; its references are counted (References()).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "tests/support/CountingUnknown.h"

class RecordingPageSite final : public CountedComObject<IPropertyPageSite> {
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

    std::vector<DWORD> statusChanges;
};
