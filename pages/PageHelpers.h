// Module helpers of the property pages: page titles from the string table,
// task-memory copies of text, the pixel size of a dialog template, the pages'
// creation functions and their connection to the filter's settings. The
// strings and dialog templates are those of the module that holds this code
// (win::CodeModule): ZorvikFilter.dll, or a program that links the pages.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <new>

#include "camera/CameraConfig.h"
#include "filter/CameraSettings.h"
#include "win/HResult.h"
#include "win/Platform.h"

class UnknownBase;

// Length of the buffer LoadResourceString fills, terminator included.
constexpr int kResourceStringLength = 256;

// Loads string stringId of the module into buffer (kResourceStringLength wide
// characters) and returns buffer; a missing string gives an empty text. On the
// Unicode-capable platform (platform id 2, VER_PLATFORM_WIN32_NT) the string
// is loaded as wide text, otherwise as ANSI text and converted.
wchar_t* LoadResourceString(wchar_t* buffer, int stringId, DWORD platform = win::PlatformId());

// Copies text with its terminator into task memory (CoTaskMemAlloc); the
// caller frees *copy. E_POINTER when copy is null, E_OUTOFMEMORY when the
// allocation fails.
HRESULT DupWideString(const wchar_t* text, LPOLESTR* copy);

// Creates dialog template templateId of the module (desktop as parent, with
// procedure and initialParam), stores its window size in pixels in *size,
// destroys it and returns 1. Returns 0 and leaves *size alone when the dialog
// cannot be created.
int MeasureDialog(int templateId, DLGPROC procedure, LPARAM initialParam, SIZE* size);

// Connects a page to object's ICameraSettings: *settings holds the interface
// (or nothing when object has none, replacing an earlier connection either
// way) and *config receives its record. Returns the QueryInterface result.
HRESULT ConnectCameraSettings(IUnknown* object, Microsoft::WRL::ComPtr<ICameraSettings>* settings,
                              CameraConfig* config);

// Stores a page's part of the settings: reads the object's current record
// (the settings file and, while open, the camera's live values), lets putOwnFields(record)
// overwrite the fields the page owns, and hands the record back with
// SetConfig. So two pages on one filter never put back each other's fields
// as they were when they connected. The first failure is returned (a save
// that failed among them); S_OK without an object to store to.
template <typename PutOwnFields>
HRESULT StoreOwnFields(ICameraSettings* settings, PutOwnFields putOwnFields)
{
    if (!settings) {
        return S_OK;
    }
    CameraConfig current;
    RETURN_IF_FAILED(settings->GetConfig(&current));
    putOwnFields(current);
    return settings->SetConfig(&current);
}

// Creation function body of a page for the module's factory table: the new
// page's non-delegating IUnknown, or null with E_OUTOFMEMORY in *hr.
template <typename Page>
UnknownBase* CreatePageObject(IUnknown* outer, HRESULT* hr)
{
    auto* page = new (std::nothrow) Page(outer);
    if (!page && hr) {
        *hr = E_OUTOFMEMORY;
    }
    return page;
}
