#include "tests/tools/FakeVirtualCamera.h"

namespace toolstest {
namespace {

FakeVirtualCameraState g_state;

class Camera final : public IMFVirtualCamera {
public:
    Camera() { ++g_state.liveCameras; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IMFAttributes && iid != IID_IMFVirtualCamera) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IMFVirtualCamera*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0) {
            --g_state.liveCameras;
            delete this;
        }
        return left;
    }

    // The camera's own methods, recorded.
    HRESULT STDMETHODCALLTYPE Start(IMFAsyncCallback* callback) override
    {
        g_state.calls.push_back(callback ? "Start(callback)" : "Start(null)");
        return g_state.startResult;
    }
    HRESULT STDMETHODCALLTYPE Stop() override { return Record("Stop", S_OK); }
    HRESULT STDMETHODCALLTYPE Remove() override { return Record("Remove", g_state.removeResult); }
    HRESULT STDMETHODCALLTYPE Shutdown() override { return Record("Shutdown", S_OK); }
    HRESULT STDMETHODCALLTYPE AddDeviceSourceInfo(LPCWSTR) override { return Record("AddDeviceSourceInfo", E_NOTIMPL); }
    HRESULT STDMETHODCALLTYPE AddProperty(const DEVPROPKEY*, DEVPROPTYPE, const BYTE*, ULONG) override
    {
        return Record("AddProperty", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE AddRegistryEntry(LPCWSTR, LPCWSTR, DWORD, const BYTE*, ULONG) override
    {
        return Record("AddRegistryEntry", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource**) override { return Record("GetMediaSource", E_NOTIMPL); }
    HRESULT STDMETHODCALLTYPE SendCameraProperty(const GUID*, ULONG, ULONG, void*, ULONG, void*, ULONG, ULONG*) override
    {
        return Record("SendCameraProperty", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE CreateSyncEvent(const GUID*, ULONG, ULONG, HANDLE, IMFCameraSyncObject**) override
    {
        return Record("CreateSyncEvent", E_NOTIMPL);
    }
    HRESULT STDMETHODCALLTYPE CreateSyncSemaphore(const GUID*, ULONG, ULONG, HANDLE, LONG,
                                                  IMFCameraSyncObject**) override
    {
        return Record("CreateSyncSemaphore", E_NOTIMPL);
    }

    // The attribute store, which the commands do not use.
    HRESULT STDMETHODCALLTYPE GetItem(REFGUID, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemType(REFGUID, MF_ATTRIBUTE_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareItem(REFGUID, REFPROPVARIANT, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Compare(IMFAttributes*, MF_ATTRIBUTES_MATCH_TYPE, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUINT32(REFGUID, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUINT64(REFGUID, UINT64*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDouble(REFGUID, double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGUID(REFGUID, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStringLength(REFGUID, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetString(REFGUID, LPWSTR, UINT32, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllocatedString(REFGUID, LPWSTR*, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBlobSize(REFGUID, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBlob(REFGUID, UINT8*, UINT32, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllocatedBlob(REFGUID, UINT8**, UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUnknown(REFGUID, REFIID, LPVOID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetItem(REFGUID, REFPROPVARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteItem(REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteAllItems() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetUINT32(REFGUID, UINT32) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetUINT64(REFGUID, UINT64) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDouble(REFGUID, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetString(REFGUID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBlob(REFGUID, const UINT8*, UINT32) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetUnknown(REFGUID, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockStore() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockStore() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCount(UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemByIndex(UINT32, GUID*, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyAllItems(IMFAttributes*) override { return E_NOTIMPL; }

private:
    static HRESULT Record(const char* call, HRESULT result)
    {
        g_state.calls.push_back(call);
        return result;
    }

    ULONG m_references = 1;
};

HRESULT WINAPI Create(MFVirtualCameraType type, MFVirtualCameraLifetime lifetime, MFVirtualCameraAccess access,
                      LPCWSTR friendlyName, LPCWSTR sourceId, const GUID* categories, ULONG categoryCount,
                      IMFVirtualCamera** camera)
{
    g_state.calls.push_back("Create");
    g_state.type = type;
    g_state.lifetime = lifetime;
    g_state.access = access;
    g_state.friendlyName = friendlyName ? friendlyName : L"(null)";
    g_state.sourceId = sourceId ? sourceId : L"(null)";
    g_state.categories = categories;
    g_state.categoryCount = categoryCount;
    *camera = SUCCEEDED(g_state.createResult) && g_state.createReturnsCamera ? new Camera : nullptr;
    return g_state.createResult;
}

HRESULT WINAPI IsSupported(MFVirtualCameraType, BOOL* supported)
{
    *supported = g_state.supported;
    return g_state.supportedResult;
}

} // namespace

FakeVirtualCameraState& FakeVirtualCamera()
{
    return g_state;
}

void ResetFakeVirtualCamera()
{
    g_state = FakeVirtualCameraState();
}

vcam::VirtualCameraApi FakeVirtualCameraApi()
{
    return vcam::VirtualCameraApi(&Create, &IsSupported);
}

} // namespace toolstest
