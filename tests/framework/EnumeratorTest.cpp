// The pin and media type enumerators, in and out of sync with their lists.
#include <gtest/gtest.h>

#include <dshow.h>
#include <wrl/client.h>

#include "tests/framework/ScriptedFilter.h"

using Microsoft::WRL::ComPtr;

namespace {

class Enumerators : public ScriptedFilterTest {
protected:
    ULONG FilterReferences()
    {
        filter->Interface()->AddRef();
        return filter->Interface()->Release();
    }
};

} // namespace

TEST_F(Enumerators, NextOnPinsWithAndWithoutFetchedCount)
{
    Make(1);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
    IPin* got[3] = {};
    EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(pins->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0], filter->Pin(0)->Pin());
    got[0]->Release();
    ULONG fetched = 9;
    EXPECT_EQ(pins->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(pins->Next(1, nullptr, &fetched), E_POINTER);

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(2), S_FALSE) << "skipping past the end moves nothing";
    EXPECT_EQ(pins->Next(1, got, &fetched), S_OK);
    got[0]->Release();
}

TEST_F(Enumerators, OutOfSyncPinEnumeratorRefreshesButDoesNotRepeatPins)
{
    Make(3);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
    IPin* got[3] = {};
    ULONG fetched = 0;
    ASSERT_EQ(pins->Next(1, got, &fetched), S_OK);
    EXPECT_EQ(got[0], filter->Pin(0)->Pin());
    got[0]->Release();

    filter->ChangePinList();
    IEnumPins* cloned = reinterpret_cast<IEnumPins*>(1);
    EXPECT_EQ(pins->Clone(&cloned), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(cloned, nullptr);
    EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);

    // Next starts again over the new list, skipping the pin already handed out.
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0], filter->Pin(1)->Pin());
    EXPECT_EQ(got[1], filter->Pin(2)->Pin());
    got[0]->Release();
    got[1]->Release();

    // A clone in sync carries the handed-out list along.
    ASSERT_EQ(pins->Reset(), S_OK);
    ASSERT_EQ(pins->Next(1, got, &fetched), S_OK);
    got[0]->Release();
    ASSERT_EQ(pins->Clone(&cloned), S_OK);
    filter->ChangePinList();
    EXPECT_EQ(cloned->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    got[0]->Release();
    got[1]->Release();
    cloned->Release();

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Next(3, got, &fetched), S_OK) << "Reset forgets what was handed out";
    for (IPin* pin : got) {
        pin->Release();
    }
}

TEST_F(Enumerators, PinThatVanishesUnannouncedFailsNextWithoutLeakingReferences)
{
    Make(3);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
    const ULONG references = FilterReferences();
    filter->DropLastPin();
    IPin* got[3] = {};
    ULONG fetched = 7;
    EXPECT_EQ(pins->Next(3, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(FilterReferences(), references);
}

TEST_F(Enumerators, EnumeratorsKeepTheirFilterAlive)
{
    Make(1);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.GetAddressOf()), S_OK);
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(filter->Pin(0)->EnumMediaTypes(types.GetAddressOf()), S_OK);
    EXPECT_EQ(FilterReferences(), 3u);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(types.As(&identity), S_OK);
    EXPECT_EQ(pins->QueryInterface(IID_IPin, reinterpret_cast<void**>(identity.ReleaseAndGetAddressOf())),
              E_NOINTERFACE);
    EXPECT_EQ(identity, nullptr);
}

TEST_F(Enumerators, MediaTypeEnumeratorHandsOutCopiesUntilThePinRunsOut)
{
    Make(1);
    ScriptedPin* pin = filter->Pin(0);
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(pin->EnumMediaTypes(types.GetAddressOf()), S_OK);
    AM_MEDIA_TYPE* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0]->cbFormat, sizeof(VIDEOINFOHEADER));
    DeleteType(got[0]);

    pin->typeCount = 3;
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(0), S_OK);
    EXPECT_EQ(types->Skip(2), S_OK);
    EXPECT_EQ(types->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0]->pbFormat[0], 2) << "the third type";
    DeleteType(got[0]);
    EXPECT_EQ(types->Skip(5), S_FALSE);

    // Out of sync is reported before the missing fetched count is.
    pin->ChangeTypeList();
    EXPECT_EQ(types->Next(2, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    IEnumMediaTypes* cloned = reinterpret_cast<IEnumMediaTypes*>(1);
    EXPECT_EQ(types->Clone(&cloned), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(cloned, nullptr);
    EXPECT_EQ(types->Reset(), S_OK);
    ASSERT_EQ(types->Clone(&cloned), S_OK);
    EXPECT_EQ(cloned->Next(3, got, &fetched), S_OK);
    for (AM_MEDIA_TYPE* type : got) {
        DeleteType(type);
    }
    cloned->Release();
}
