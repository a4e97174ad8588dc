// Ownership of media types (AM_MEDIA_TYPE) handed across filter-graph
// interfaces.
//
// A media type owns its format block (pbFormat, cbFormat bytes of task memory,
// present exactly when cbFormat is not 0) and one reference on pUnk when that
// is not null. A type handed out as AM_MEDIA_TYPE* (IEnumMediaTypes::Next,
// IAMStreamConfig::GetFormat) is itself task memory, freed by the receiver
// with DeleteType or owned by a MediaTypePtr; a caller-held structure filled
// through an out-parameter (IPin::ConnectionMediaType,
// ISampleGrabber::GetConnectedMediaType) owns only its contents, which
// MediaTypeContents frees.
#pragma once

#include <strmif.h>

#include <memory>

namespace win {

// Frees the format block and releases pUnk; the structure itself stays, and
// freeing the emptied structure again is harmless.
void FreeTypeContents(AM_MEDIA_TYPE* type);

// Frees a structure from task memory and what it owns; null does nothing.
void DeleteType(AM_MEDIA_TYPE* type);

struct MediaTypeDelete {
    void operator()(AM_MEDIA_TYPE* type) const { DeleteType(type); }
};

// A media type in task memory, deleted with what it owns.
using MediaTypePtr = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDelete>;

// A media type structure of the caller's whose contents are filled by an
// out-parameter and freed when the owner goes.
class MediaTypeContents {
public:
    MediaTypeContents() = default;
    ~MediaTypeContents() { FreeTypeContents(&m_type); }
    MediaTypeContents(const MediaTypeContents&) = delete;
    MediaTypeContents& operator=(const MediaTypeContents&) = delete;

    // Frees what is held and returns the emptied structure to be filled.
    AM_MEDIA_TYPE* Receive()
    {
        FreeTypeContents(&m_type);
        m_type = AM_MEDIA_TYPE();
        return &m_type;
    }
    const AM_MEDIA_TYPE& Get() const { return m_type; }

private:
    AM_MEDIA_TYPE m_type = {};
};

} // namespace win
