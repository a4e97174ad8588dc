// Identity, reference counting and aggregation of the object base.
#include <gtest/gtest.h>

#include <objidl.h>
#include <wrl/client.h>

#include "framework/UnknownBase.h"
#include "tests/support/CountingUnknown.h"

namespace {

const CLSID kWidgetClass = {0x5d1c3a20, 0x6b0e, 0x4c51, {0x9b, 0x1e, 0x21, 0x7a, 0x44, 0x90, 0x0c, 0x11}};

// An object exporting one interface, counting its destructions.
class Widget : public UnknownBase, public IPersist {
public:
    Widget(IUnknown* outer, int* destroyed) : UnknownBase(L"Widget", outer), destroyed(destroyed) {}
    ~Widget() override { ++*destroyed; }

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override
    {
        if (out && IsEqualIID(iid, IID_IPersist)) {
            return HandOutInterface(static_cast<IPersist*>(this), out);
        }
        return UnknownBase::InnerQueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override
    {
        *id = kWidgetClass;
        return S_OK;
    }

private:
    int* destroyed;
};

} // namespace

TEST(UnknownBase, CountsReferencesAndDestroysExactlyOnce)
{
    const LONG liveBefore = liveObjectCount;
    int destroyed = 0;
    auto* widget = new Widget(nullptr, &destroyed);
    EXPECT_EQ(liveObjectCount, liveBefore + 1);

    IUnknown* inner = widget->InnerUnknown();
    EXPECT_EQ(inner->AddRef(), 1u);
    EXPECT_EQ(inner->AddRef(), 2u);

    // Stand-alone: the exported interface shares the inner count and identity.
    IPersist* persist = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
    IUnknown* identity = nullptr;
    ASSERT_EQ(persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, inner);
    EXPECT_EQ(identity->Release(), 3u);
    EXPECT_EQ(persist->Release(), 2u);

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(inner->QueryInterface(IID_IStream, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(inner->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    EXPECT_EQ(inner->Release(), 1u);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(liveObjectCount, liveBefore);
}

TEST(UnknownBase, AggregatedInterfacesReachTheOuterObject)
{
    // The outer object's count includes the test's own reference (1).
    const Microsoft::WRL::ComPtr<CountingUnknown> outer = win::MakeComObject<CountingUnknown>();
    int destroyed = 0;
    auto* widget = new Widget(outer.Get(), &destroyed);
    IUnknown* inner = widget->InnerUnknown();
    inner->AddRef();

    IPersist* persist = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
    // The reference went to the outer object, not to the inner count.
    EXPECT_EQ(outer->References(), 2u);

    IUnknown* identity = nullptr;
    ASSERT_EQ(persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(outer.Get()));
    EXPECT_EQ(outer->References(), 3u);
    identity->Release();
    persist->Release();
    EXPECT_EQ(outer->References(), 1u);

    // The outer object releases the inner unknown last; that destroys it.
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}
