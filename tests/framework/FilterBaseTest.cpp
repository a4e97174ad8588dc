// Graph membership, names, events, the clock, registration and the reference rules of the filter and its pins.
#include <gtest/gtest.h>

#include <string>

#include "framework/FilterRegistration.h"
#include "tests/framework/AllocationFailer.h"
#include "tests/framework/FakeGraph.h"
#include "tests/framework/RecordingMapper.h"
#include "tests/framework/ScriptedFilter.h"

using Microsoft::WRL::ComPtr;

namespace {

class FilterBasics : public ScriptedFilterTest {
protected:
    void SetUp() override { Make(1); }

    std::wstring Name()
    {
        FILTER_INFO info;
        EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
        if (info.pGraph) {
            info.pGraph->Release();
        }
        return info.achName;
    }
};

} // namespace

TEST_F(FilterBasics, JoinFilterGraphKeepsWeakReferencesAndACopyOfTheName)
{
    EXPECT_EQ(Name(), L"");
    const ComPtr<FakeGraph> graph = win::MakeComObject<FakeGraph>();
    std::wstring name = L"Source";
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), name.c_str()), S_OK);
    name[0] = L'X';
    EXPECT_EQ(graph->References(), 1u) << "neither the graph nor its event sink is held";

    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Source");
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph.Get()));
    EXPECT_EQ(graph->References(), 2u);
    info.pGraph->Release();

    const std::wstring longName(200, L'n');
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), longName.c_str()), S_OK);
    EXPECT_EQ(Name(), longName.substr(0, 127));

    // Leaving the graph without a name clears both.
    ASSERT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
    EXPECT_EQ(Name(), L"");
    EXPECT_EQ(filter->PostGraphEvent(EC_COMPLETE, 0, 0), E_NOTIMPL);
}

TEST_F(FilterBasics, NameThatCannotBeCopiedLeavesNoName)
{
    ASSERT_EQ(filter->JoinFilterGraph(nullptr, L"Old name"), S_OK);
    const std::wstring name(173, L'q'); // an allocation size no one else asks for
    {
        AllocationFailer failer((name.size() + 1) * sizeof(wchar_t));
        ASSERT_TRUE(failer.Registered());
        EXPECT_EQ(filter->JoinFilterGraph(nullptr, name.c_str()), S_OK);
        EXPECT_EQ(failer.FailedCount(), 1);
    }
    EXPECT_EQ(Name(), L"");
}

TEST_F(FilterBasics, PostGraphEventReachesTheSinkAndNamesTheFilterOnComplete)
{
    const ComPtr<FakeGraph> graph = win::MakeComObject<FakeGraph>();
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), L"f"), S_OK);
    EXPECT_EQ(filter->PostGraphEvent(EC_ERRORABORT, E_OUTOFMEMORY, 5), S_OK);
    EXPECT_EQ(filter->PostGraphEvent(EC_COMPLETE, S_OK, 5), S_OK);
    const auto events = graph->Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, EC_ERRORABORT);
    EXPECT_EQ(events[0].param1, E_OUTOFMEMORY);
    EXPECT_EQ(events[0].param2, 5);
    EXPECT_EQ(events[1].code, EC_COMPLETE);
    EXPECT_EQ(events[1].param2, reinterpret_cast<LONG_PTR>(filter->Interface()));
    EXPECT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
}

TEST_F(FilterBasics, ClockIsHeldAndStreamTimeCountsFromTheRunStart)
{
    REFERENCE_TIME streamTime = 0;
    EXPECT_EQ(filter->CurrentStreamTime(&streamTime), VFW_E_NO_CLOCK);

    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                               reinterpret_cast<void**>(clock.GetAddressOf())),
              S_OK);
    ASSERT_EQ(filter->SetSyncSource(clock.Get()), S_OK);
    IReferenceClock* held = nullptr;
    ASSERT_EQ(filter->GetSyncSource(&held), S_OK);
    EXPECT_EQ(held, clock.Get());
    held->Release();

    REFERENCE_TIME before = 0, after = 0;
    clock->GetTime(&before);
    ASSERT_EQ(filter->Run(before - 5000000), S_OK);
    ASSERT_EQ(filter->CurrentStreamTime(&streamTime), S_OK);
    clock->GetTime(&after);
    EXPECT_GE(streamTime, 5000000);
    EXPECT_LE(streamTime, after - before + 5000000);
    EXPECT_EQ(filter->Stop(), S_OK);

    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    ASSERT_EQ(filter->GetSyncSource(&held), S_OK);
    EXPECT_EQ(held, nullptr);
}

TEST_F(FilterBasics, InterfacesOfFilterAndPinShareTheFiltersIdentityAndCount)
{
    IBaseFilter* base = filter->Interface();
    void* out = nullptr;
    for (const IID* iid : {&IID_IMediaFilter, &IID_IPersist, &IID_IAMovieSetup}) {
        ASSERT_EQ(base->QueryInterface(*iid, &out), S_OK);
        static_cast<IUnknown*>(out)->Release();
    }
    CLSID classId;
    EXPECT_EQ(base->GetClassID(&classId), S_OK);
    EXPECT_EQ(base->GetClassID(nullptr), E_POINTER);

    // A reference on the pin is a reference on the filter.
    IPin* pin = filter->Pin(0)->Pin();
    EXPECT_EQ(pin->AddRef(), 2u);
    EXPECT_EQ(base->AddRef(), 3u);
    base->Release();
    IQualityControl* quality = nullptr;
    ASSERT_EQ(pin->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&quality)), S_OK);
    IPin* back = nullptr;
    ASSERT_EQ(quality->QueryInterface(IID_IPin, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, pin);
    back->Release();
    quality->Release();
    EXPECT_EQ(pin->Release(), 1u);

    PIN_INFO info;
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, base);
    EXPECT_STREQ(info.achName, L"Scripted");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    info.pFilter->Release();
}

TEST_F(FilterBasics, RegistrationCallsTheMapperInOrderAndStopsAtAFailure)
{
    EXPECT_EQ(filter->Register(), S_FALSE) << "no setup record: nothing to register";
    EXPECT_EQ(filter->Unregister(), S_FALSE);

    const REGPINTYPES types[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}, {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
    const REGFILTERPINS pins[] = {
        {const_cast<LPWSTR>(L"In"), TRUE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, types},
        {const_cast<LPWSTR>(L"Out"), FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 2, types},
    };
    const CLSID classId = {0x1b2f4e55, 0x3c7a, 0x4d0b, {0x9a, 0x61, 0x7e, 0x2d, 0x05, 0x38, 0xc1, 0x90}};
    const FilterSetup setup = {&classId, L"Framework test filter", MERIT_DO_NOT_USE, 2, pins};

    const ComPtr<RecordingMapper> mapper = win::MakeComObject<RecordingMapper>();
    EXPECT_EQ(RegisterFilterWithMapper(&setup, mapper.Get(), true), S_OK);
    EXPECT_EQ(mapper->calls, (std::vector<std::string>{"unregister", "filter Framework test filter 2097152",
                                                       "pin In rendered", "type In video", "pin Out output",
                                                       "type Out video", "type Out other"}));

    const ComPtr<RecordingMapper> failing = win::MakeComObject<RecordingMapper>();
    failing->failingCall = 3; // the first RegisterPinType
    failing->failure = E_ACCESSDENIED;
    EXPECT_EQ(RegisterFilterWithMapper(&setup, failing.Get(), true), E_ACCESSDENIED);
    EXPECT_EQ(failing->calls.size(), 4u);

    const ComPtr<RecordingMapper> unregistering = win::MakeComObject<RecordingMapper>();
    EXPECT_EQ(RegisterFilterWithMapper(&setup, unregistering.Get(), false), S_OK) << "file not found becomes S_OK";
    EXPECT_EQ(unregistering->calls, std::vector<std::string>{"unregister"});
    EXPECT_EQ(RegisterFilterWithMapper(nullptr, unregistering.Get(), true), S_FALSE);

    // The platform's own filter mapper takes the same record.
    filter->setup = &setup;
    EXPECT_EQ(filter->Register(), S_OK);
    EXPECT_EQ(filter->Unregister(), S_OK);
    EXPECT_EQ(filter->Unregister(), S_OK) << "unregistering twice is not an error";
}
