// Streams under faults: an allocator that refuses to decommit, a Pause that fails after it has committed, and the
// stream time read by a worker while the graph swaps clocks and restarts the run.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "tests/framework/FakeInputPin.h"
#include "tests/framework/TestSourceFilter.h"
#include "tests/support/FakeAllocator.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/UnadvisingClock.h"
#include "tests/support/WaitFor.h"

using Microsoft::WRL::ComPtr;
using testenv::WaitFor;

namespace {

// Two streams, each connected to its own fake peer whose FakeAllocator (no buffers: the workers idle between
// commands) the stream takes.
class StreamFaults : public testing::Test {
protected:
    void SetUp() override
    {
        liveBefore = liveObjectCount;
        filterInterface = TestSourceFilter::Create(2, &filter);
        for (int i = 0; i < 2; ++i) {
            peers[i]->offeredAllocator = allocators[i];
            MediaTypeRecord type;
            filter->Stream(i)->GetSingleMediaType(&type);
            ASSERT_EQ(filter->Stream(i)->Connect(peers[i].Get(), &type), S_OK);
            ASSERT_EQ(filter->Stream(i)->Allocator(), allocators[i].Get());
        }
        {
            // The first trace on a thread starts GoogleTest's watcher thread for it, which stays: before the counts.
            SCOPED_TRACE("warm-up");
        }
        baseline.emplace();
    }
    void TearDown() override
    {
        if (!filter) {
            return;
        }
        for (int i = 0; i < 2; ++i) {
            allocators[i]->decommitResult = S_OK;
        }
        filter->Stop();
        for (int i = 0; i < 2; ++i) {
            filter->Stream(i)->Disconnect();
            peers[i]->connectedTo.Reset();
            peers[i]->notifiedAllocator.Reset();
        }
    }
    FILTER_STATE State()
    {
        FILTER_STATE state = State_Running;
        EXPECT_EQ(filterInterface->GetState(0, &state), S_OK);
        return state;
    }
    // Neither stream has a worker, and the process is back to its counts.
    void ExpectNoWorkerLeft()
    {
        for (int i = 0; i < 2; ++i) {
            EXPECT_FALSE(filter->Stream(i)->HasThread()) << "stream " << i;
        }
        EXPECT_TRUE(baseline->Restored());
    }
    const ComPtr<FakeInputPin> peers[2] = {win::MakeComObject<FakeInputPin>(), win::MakeComObject<FakeInputPin>()};
    const ComPtr<FakeAllocator> allocators[2] = {win::MakeComObject<FakeAllocator>(),
                                                 win::MakeComObject<FakeAllocator>()};
    ComPtr<IBaseFilter> filterInterface;
    TestSourceFilter* filter = nullptr;
    LONG liveBefore = 0;
    std::optional<testenv::CountsBaseline> baseline;
};

TEST_F(StreamFaults, StopEndsEveryWorkerEvenWhenAnAllocatorRefusesToDecommit)
{
    // Either stream's allocator refusing; the other stream stops as well.
    for (int refusing = 0; refusing < 2; ++refusing) {
        SCOPED_TRACE(refusing);
        ASSERT_EQ(filterInterface->Run(0), S_OK);
        allocators[refusing]->decommitResult = VFW_E_BUFFERS_OUTSTANDING;
        EXPECT_EQ(filterInterface->Stop(), VFW_E_BUFFERS_OUTSTANDING) << "the refusal is reported";
        EXPECT_EQ(State(), State_Stopped);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(filter->Stream(i)->workerEnds, filter->Stream(i)->workerStarts) << "stream " << i << " ended";
        }
        EXPECT_FALSE(allocators[1 - refusing]->committed);
        ExpectNoWorkerLeft();

        // A Pause after it starts afresh, with the fault still there or gone.
        ASSERT_EQ(filterInterface->Pause(), S_OK);
        EXPECT_TRUE(filter->Stream(0)->HasThread() && filter->Stream(1)->HasThread());
        EXPECT_EQ(filterInterface->Stop(), VFW_E_BUFFERS_OUTSTANDING);
        allocators[refusing]->decommitResult = S_OK;
        ASSERT_EQ(filterInterface->Pause(), S_OK);
        EXPECT_EQ(filterInterface->Stop(), S_OK);
        EXPECT_FALSE(allocators[refusing]->committed);
        ExpectNoWorkerLeft();
    }
}

TEST_F(StreamFaults, ReleasingAStreamingFilterWhoseAllocatorRefusesToDecommitDoesNotHang)
{
    ASSERT_EQ(filterInterface->Run(0), S_OK);
    allocators[0]->decommitResult = E_FAIL;
    allocators[1]->decommitResult = E_FAIL;
    // The peers went away without disconnecting; the last reference goes while the filter streams.
    for (int i = 0; i < 2; ++i) {
        peers[i]->connectedTo.Reset();
    }
    filterInterface.Reset();
    filter = nullptr;
    EXPECT_EQ(liveObjectCount, liveBefore);
    EXPECT_TRUE(baseline->Restored());
}

TEST_F(StreamFaults, APauseThatFailsGivesBackEveryAllocatorItCommitted)
{
    // The failing stream's own allocator, and those of the streams it activated before failing.
    for (int failing = 0; failing < 2; ++failing) {
        SCOPED_TRACE(failing);
        filter->Stream(failing)->workerStartResult = E_ACCESSDENIED;
        EXPECT_EQ(filterInterface->Pause(), E_ACCESSDENIED);
        EXPECT_EQ(State(), State_Stopped);
        for (int i = 0; i < 2; ++i) {
            EXPECT_FALSE(allocators[i]->committed) << "allocator " << i;
            EXPECT_EQ(allocators[i]->commits, allocators[i]->decommits) << "allocator " << i;
        }
        ExpectNoWorkerLeft();
        EXPECT_EQ(filterInterface->Stop(), S_OK);

        filter->Stream(failing)->workerStartResult = S_OK;
        ASSERT_EQ(filterInterface->Pause(), S_OK);
        EXPECT_TRUE(allocators[0]->committed && allocators[1]->committed);
        EXPECT_EQ(filterInterface->Stop(), S_OK);
        ExpectNoWorkerLeft();
    }
}

// A reference clock that stands still at kClockTime and tells when it is asked the time after its last reference has
// gone. It is not deleted then (the test owns the memory), so such a call is counted, not a crash.
class WatchedClock final : public testenv::UnadvisingClock<IReferenceClock> {
public:
    static constexpr REFERENCE_TIME kClockTime = 0x123456789ALL;
    static std::atomic<int> callsAfterRelease;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IReferenceClock)) {
            *out = static_cast<IReferenceClock*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override
    {
        // Read in two steps with a yield between, so that a release racing with the call lands inside it.
        const bool goneBefore = references == 0;
        SwitchToThread();
        if (goneBefore || references == 0) {
            ++callsAfterRelease;
        }
        *time = kClockTime;
        return S_OK;
    }

private:
    std::atomic<ULONG> references{1};
};

std::atomic<int> WatchedClock::callsAfterRelease{0};

TEST(StreamTime, AWorkerReadsAWholeStartTimeAndAClockItHoldsWhileTheGraphSwapsThem)
{
    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    TestSourceFilter* filter = nullptr;
    ComPtr<IBaseFilter> base = TestSourceFilter::Create(1, &filter);
    TestStream* stream = filter->Stream(0);
    ASSERT_EQ(ConnectToAllocatingPeer(stream, peer.Get()), S_OK);

    // Start times whose 32-bit halves both differ: a torn read gives neither stream time.
    const REFERENCE_TIME starts[2] = {0x00000000FFFFFFFFLL, 0x0000000100000000LL};
    std::atomic<int> reads{0};
    std::atomic<int> wrongTimes{0};
    stream->onStreamTime = [&](HRESULT read, REFERENCE_TIME streamTime) {
        ++reads;
        if (read != S_OK || (streamTime != WatchedClock::kClockTime - starts[0] &&
                             streamTime != WatchedClock::kClockTime - starts[1])) {
            ++wrongTimes;
        }
    };

    WatchedClock::callsAfterRelease = 0;
    std::vector<std::unique_ptr<WatchedClock>> clocks;
    const auto swapClock = [&] {
        clocks.emplace_back(new WatchedClock);
        ASSERT_EQ(base->SetSyncSource(clocks.back().get()), S_OK);
        clocks.back()->Release(); // the filter holds the only reference now
    };
    swapClock();
    ASSERT_EQ(base->Run(starts[0]), S_OK);
    // Until the worker has read the stream time 2000 times, racing swaps and restarts (starved: for a minute).
    const int readsBefore = reads;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    for (int i = 0; reads < readsBefore + 2000 && GetTickCount64() < deadline; ++i) {
        swapClock();
        ASSERT_EQ(base->Run(starts[i % 2]), S_OK) << "Run while running stores the start time only";
        SwitchToThread();
    }
    EXPECT_EQ(base->Stop(), S_OK);
    std::printf("%zu clocks swapped, %d stream times read\n", clocks.size(), reads.load());
    EXPECT_GE(reads, readsBefore + 2000);
    EXPECT_EQ(wrongTimes, 0);
    EXPECT_EQ(WatchedClock::callsAfterRelease, 0);

    ASSERT_EQ(base->SetSyncSource(nullptr), S_OK);
    stream->Disconnect();
    peer->connectedTo.Reset();
    peer->notifiedAllocator.Reset();
}

} // namespace
