// The small-COM-object helper: the listed interfaces are answered, one IUnknown, the last Release destroys.
#include <gtest/gtest.h>

#include <dshow.h>

#include "win/ComObject.h"

using Microsoft::WRL::ComPtr;

namespace {

int liveSamples = 0;

class TwoInterfaces final : public win::ComObject<IQualityControl, IMemInputPin> {
public:
    TwoInterfaces() { ++liveSamples; }
    ~TwoInterfaces() override { --liveSamples; }

    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample**, LONG, LONG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }
};

// Answers IPersist, the base of the interface it lists, through the hook.
class Persistent final : public win::ComObject<IPersistStream> {
public:
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

protected:
    void* QueryOtherInterface(REFIID iid) override
    {
        return IsEqualIID(iid, IID_IPersist) ? static_cast<IPersist*>(this) : nullptr;
    }
};

TEST(ComObjectHelper, AnswersListedInterfacesWithOneIdentity)
{
    ComPtr<TwoInterfaces> object = win::MakeComObject<TwoInterfaces>();
    ASSERT_TRUE(object);
    ComPtr<IQualityControl> quality;
    ComPtr<IMemInputPin> input;
    ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&quality)), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&input)), S_OK);

    ComPtr<IUnknown> fromQuality, fromInput;
    ASSERT_EQ(quality.As(&fromQuality), S_OK);
    ASSERT_EQ(input.As(&fromInput), S_OK);
    EXPECT_EQ(fromQuality.Get(), fromInput.Get()) << "one IUnknown, whichever interface is asked";

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IPin, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->QueryInterface(IID_IPin, nullptr), E_POINTER);

    ComPtr<Persistent> persistent = win::MakeComObject<Persistent>();
    ComPtr<IPersist> base;
    EXPECT_EQ(persistent->QueryInterface(IID_PPV_ARGS(&base)), S_OK);
    EXPECT_EQ(base.Get(), static_cast<IPersist*>(persistent.Get()));
}

TEST(ComObjectHelper, StartsWithTheCreatorsReferenceAndTheLastReleaseDestroys)
{
    {
        ComPtr<TwoInterfaces> object = win::MakeComObject<TwoInterfaces>();
        EXPECT_EQ(liveSamples, 1);
        EXPECT_EQ(object->AddRef(), 2u);
        EXPECT_EQ(object->Release(), 1u);
        IMemInputPin* handedOut = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&handedOut)), S_OK);
        object.Reset();
        EXPECT_EQ(liveSamples, 1) << "the handed-out reference keeps it";
        EXPECT_EQ(handedOut->Release(), 0u);
    }
    EXPECT_EQ(liveSamples, 0);
}

} // namespace
