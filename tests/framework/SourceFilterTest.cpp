// The source filter's stream array: pin ids, lookup, removal, destruction, releasing a filter that is still streaming,
// and a Pause that fails on a later stream.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <string>
#include <thread>

#include "tests/framework/FakeInputPin.h"
#include "tests/framework/TestSourceFilter.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/WaitFor.h"

using Microsoft::WRL::ComPtr;
using testenv::WaitFor;

namespace {

std::wstring IdOf(TestStream* stream)
{
    LPWSTR id = nullptr;
    if (stream->QueryId(&id) != S_OK) {
        return L"<none>";
    }
    std::wstring text = id;
    CoTaskMemFree(id);
    return text;
}

} // namespace

TEST(SourceFilter, FindPinIsTheInverseOfQueryId)
{
    TestSourceFilter* filter = nullptr;
    ComPtr<IBaseFilter> base = TestSourceFilter::Create(3, &filter);
    for (int i = 0; i < 3; ++i) {
        const std::wstring id = IdOf(filter->Stream(i));
        EXPECT_EQ(id, std::to_wstring(i + 1));
        ComPtr<IPin> found;
        ASSERT_EQ(base->FindPin(id.c_str(), found.GetAddressOf()), S_OK);
        EXPECT_EQ(found.Get(), filter->Stream(i)->Pin());
    }
    for (const wchar_t* id : {L"0", L"", L"abc", L"4", L"-1"}) {
        IPin* pin = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(base->FindPin(id, &pin), VFW_E_NOT_FOUND);
        EXPECT_EQ(pin, nullptr);
    }
    EXPECT_EQ(base->FindPin(L"1", nullptr), E_POINTER);
    EXPECT_EQ(filter->Stream(0)->QueryId(nullptr), E_POINTER);

    // Removing a stream renumbers the ones after it.
    TestStream* last = filter->Stream(2);
    filter->DestroyStream(1);
    EXPECT_EQ(filter->PinCount(), 2);
    EXPECT_EQ(IdOf(last), L"2");
    ComPtr<IPin> found;
    ASSERT_EQ(base->FindPin(L"2", found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), last->Pin());
    EXPECT_EQ(filter->RemoveStream(nullptr), S_FALSE);
}

TEST(SourceFilter, DestructionDestroysStreamsLastToFirst)
{
    const LONG liveBefore = liveObjectCount;
    std::vector<int> order;
    TestSourceFilter::destructionLog = &order;
    {
        ComPtr<IBaseFilter> base = TestSourceFilter::Create(3);
        EXPECT_EQ(liveObjectCount, liveBefore + 4);
    }
    TestSourceFilter::destructionLog = nullptr;
    EXPECT_EQ(order, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(liveObjectCount, liveBefore);
}

TEST(SourceFilter, ReleasingAStreamingFilterStopsItsWorkersFirst)
{
    std::thread([] {}).join();
    const int threads = testenv::ThreadCount();
    const LONG liveBefore = liveObjectCount;

    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    {
        TestSourceFilter* filter = nullptr;
        ComPtr<IBaseFilter> base = TestSourceFilter::Create(1, &filter);
        ASSERT_EQ(ConnectToAllocatingPeer(filter->Stream(0), peer.Get()), S_OK);
        peer->connectedTo.Reset(); // the peer went away without disconnecting
        ASSERT_EQ(base->Run(0), S_OK);
        ASSERT_TRUE(WaitFor([&] { return peer->samplesReceived >= 3; }));
    }
    EXPECT_EQ(liveObjectCount, liveBefore);
    EXPECT_TRUE(testenv::WaitForCounts(testenv::HandleCount(), threads));
    peer->notifiedAllocator.Reset();
    EXPECT_EQ(peer->References(), 1u) << "the destroyed pin released its peer";
}

TEST(SourceFilter, APauseFailingOnTheSecondStreamEndsTheFirstWorkerAndALaterPauseStreams)
{
    const ComPtr<FakeInputPin> peers[2] = {win::MakeComObject<FakeInputPin>(), win::MakeComObject<FakeInputPin>()};
    TestSourceFilter* filter = nullptr;
    ComPtr<IBaseFilter> base = TestSourceFilter::Create(2, &filter);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(ConnectToAllocatingPeer(filter->Stream(i), peers[i].Get()), S_OK);
    }
    const testenv::CountsBaseline baseline;

    filter->Stream(1)->workerStartResult = E_ACCESSDENIED;
    EXPECT_EQ(base->Pause(), E_ACCESSDENIED);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(base->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_FALSE(filter->Stream(0)->HasThread()) << "the first stream's worker was ended";
    EXPECT_EQ(filter->Stream(0)->workerEnds, 1);
    EXPECT_TRUE(baseline.Restored());

    filter->Stream(1)->workerStartResult = S_OK;
    ASSERT_EQ(base->Pause(), S_OK);
    const LONG before = peers[0]->samplesReceived;
    EXPECT_TRUE(WaitFor([&] { return peers[0]->samplesReceived >= before + 3 && peers[1]->samplesReceived >= 3; }));
    ASSERT_EQ(base->Stop(), S_OK);
    EXPECT_TRUE(baseline.Restored());
    for (int i = 0; i < 2; ++i) {
        filter->Stream(i)->Disconnect();
        peers[i]->connectedTo.Reset();
        peers[i]->notifiedAllocator.Reset();
    }
}
