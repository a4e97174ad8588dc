#include "win/MediaType.h"

#include <objbase.h>

namespace win {

void FreeTypeContents(AM_MEDIA_TYPE* type)
{
    if (type->cbFormat != 0) {
        CoTaskMemFree(type->pbFormat);
        type->cbFormat = 0;
        type->pbFormat = nullptr;
    }
    if (type->pUnk) {
        // The reference the type holds on pUnk.
        type->pUnk->Release();
        type->pUnk = nullptr;
    }
}

void DeleteType(AM_MEDIA_TYPE* type)
{
    if (type) {
        FreeTypeContents(type);
        CoTaskMemFree(type);
    }
}

} // namespace win
