// Ownership of an AM_MEDIA_TYPE handed out by a pin (task memory, with its
// format block and an optional object reference).
#pragma once

#include <strmif.h>

#include <memory>

struct MediaTypeDelete {
    void operator()(AM_MEDIA_TYPE* type) const
    {
        CoTaskMemFree(type->pbFormat);
        if (type->pUnk) {
            type->pUnk->Release();
        }
        CoTaskMemFree(type);
    }
};

using MediaTypePtr = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDelete>;
