// Bringing fresh memory in before a deadline-bound write needs it.
#pragma once

#include <stddef.h>

// Writes 0 to one byte of every page of bytes[0, count) and to its last
// byte: the system provides (and zero-fills) a page at its first write, a
// few microseconds each, so 24 MB written for the first time costs over ten
// milliseconds more than a copy into memory that is already there. Only for
// memory whose bytes are about to be written whole.
inline void TouchEveryPage(unsigned char* bytes, size_t count)
{
    const size_t page = 4096; // the x86 page
    if (!bytes || count == 0) {
        return;
    }
    for (size_t offset = 0; offset < count; offset += page) {
        bytes[offset] = 0;
    }
    bytes[count - 1] = 0;
}
