// The camera pin's identity, format list and media type rules: which type it
// offers, which it accepts and how its buffers are sized.
#include "filter/CameraOutputPin.h"

#include <algorithm>
#include <climits>

#include "camera/ImageLimits.h"
#include "filter/CameraFilter.h"
#include "filter/FormatLadder.h"
#include "filter/VideoFormats.h"
#include "framework/VideoType.h"
#include "win/HResult.h"

LONG wildcardTypeRefusals = 0;

namespace {

// Consecutive wildcard queries refused before they are accepted.
const LONG kWildcardRefusalLimit = 3;
// Samples the pin asks its allocator for, whatever the peer wants.
const long kBufferCount = 3;
// Bytes per pixel assumed when a format does not state its image size.
const LONGLONG kFallbackBytesPerPixel = 4;

bool IsWildcardType(const AM_MEDIA_TYPE& type)
{
    const bool videoLike =
        IsEqualGUID(type.majortype, MEDIATYPE_Video) || IsEqualGUID(type.majortype, MEDIATYPE_Interleaved);
    return videoLike && IsEqualGUID(type.formattype, GUID_NULL) && type.cbFormat == 0;
}

// Whether a validated type whose frame is layout (FrameLayoutOfType) matches
// one of the pin's own entries in every field the pin insists on: the
// format (subtype and header; IYUV as I420) and the frame's size. Image sizes
// may differ, rectangles too unless they give a renderer's wider stride, and
// the rate is judged by the caller.
bool MatchesEntry(const AM_MEDIA_TYPE& type, const FrameLayout& layout, const AM_MEDIA_TYPE& entry)
{
    PixelFormat entryFormat = PixelFormat::Rgb24;
    if (layout.IsEmpty() || !IsEqualGUID(type.majortype, entry.majortype) ||
        !IsEqualGUID(type.formattype, entry.formattype) || !FormatOfSubtype(entry.subtype, &entryFormat) ||
        entryFormat != layout.format) {
        return false;
    }
    const VIDEOINFOHEADER* wanted = VideoInfoOf(entry);
    return wanted && layout.width == wanted->bmiHeader.biWidth && layout.height == wanted->bmiHeader.biHeight;
}

// Whether two frames are laid out alike.
bool SameLayout(const FrameLayout& a, const FrameLayout& b)
{
    return a.format == b.format && a.width == b.width && a.height == b.height && a.stride == b.stride;
}

} // namespace

CameraOutputPin::CameraOutputPin(CameraFilter* filter, HRESULT* result, const wchar_t* pinName)
    : SourceStreamBase(nullptr, result, filter, pinName), m_pOwnerFilter(filter)
{
}

CameraOutputPin::~CameraOutputPin() = default;

HRESULT STDMETHODCALLTYPE CameraOutputPin::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IAMStreamConfig)) {
        return HandOutInterface(static_cast<IAMStreamConfig*>(this), out);
    }
    if (IsEqualIID(iid, IID_IKsPropertySet)) {
        return HandOutInterface(static_cast<IKsPropertySet*>(this), out);
    }
    if (IsEqualIID(iid, IID_IAMDroppedFrames)) {
        return HandOutInterface(static_cast<IAMDroppedFrames*>(this), out);
    }
    if (IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
        return HandOutInterface(static_cast<ISpecifyPropertyPages*>(this), out);
    }
    if (IsEqualIID(iid, IID_ICameraSettings)) {
        return HandOutInterface(static_cast<ICameraSettings*>(this), out);
    }
    return SourceStreamBase::InnerQueryInterface(iid, out);
}

void CameraOutputPin::AttachCamera(CCamera* camera, REFGUID category)
{
    m_pCamera = camera;
    m_Category = category;
}

HRESULT CameraOutputPin::SetupPin()
{
    // The stored resolution index and frame speed, read before StateLock is
    // taken; without a settings file the defaults select entry 0 at "High".
    CameraConfig stored;
    stored.LoadFromFile();

    win::LockGuard guard(SourceFilter()->StateLock());
    BITMAPINFOHEADER headers[kMaxFormats] = {};
    int count = kMaxFormats;
    if (!m_pCamera || m_pCamera->GetFormats(headers, &count) != 1) {
        count = 0;
    }
    for (int i = 0; i < count; ++i) {
        MediaTypeRecord type;
        if (SUCCEEDED(MakeRgb24VideoType(headers[i], &type))) {
            AddFormat(type);
        }
    }
    // The ladder follows the camera's own entries (only when all five are
    // there, so that its positions are where FormatLadder.h says).
    for (int i = 0; count == kCameraFormatCount && i < kLadderEntryCount; ++i) {
        const LadderEntry entry = LadderEntryAt(i);
        MediaTypeRecord type;
        if (SUCCEEDED(MakeVideoType(entry.format, entry.width, entry.height, &type))) {
            AddFormat(type);
        }
    }
    m_ResolutionIndex = stored.m_Format.m_Resolution;
    m_SelectedPosition = FormatPositionForResolution(m_ResolutionIndex);
    // Refreshes this pin's current type (and the other's, which is the same
    // rate) too.
    m_pOwnerFilter->FollowFrameSpeed(stored.m_FrameSpeed);
    return S_OK;
}

int CameraOutputPin::AddFormat(const MediaTypeRecord& type)
{
    win::LockGuard guard(SourceFilter()->StateLock());
    if (m_FormatCount < kMaxFormats && SUCCEEDED(m_Formats[m_FormatCount].Assign(type))) {
        ++m_FormatCount;
    }
    if (m_FormatCount > 0) {
        connectionType.Assign(m_Formats[0]);
    }
    return m_FormatCount;
}

// The selection is decided here, from a record someone has in hand, and never
// by the media type queries: GetConfig reads the settings file and makes 13
// SDK calls under the controller's lock, which GetMediaType and CheckType
// (every connection attempt, under StateLock) must not do. What those reads
// also did, refreshing the controller's record the camera opens with, is done
// by the worker before it opens the camera (OnWorkerStart).
void CameraOutputPin::SelectResolution(uint8_t resolution)
{
    win::LockGuard guard(SourceFilter()->StateLock());
    // The same index, read again or applied again, keeps what SetFormat chose.
    if (resolution == m_ResolutionIndex) {
        return;
    }
    m_ResolutionIndex = resolution;
    m_SelectedPosition = FormatPositionForResolution(resolution);
}

void CameraOutputPin::RefreshCurrentType()
{
    win::LockGuard guard(SourceFilter()->StateLock());
    if (!connectedPin) {
        MediaTypeRecord offered;
        if (SUCCEEDED(EntryAtRate(m_SelectedPosition, 0, &offered))) {
            connectionType.Assign(offered);
        }
        return;
    }
    // Connected: the peer and the allocator hold frames of the connection's
    // size, and so does the worker; only the announced rate follows the
    // camera. The block is changed in place, never reallocated, while a
    // worker may stream (it reads only the bitmap header, at its start).
    SetFrameInterval(connectionType, m_pOwnerFilter->FrameInterval());
}

const MediaTypeRecord* CameraOutputPin::SelectedFormat()
{
    return m_SelectedPosition < m_FormatCount ? &m_Formats[m_SelectedPosition] : nullptr;
}

HRESULT CameraOutputPin::EntryAtRate(int position, int32_t frameSpeed, MediaTypeRecord* type)
{
    if (position < 0 || position >= m_FormatCount) {
        return E_INVALIDARG;
    }
    RETURN_IF_FAILED(type->Assign(m_Formats[position]));
    const int32_t speed = frameSpeed != 0 ? frameSpeed : m_pOwnerFilter->FrameSpeed();
    SetFrameInterval(*type, FrameRates::FrameIntervalForSpeed(speed));
    return S_OK;
}

bool CameraOutputPin::SameFrameSize(int a, int b)
{
    if (a < 0 || b < 0 || a >= m_FormatCount || b >= m_FormatCount) {
        return false;
    }
    const VIDEOINFOHEADER* first = VideoInfoOf(m_Formats[a]);
    const VIDEOINFOHEADER* second = VideoInfoOf(m_Formats[b]);
    return first && second && first->bmiHeader.biWidth == second->bmiHeader.biWidth &&
           first->bmiHeader.biHeight == second->bmiHeader.biHeight;
}

bool CameraOutputPin::EntryDeliverable(int position)
{
    if (position < 0 || position >= m_FormatCount) {
        return false;
    }
    // At index 0 the camera reads out its whole sensor, and every size is
    // taken from that image (the largest is all of it). At any other index
    // (1 and 2 are the binned read-outs) the camera's entries of the index
    // entry's size are delivered, and the ladder but the whole image.
    if (m_ResolutionIndex == 0) {
        return true;
    }
    if (position < kCameraFormatCount) {
        return SameFrameSize(position, FormatPositionForResolution(m_ResolutionIndex));
    }
    return !LadderEntryAt(position - kCameraFormatCount).wholeImage;
}

HRESULT CameraOutputPin::GetMediaType(int position, MediaTypeRecord* type)
{
    win::LockGuard guard(SourceFilter()->StateLock());
    if (!type) {
        return E_POINTER;
    }
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (!SelectedFormat()) {
        return VFW_S_NO_MORE_ITEMS;
    }
    if (position > 0) {
        // The ladder's entries the camera delivers now, but the one that is
        // the offered type's frame already; they never become the current
        // type here (a connection that takes one does, through CheckType).
        int remaining = position - 1;
        for (int i = kCameraFormatCount; i < m_FormatCount; ++i) {
            const bool offeredAlready = IsEqualGUID(m_Formats[i].subtype, SelectedFormat()->subtype) &&
                                        SameFrameSize(i, m_SelectedPosition);
            if (EntryDeliverable(i) && !offeredAlready && remaining-- == 0) {
                return EntryAtRate(i, 0, type);
            }
        }
        return VFW_S_NO_MORE_ITEMS;
    }
    RETURN_IF_FAILED(EntryAtRate(m_SelectedPosition, 0, type));
    // A connected pin's type is its connection's: asking what the pin offers
    // must not change the frame the peer and the allocator were set up for.
    return connectedPin ? S_OK : connectionType.Assign(*type);
}

HRESULT CameraOutputPin::CheckType(const AM_MEDIA_TYPE* type)
{
    win::LockGuard guard(SourceFilter()->StateLock());
    if (!type) {
        return E_INVALIDARG;
    }
    if (IsWildcardType(*type)) {
        return ++wildcardTypeRefusals <= kWildcardRefusalLimit ? E_INVALIDARG : S_OK;
    }
    wildcardTypeRefusals = 0;
    // Any entry the camera delivers now, at the camera's rate (a type that
    // names no rate takes the camera's).
    DeliverableType decided;
    if (FAILED(CheckDeliverable(type, &decided)) ||
        (decided.frameSpeed != 0 && decided.frameSpeed != m_pOwnerFilter->FrameSpeed())) {
        return E_INVALIDARG;
    }
    if (connectedPin) {
        // The connection's type stays (see GetMediaType): only frames laid
        // out as its own are delivered.
        return SameLayout(FrameLayoutOfType(*type), FrameLayoutOfType(connectionType)) ? S_OK : E_INVALIDARG;
    }
    return SUCCEEDED(connectionType.Assign(*type)) ? S_OK : E_OUTOFMEMORY;
}

int CameraOutputPin::DeliverablePosition(const AM_MEDIA_TYPE& type)
{
    // The frame the type carries, rows where it puts them; a type whose
    // layout the pin cannot write is refused.
    const FrameLayout layout = FrameLayoutOfType(type);
    const int indexEntry = FormatPositionForResolution(m_ResolutionIndex);
    if (indexEntry < m_FormatCount && MatchesEntry(type, layout, m_Formats[indexEntry])) {
        return indexEntry;
    }
    for (int i = 0; i < m_FormatCount; ++i) {
        if (EntryDeliverable(i) && MatchesEntry(type, layout, m_Formats[i])) {
            return i;
        }
    }
    return -1;
}

HRESULT CameraOutputPin::CheckDeliverable(const AM_MEDIA_TYPE* type, DeliverableType* decided)
{
    // Validated before any field of the block is compared.
    VideoTypeView view;
    RETURN_IF_FAILED(ValidateVideoType(type, &view));
    const int position = DeliverablePosition(*type);
    if (position < 0) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    // 0 names no rate; anything else must be one the camera can run at.
    int32_t frameSpeed = 0;
    if (view.averageTimePerFrame != 0) {
        frameSpeed = FrameRates::FrameSpeedForInterval(view.averageTimePerFrame);
        if (frameSpeed == 0) {
            return VFW_E_INVALIDMEDIATYPE;
        }
    }
    if (decided) {
        decided->position = position;
        decided->frameSpeed = frameSpeed;
    }
    return S_OK;
}

HRESULT CameraOutputPin::SizeBuffers(IMemAllocator* allocatorToSize, ALLOCATOR_PROPERTIES* request)
{
    if (!allocatorToSize || !request) {
        return E_POINTER;
    }
    win::LockGuard guard(SourceFilter()->StateLock());
    request->cBuffers = kBufferCount;

    // The current type may have been set to anything through SetFormat.
    const VIDEOINFOHEADER* format = VideoInfoOf(connectionType);
    if (!format) {
        return E_FAIL;
    }
    const FrameLayout layout = FrameLayoutOfType(connectionType);
    LONGLONG bufferSize = static_cast<LONG>(format->bmiHeader.biSizeImage);
    if (bufferSize <= 0) {
        const LONGLONG height = format->bmiHeader.biHeight;
        bufferSize = (height < 0 ? -height : height) * format->bmiHeader.biWidth * kFallbackBytesPerPixel;
        if (bufferSize <= 0 || bufferSize > LONG_MAX) {
            return E_FAIL;
        }
        connectionType.lSampleSize = static_cast<ULONG>(bufferSize);
    }
    const long frameBytes = static_cast<long>(bufferSize);
    // The capture pin's samples may be filled by the camera directly when
    // they are the camera's image uncut (RGB24 at one of its own sizes, rows
    // unpadded), which needs room for the largest image it makes (see
    // ImageLimits.h); asked for, not insisted on: smaller samples are filled
    // by a copy. Every other frame is converted or scaled into samples of
    // exactly its own size.
    if (IsCapturePin() && !layout.IsEmpty() && layout.format == PixelFormat::Rgb24 && layout.fit == FrameFit::CentredCut &&
        layout.stride == static_cast<size_t>(layout.width) * 3) {
        bufferSize = std::max<LONGLONG>(bufferSize, static_cast<LONGLONG>(kLargestImageBytes));
    }
    request->cbBuffer = static_cast<long>(bufferSize);

    ALLOCATOR_PROPERTIES granted = {};
    RETURN_IF_FAILED(allocatorToSize->SetProperties(request, &granted));
    // Fewer buffers will do; smaller ones would not hold a frame.
    return granted.cbBuffer < frameBytes ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::Notify(IBaseFilter* /*sender*/, Quality quality)
{
    if (quality.Late > 0) {
        m_LateOffset.store(quality.Late);
    }
    return S_OK;
}
