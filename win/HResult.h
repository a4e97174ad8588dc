// How results flow: every operation that can fail returns an HRESULT, and a
// function that calls several of them reads top to bottom, leaving at the
// first failure with RETURN_IF_FAILED.
//
//     RETURN_IF_FAILED(graph->AddFilter(filter, name));
//     RETURN_IF_FAILED(builder->RenderStream(...));
//     return S_OK;
//
// Win32 calls that report failure through GetLastError become HRESULTs with
// LastErrorResult.
#pragma once

#include <windows.h>

// Evaluates expression once; when it is a failure HRESULT, returns it from the
// enclosing function.
#define RETURN_IF_FAILED(expression)                                                                           \
    do {                                                                                                       \
        const HRESULT lumoraResult_ = (expression);                                                            \
        if (FAILED(lumoraResult_)) {                                                                           \
            return lumoraResult_;                                                                              \
        }                                                                                                      \
    } while (0)

namespace win {

// The calling thread's last Win32 error as an HRESULT; E_FAIL when the failed
// call left none.
inline HRESULT LastErrorResult()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

} // namespace win
