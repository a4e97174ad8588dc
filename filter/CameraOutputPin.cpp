// The camera pin's identity, format list and media type rules: which type it
// offers, which it accepts and how its buffers are sized.
#include "filter/CameraOutputPin.h"

#include <climits>

#include "filter/CameraFilter.h"
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

// Whether a validated type matches one of the pin's own entries in every
// field the pin insists on: rates, rectangles and image sizes may differ.
bool MatchesEntry(const AM_MEDIA_TYPE& type, const VideoTypeView& view, const AM_MEDIA_TYPE& entry)
{
    if (!IsEqualGUID(type.majortype, entry.majortype) || !IsEqualGUID(type.subtype, entry.subtype) ||
        !IsEqualGUID(type.formattype, entry.formattype)) {
        return false;
    }
    const VIDEOINFOHEADER* wanted = VideoInfoOf(entry);
    if (!wanted) {
        return false;
    }
    const BITMAPINFOHEADER& a = *view.bitmap;
    const BITMAPINFOHEADER& b = wanted->bmiHeader;
    return a.biBitCount == b.biBitCount && a.biHeight == b.biHeight && a.biWidth == b.biWidth &&
           a.biCompression == b.biCompression;
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
    // The stored resolution index, read before StateLock is taken; without a
    // settings file the defaults select entry 0.
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
    SelectResolution(stored.m_Format.m_Resolution);
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
    m_SelectedPosition = FormatPositionForResolution(resolution);
}

const MediaTypeRecord* CameraOutputPin::SelectedFormat()
{
    return m_SelectedPosition < m_FormatCount ? &m_Formats[m_SelectedPosition] : nullptr;
}

HRESULT CameraOutputPin::GetMediaType(int position, MediaTypeRecord* type)
{
    win::LockGuard guard(SourceFilter()->StateLock());
    if (!type) {
        return E_POINTER;
    }
    if (position != 0) {
        return E_INVALIDARG;
    }
    const MediaTypeRecord* selected = SelectedFormat();
    if (!selected) {
        return VFW_S_NO_MORE_ITEMS;
    }
    RETURN_IF_FAILED(type->Assign(*selected));
    return connectionType.Assign(*selected);
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
    if (FAILED(CheckDeliverable(type))) {
        return E_INVALIDARG;
    }
    return SUCCEEDED(connectionType.Assign(*type)) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CameraOutputPin::CheckDeliverable(const AM_MEDIA_TYPE* type)
{
    // Validated before any field of the block is compared.
    VideoTypeView view;
    RETURN_IF_FAILED(ValidateVideoType(type, &view));
    // Today the pin delivers the selected entry's size only (the full-size
    // entries are listed, not delivered).
    const MediaTypeRecord* selected = SelectedFormat();
    return selected && MatchesEntry(*type, view, *selected) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
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
    LONGLONG bufferSize = static_cast<LONG>(format->bmiHeader.biSizeImage);
    if (bufferSize <= 0) {
        bufferSize = static_cast<LONGLONG>(format->bmiHeader.biHeight) * format->bmiHeader.biWidth *
                     kFallbackBytesPerPixel;
        if (bufferSize <= 0 || bufferSize > LONG_MAX) {
            return E_FAIL;
        }
        connectionType.lSampleSize = static_cast<ULONG>(bufferSize);
    }
    request->cbBuffer = static_cast<long>(bufferSize);

    ALLOCATOR_PROPERTIES granted = {};
    RETURN_IF_FAILED(allocatorToSize->SetProperties(request, &granted));
    // Fewer buffers will do; smaller ones would not hold a frame.
    return granted.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::Notify(IBaseFilter* /*sender*/, Quality quality)
{
    if (quality.Late > 0) {
        m_LateOffset.store(quality.Late);
    }
    return S_OK;
}
