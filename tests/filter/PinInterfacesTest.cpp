// The camera pin's configuration interfaces as capture applications use them.
#include <gtest/gtest.h>

#include <dshow.h>

#include <cstring>

#include "filter/LumoraGuids.h"
#include "filter/VideoFormats.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/support/VideoTypeKit.h"

using namespace filtertest;

namespace {

class PinInterfaces : public FilterTest {
protected:
    template <class Interface>
    ComPtr<Interface> Query(CameraOutputPin* pin)
    {
        ComPtr<Interface> itf;
        EXPECT_EQ(S_OK, pin->Pin()->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(itf.GetAddressOf())));
        return itf;
    }
    TestFilter under;
};

TEST_F(PinInterfaces, StreamCapsListEveryEntryAsAFixedSize)
{
    ComPtr<IAMStreamConfig> config = Query<IAMStreamConfig>(under.preview);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(35, count) << "the camera's five, then the ladder's 30";
    EXPECT_EQ(128, size);

    // The camera's entries, then ladder entries (size by size, each in RGB24, RGB32, YUY2, NV12, I420 and Y800): bit
    // rates at 30 and 15 per second, saturated where they pass the fields.
    const DWORD kSaturated = 0xFFFFFFFF;
    const struct {
        int index;
        LONG width, height;
        GUID subtype;
        DWORD bitRate;         // at 30 per second
        LONG minBitsPerSecond; // at 15
        LONG maxBitsPerSecond; // at 30
    } entries[] = {
        {0, 3032, 2016, MEDIASUBTYPE_RGB24, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {1, 3032, 2016, MEDIASUBTYPE_RGB24, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {2, 3032, 2016, MEDIASUBTYPE_RGB24, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {3, 3264, 2448, MEDIASUBTYPE_RGB24, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {4, 3264, 2448, MEDIASUBTYPE_RGB24, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {5, 3032, 2016, MEDIASUBTYPE_RGB24, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {6, 3032, 2016, MEDIASUBTYPE_RGB32, kSaturated, 0x7FFFFFFF, 0x7FFFFFFF},
        {19, 1920, 1080, testenv::kYuy2Facts.subtype, 995328995, 497664497, 995328995},
        {26, 1280, 720, testenv::kNv12Facts.subtype, 331776331, 165888165, 331776331},
        {33, 640, 480, testenv::kI420Facts.subtype, 110592110, 55296055, 110592110},
        {34, 640, 480, testenv::kY800Facts.subtype, 73728073, 36864036, 73728073},
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.index);
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        std::memset(&caps, 0xCD, sizeof(caps));
        ASSERT_EQ(S_OK, config->GetStreamCaps(entry.index, &type, reinterpret_cast<BYTE*>(&caps)));
        EXPECT_EQ(entry.width, FrameSizeOf(*type).cx);
        EXPECT_EQ(entry.height, FrameSizeOf(*type).cy);
        EXPECT_TRUE(IsEqualGUID(entry.subtype, type->subtype));
        EXPECT_EQ(333333, VideoInfoOf(*type)->AvgTimePerFrame); // the camera's rate now
        EXPECT_EQ(entry.bitRate, VideoInfoOf(*type)->dwBitRate);
        EXPECT_EQ(VideoInfoOf(*type)->bmiHeader.biSizeImage, type->lSampleSize);
        DeleteType(type);

        EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, caps.guid));
        for (const SIZE& fixed : {caps.InputSize, caps.MinCroppingSize, caps.MaxCroppingSize, caps.MinOutputSize,
                                  caps.MaxOutputSize}) {
            EXPECT_EQ(entry.width, fixed.cx);
            EXPECT_EQ(entry.height, fixed.cy);
        }
        EXPECT_EQ(0, caps.CropGranularityX + caps.CropAlignY + caps.OutputGranularityX + caps.ShrinkTapsY);
        // The camera's two rates; its sizes in RGB are beyond the signed 32-bit fields at either (2.2 x 10^9 bits per
        // second for 3032 x 2016 at 15): saturated, not wrapped.
        EXPECT_EQ(333333, caps.MinFrameInterval);
        EXPECT_EQ(666666, caps.MaxFrameInterval);
        EXPECT_EQ(entry.minBitsPerSecond, caps.MinBitsPerSecond);
        EXPECT_EQ(entry.maxBitsPerSecond, caps.MaxBitsPerSecond);
    }
    for (int outside : {35, -1}) {
        AM_MEDIA_TYPE* type = nullptr;
        BYTE caps[128] = {};
        EXPECT_EQ(S_FALSE, config->GetStreamCaps(outside, &type, caps));
        EXPECT_EQ(nullptr, type);
    }
}

TEST_F(PinInterfaces, GetFormatHandsOutACopyAndSetFormatOnlyWhileStopped)
{
    ComPtr<IAMStreamConfig> config = Query<IAMStreamConfig>(under.capture);
    MediaTypeRecord entry = ListedType(config.Get(), 0);
    ASSERT_EQ(S_OK, config->SetFormat(&entry)); // unconnected: nothing to reconnect
    ASSERT_EQ(S_OK, config->SetFormat(nullptr)); // changes nothing
    AM_MEDIA_TYPE* first = nullptr;
    AM_MEDIA_TYPE* second = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&first));
    ASSERT_EQ(S_OK, config->GetFormat(&second));
    EXPECT_TRUE(entry.SameType(*first));
    EXPECT_NE(first->pbFormat, second->pbFormat); // each caller owns its copy
    EXPECT_NE(first->pbFormat, entry.pbFormat);
    DeleteType(first);
    DeleteType(second);
    EXPECT_EQ(E_POINTER, config->GetFormat(nullptr));

    long average = 0;
    ASSERT_EQ(S_OK, Query<IAMDroppedFrames>(under.capture)->GetAverageFrameSize(&average));
    EXPECT_EQ(18337536, average);

    ASSERT_EQ(S_OK, under.filter->Pause()); // no pin connected: no camera
    MediaTypeRecord full = ListedType(config.Get(), 3);
    EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(&full));
    ASSERT_EQ(S_OK, under.filter->Stop());
    EXPECT_TRUE(CurrentFormat(config.Get()).SameType(entry));
}

TEST_F(PinInterfaces, PropertySetReportsEachPinsCategoryReadOnly)
{
    const struct {
        CameraOutputPin* pin;
        GUID category;
    } pins[] = {{under.capture, PIN_CATEGORY_CAPTURE}, {under.preview, PIN_CATEGORY_PREVIEW}};
    for (const auto& entry : pins) {
        ComPtr<IKsPropertySet> properties = Query<IKsPropertySet>(entry.pin);
        GUID category = GUID_NULL;
        DWORD returned = 0;
        ASSERT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                        sizeof(category), &returned));
        EXPECT_TRUE(IsEqualGUID(entry.category, category));
        EXPECT_EQ(16u, returned);
    }

    ComPtr<IKsPropertySet> properties = Query<IKsPropertySet>(under.capture);
    BYTE small[16] = {};
    DWORD returned = 0;
    EXPECT_EQ(E_UNEXPECTED, properties->Get(AMPROPSETID_Pin, 0, nullptr, 0, small, 15, &returned));
    returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, 0, nullptr, 0, nullptr, 0, &returned));
    EXPECT_EQ(16u, returned);
    EXPECT_EQ(E_POINTER, properties->Get(AMPROPSETID_Pin, 0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, properties->Get(AMPROPSETID_Pin, 1, nullptr, 0, small, 16, &returned));
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, properties->Get(PIN_CATEGORY_CAPTURE, 0, nullptr, 0, small, 16, &returned));
    EXPECT_EQ(E_NOTIMPL, properties->Set(AMPROPSETID_Pin, 0, nullptr, 0, small, 16));

    DWORD support = 99;
    EXPECT_EQ(S_OK, properties->QuerySupported(AMPROPSETID_Pin, 0, &support));
    EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), support);
    support = 99;
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, properties->QuerySupported(AMPROPSETID_Pin, 1, &support));
    EXPECT_EQ(0u, support);
    support = 99;
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, properties->QuerySupported(GUID_NULL, 0, &support));
    EXPECT_EQ(0u, support);
}

TEST_F(PinInterfaces, DroppedFramesComeFromTheControllerCounters)
{
    CCamera* camera = under.object->Camera();
    camera->m_FramesReceived = 7;
    camera->m_FramesFetched = 9; // the capture pin does not wait for frames
    for (CameraOutputPin* pin : {under.capture, under.preview}) {
        ComPtr<IAMDroppedFrames> dropped = Query<IAMDroppedFrames>(pin);
        long value = 0;
        ASSERT_EQ(S_OK, dropped->GetNumDropped(&value));
        EXPECT_EQ(-2, value);
        ASSERT_EQ(S_OK, dropped->GetNumNotDropped(&value));
        EXPECT_EQ(9, value);
        long frames[2] = {5, 5};
        long copied = 5;
        ASSERT_EQ(S_OK, dropped->GetDroppedInfo(2, frames, &copied));
        EXPECT_EQ(0, copied);
        EXPECT_EQ(5, frames[0]);
        ASSERT_EQ(S_OK, dropped->GetAverageFrameSize(&value));
        EXPECT_EQ(18337536, value);
        EXPECT_EQ(E_POINTER, dropped->GetNumDropped(nullptr));
    }
}

TEST_F(PinInterfaces, OnlyTheCapturePinNamesTheFormatPage)
{
    CAUUID pages = {};
    ASSERT_EQ(S_OK, Query<ISpecifyPropertyPages>(under.capture)->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(CLSID_FormatPage, pages.pElems[0]));
    CoTaskMemFree(pages.pElems);

    pages = {5, nullptr};
    ASSERT_EQ(S_OK, Query<ISpecifyPropertyPages>(under.preview)->GetPages(&pages));
    EXPECT_EQ(0u, pages.cElems);
    EXPECT_EQ(nullptr, pages.pElems);
}

} // namespace
