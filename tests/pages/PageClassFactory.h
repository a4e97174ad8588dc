// A test-only factory for one page class, registered with CoRegisterClassObject so the frame creates the page by
// class id. It keeps a reference on every page it made, so a test can look at a page's state while the frame runs
// it and after the frame closed.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <mutex>
#include <vector>

#include "framework/UnknownBase.h"
#include "win/ComObject.h"

class PageClassFactory final : public win::ComObject<IClassFactory> {
public:
    using CreateFunction = UnknownBase* (*)(IUnknown* outer, HRESULT* hr);

    explicit PageClassFactory(CreateFunction create) : m_create(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        HRESULT hr = S_OK;
        UnknownBase* object = m_create(outer, &hr);
        if (!object) {
            return FAILED(hr) ? hr : E_OUTOFMEMORY;
        }
        // Held from here on: an object the query cannot serve goes with it.
        Microsoft::WRL::ComPtr<IUnknown> inner(object->InnerUnknown());
        hr = inner->QueryInterface(iid, out);
        Microsoft::WRL::ComPtr<IPropertyPage> page;
        if (SUCCEEDED(inner.As(&page))) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pages.push_back(page);
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL /*lock*/) override { return S_OK; }

    Microsoft::WRL::ComPtr<IPropertyPage> LastPage()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_pages.empty() ? nullptr : m_pages.back();
    }
    // Lets go of the pages (their last release may follow).
    void ReleasePages()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pages.clear();
    }

private:
    CreateFunction m_create;
    std::mutex m_mutex;
    std::vector<Microsoft::WRL::ComPtr<IPropertyPage>> m_pages;
};
