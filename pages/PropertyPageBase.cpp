#include "pages/PropertyPageBase.h"

#include "pages/PageHelpers.h"
#include "win/Module.h"
#include "win/Window.h"

namespace {
// Size reported when the page's dialog template cannot be measured.
constexpr LONG kDefaultPageWidth = 340;
constexpr LONG kDefaultPageHeight = 150;

// A page window runs this module's dialog procedures (and those of its child
// dialogs) until it is destroyed, which may be after the page has gone: a
// page released on another thread has its window destroyed when the
// window's own thread handles the request. From WM_INITDIALOG to
// WM_NCDESTROY, its last message, the window therefore counts as a live
// object of the module, so DllCanUnloadNow keeps the module loaded. The
// window property marks a window that holds the count, so a window whose
// creation failed before WM_INITDIALOG gives back nothing it did not take.
const wchar_t kModuleHoldProperty[] = L"Lumora.PageWindowHoldsModule";

void HoldModuleFor(HWND window)
{
    if (SetPropW(window, kModuleHoldProperty, reinterpret_cast<HANDLE>(1))) {
        InterlockedIncrement(&liveObjectCount);
    }
}

void ReleaseModuleHoldOf(HWND window)
{
    if (RemovePropW(window, kModuleHoldProperty)) {
        InterlockedDecrement(&liveObjectCount);
    }
}
} // namespace

PropertyPageBase::PropertyPageBase(const wchar_t* objectName, IUnknown* outer, int dialogTemplateId,
                                   int titleStringId)
    : UnknownBase(objectName, outer), m_TitleStringId(titleStringId), m_DialogTemplateId(dialogTemplateId)
{
}

PropertyPageBase::~PropertyPageBase()
{
    // A frame that released the page without Deactivate leaves the page window
    // behind: detach it first, so that no later message reaches a freed page.
    // m_PageWindow then destroys it on its own thread (the frame's), also when
    // the last release comes from another thread.
    if (m_PageWindow) {
        SetWindowLongPtrA(m_PageWindow.Get(), DWLP_USER, 0);
    }
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::InnerQueryInterface(REFIID iid, void** out)
{
    if (IsEqualIID(iid, IID_IPropertyPage)) {
        return HandOutInterface(static_cast<IPropertyPage*>(this), out);
    }
    return UnknownBase::InnerQueryInterface(iid, out);
}

void PropertyPageBase::OnFinalRelease()
{
    // Results ignored: there may be no site, and the object may be gone.
    SetPageSite(nullptr);
    SetObjects(0, nullptr);
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::SetPageSite(IPropertyPageSite* site)
{
    if (site) {
        if (m_PageSite) {
            return E_UNEXPECTED;
        }
        m_PageSite = site;
    } else {
        if (!m_PageSite) {
            return E_UNEXPECTED;
        }
        m_PageSite.Reset();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Activate(HWND parent, LPCRECT rect, BOOL /*modal*/)
{
    if (!rect) {
        return E_POINTER;
    }
    if (!m_Connected || m_PageWindow) {
        return E_UNEXPECTED;
    }
    // The page window field stays null until creation returns; the derived
    // page reaches the new window through DialogWindow() meanwhile.
    HWND window = CreateDialogParamA(win::CodeModule(), MAKEINTRESOURCEA(m_DialogTemplateId), parent,
                                     &PropertyPageBase::PageDialogProc,
                                     reinterpret_cast<LPARAM>(static_cast<PropertyPageBase*>(this)));
    if (!window) {
        return E_OUTOFMEMORY;
    }
    m_PageWindow.Reset(window);
    PageActivated();
    Move(rect);
    return Show(SW_SHOWNORMAL);
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Deactivate()
{
    if (!m_PageWindow) {
        return E_UNEXPECTED;
    }
    // Drop WS_EX_CONTROLPARENT before the window goes (a control parent being
    // destroyed can send the dialog manager's focus search into a loop). The
    // field is empty meanwhile, so HandleMessage does not put the flag back.
    HWND window = m_PageWindow.Release();
    const LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    SetWindowLongPtrA(window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTROLPARENT));
    m_PageWindow.Reset(window);

    PageDeactivated();
    m_PageWindow.Reset(); // on the frame's thread: destroyed at once
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::GetPageInfo(PROPPAGEINFO* info)
{
    if (!info) {
        return E_POINTER;
    }
    wchar_t title[kResourceStringLength];
    LoadResourceString(title, m_TitleStringId);
    LPOLESTR titleCopy = nullptr;
    const HRESULT hr = DupWideString(title, &titleCopy);
    if (FAILED(hr)) {
        return hr;
    }
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = titleCopy; // the caller frees it
    info->size.cx = kDefaultPageWidth;
    info->size.cy = kDefaultPageHeight;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    MeasureDialog(m_DialogTemplateId, &PropertyPageBase::PageDialogProc, 0, &info->size);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::SetObjects(ULONG count, IUnknown** objects)
{
    if (count == 1) {
        if (!objects || !objects[0]) {
            return E_POINTER;
        }
        m_Connected = TRUE;
        return ObjectConnected(objects[0]);
    }
    if (count == 0) {
        m_Connected = FALSE;
        return ObjectDisconnected();
    }
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Show(UINT showCommand)
{
    if (!m_PageWindow) {
        return E_UNEXPECTED;
    }
    if (showCommand != SW_SHOW && showCommand != SW_SHOWNORMAL && showCommand != SW_HIDE) {
        return E_INVALIDARG;
    }
    ShowWindow(m_PageWindow.Get(), static_cast<int>(showCommand));
    InvalidateRect(m_PageWindow.Get(), nullptr, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Move(LPCRECT rect)
{
    if (!rect) {
        return E_POINTER;
    }
    if (!m_PageWindow) {
        return E_UNEXPECTED;
    }
    MoveWindow(m_PageWindow.Get(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::IsPageDirty()
{
    return m_Dirty ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Apply()
{
    if (!m_Connected || !m_PageSite) {
        return E_UNEXPECTED;
    }
    if (!m_Dirty) {
        return S_OK;
    }
    const HRESULT hr = ApplyChanges();
    if (SUCCEEDED(hr)) {
        m_Dirty = FALSE;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Help(LPCOLESTR /*helpDir*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::TranslateAccelerator(MSG* /*msg*/)
{
    return E_NOTIMPL;
}

HRESULT PropertyPageBase::PageActivated()
{
    return S_OK;
}

HRESULT PropertyPageBase::PageDeactivated()
{
    return S_OK;
}

HRESULT PropertyPageBase::MarkDirty()
{
    m_Dirty = TRUE;
    if (m_PageSite) {
        m_PageSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }
    return S_OK;
}

INT_PTR PropertyPageBase::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* page = reinterpret_cast<PropertyPageBase*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!page || !page->m_PageWindow) {
        return 0;
    }
    if (message == WM_STYLECHANGING && wParam == static_cast<WPARAM>(GWL_EXSTYLE)) {
        // The frame's dialog manager needs to walk into the page's controls.
        reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew |= WS_EX_CONTROLPARENT;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK PropertyPageBase::PageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A page released on another thread asks the window's own thread to
    // destroy it (win::UniqueWindow).
    if (win::HandleDestroyRequest(window, message)) {
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        ReleaseModuleHoldOf(window);
    }
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        if (lParam == 0) {
            return TRUE; // measuring: no page attached, destroyed before MeasureDialog returns
        }
        HoldModuleFor(window);
        reinterpret_cast<PropertyPageBase*>(lParam)->m_DialogWindow = window;
    }
    auto* page = reinterpret_cast<PropertyPageBase*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!page) {
        return TRUE;
    }
    return page->HandleMessage(window, message, wParam, lParam);
}
