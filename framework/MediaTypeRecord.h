// Media types that own their format block.
//
// An AM_MEDIA_TYPE owns its format block (pbFormat, cbFormat bytes of COM task
// memory, present exactly when cbFormat is not 0) and one reference on pUnk
// when that is not null (win/MediaType.h). The free functions below keep those
// rules for plain AM_MEDIA_TYPE structures handed across interfaces;
// MediaTypeRecord is the same structure as a value type that frees what it
// owns when it goes.
#pragma once

#include <strmif.h>

#include "win/MediaType.h"

// Freeing a type's contents (FreeTypeContents) and a type in task memory
// (DeleteType) are the foundation's; the framework and its users name them
// unqualified.
using win::DeleteType;
using win::FreeTypeContents;

// Copies every field of source into destination, with a block of its own and
// a reference of its own on pUnk. The destination's former contents are
// overwritten, not freed. A source with cbFormat 0 gives a copy without a
// block (pbFormat null, whatever the source's pbFormat). When the block
// cannot be copied the destination owns nothing (cbFormat 0, pbFormat and
// pUnk null), so freeing it later is harmless: E_OUTOFMEMORY when it cannot be
// allocated, E_POINTER when the source claims a block (cbFormat not 0) it does
// not have.
HRESULT CopyTypeInto(AM_MEDIA_TYPE* destination, const AM_MEDIA_TYPE* source);

// Whether the format block is where cbFormat says: E_POINTER for a null type,
// or for a type that claims a block (cbFormat not 0) without one; else S_OK.
// Types handed in by callers and peers are checked with it before their block
// is read or copied; it cannot tell a block shorter than cbFormat, which the
// caller vouches for.
HRESULT CheckFormatBlock(const AM_MEDIA_TYPE* type);

// A copy of source in task memory (free it with DeleteType), or null when
// memory runs out.
AM_MEDIA_TYPE* CloneType(const AM_MEDIA_TYPE* source);

// Sets the default contents (all zero, bFixedSizeSamples 1, lSampleSize 1)
// without freeing anything.
void ResetType(AM_MEDIA_TYPE* type);

// Replaces destination's contents with a copy of source (nothing happens
// when both are the same structure); the copy's failure (see CopyTypeInto)
// leaves destination owning nothing.
HRESULT Assign(AM_MEDIA_TYPE* destination, const AM_MEDIA_TYPE* source);

// Equal major type, subtype, format type and format bytes; sample size,
// compression flags and pUnk are not compared. A type that claims a block it
// does not have equals nothing.
bool SameType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

// Whether the full type matches a pattern whose GUID_NULL fields are
// wildcards (a GUID_NULL format type matches any format block).
bool MatchesPattern(const AM_MEDIA_TYPE& type, const AM_MEDIA_TYPE& pattern);

// A type is partial when its major type or its format type is GUID_NULL.
bool IsPartial(const AM_MEDIA_TYPE& type);

class MediaTypeRecord : public AM_MEDIA_TYPE {
public:
    MediaTypeRecord() { ::ResetType(this); }
    // Copies source; a failed copy stores E_OUTOFMEMORY into *result (when
    // given) and leaves a record that owns nothing.
    explicit MediaTypeRecord(const AM_MEDIA_TYPE& source, HRESULT* result = nullptr);
    MediaTypeRecord(const MediaTypeRecord& source) : MediaTypeRecord(static_cast<const AM_MEDIA_TYPE&>(source)) {}
    ~MediaTypeRecord() { FreeTypeContents(this); }

    MediaTypeRecord& operator=(const MediaTypeRecord& source)
    {
        Assign(source);
        return *this;
    }
    MediaTypeRecord& operator=(const AM_MEDIA_TYPE& source)
    {
        Assign(source);
        return *this;
    }

    HRESULT Assign(const AM_MEDIA_TYPE& source) { return ::Assign(this, &source); }
    void ResetType() { ::ResetType(this); }
    bool SameType(const AM_MEDIA_TYPE& other) const { return ::SameType(*this, other); }
    bool MatchesPattern(const AM_MEDIA_TYPE& pattern) const { return ::MatchesPattern(*this, pattern); }
    bool IsPartial() const { return ::IsPartial(*this); }

    // Hands the contents to a new AM_MEDIA_TYPE in task memory without copying
    // the format block; this record is left owning nothing. Null (and this
    // record unchanged) when memory runs out. Free the result with DeleteType.
    AM_MEDIA_TYPE* DetachToTaskMemory();
};

// The record is handed across interfaces as an AM_MEDIA_TYPE.
static_assert(sizeof(MediaTypeRecord) == sizeof(AM_MEDIA_TYPE), "MediaTypeRecord must add no fields");
