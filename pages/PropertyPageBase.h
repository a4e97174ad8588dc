// The frame every property page of this module is built on: an IPropertyPage
// whose content is a dialog template of the module. It keeps what all pages
// share (page site, page window, dirty flag, connection to the edited object,
// title and size) and calls the derived page through six hooks.
//
// Threading: the property frame calls every method on its user-interface
// thread, which also runs the dialog procedures; nothing here is locked. Only
// the reference count may change on any thread (interlocked).
//
// Ownership: the page holds one reference on its page site. The page window
// belongs to the page between Activate and Deactivate; its DWLP_USER holds the
// page (not counted). The last release lets go of the site and the object even
// when the frame did not, and destroys a page window still left open. A page
// window counts in liveObjectCount while it exists, also after its page has
// gone, so the module is not unloaded under its window procedures.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "framework/UnknownBase.h"
#include "win/Window.h"

class PropertyPageBase : public IPropertyPage, public UnknownBase {
public:
    FORWARD_IUNKNOWN_TO_OWNER

    // IPropertyPage
    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT STDMETHODCALLTYPE Show(UINT showCommand) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

    // UnknownBase
    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;

    // Dialog procedure of every page window and of the measuring dialog.
    // WM_INITDIALOG's lParam is the page (0 while measuring); it is kept in
    // DWLP_USER and every later message goes to the page's HandleMessage.
    static INT_PTR CALLBACK PageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    PropertyPageBase(const wchar_t* objectName, IUnknown* outer, int dialogTemplateId, int titleStringId);
    ~PropertyPageBase() override;

    // SetObjects with one object / with none. Results are passed on.
    virtual HRESULT ObjectConnected(IUnknown* object) = 0;
    virtual HRESULT ObjectDisconnected() = 0;
    // Activate, after the page window exists / Deactivate, before it is
    // destroyed. Results are ignored.
    virtual HRESULT PageActivated();
    virtual HRESULT PageDeactivated();
    // Apply, only while the page is dirty; success makes the page clean.
    virtual HRESULT ApplyChanges() = 0;
    // Every message of the page window. Overrides call this last and return
    // its result: it keeps WS_EX_CONTROLPARENT on the active page window.
    virtual INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The last release lets go of the site and the object (ObjectDisconnected)
    // while the page is still whole, even when the frame did not.
    void OnFinalRelease() override;

    // Makes the page dirty and tells the page site.
    HRESULT MarkDirty();

    // The page window while active; null otherwise and during its creation.
    HWND PageWindow() const { return m_PageWindow.Get(); }
    // The window that last received WM_INITDIALOG as this page's window; kept
    // after deactivation (then it names a destroyed window).
    HWND DialogWindow() const { return m_DialogWindow; }

private:
    Microsoft::WRL::ComPtr<IPropertyPageSite> m_PageSite;
    // Created by Activate, destroyed by Deactivate or, when the frame never
    // deactivated the page, by the page's destructor (on the window's thread).
    win::UniqueWindow m_PageWindow;
    HWND m_DialogWindow = nullptr;
    BOOL m_Dirty = FALSE;
    const int m_TitleStringId;
    const int m_DialogTemplateId;
    BOOL m_Connected = FALSE;
};
