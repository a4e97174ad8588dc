// The streaming worker's command protocol, and how a stream starts and stops with its filter.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <thread>

#include "tests/framework/FakeGraph.h"
#include "tests/framework/FakeInputPin.h"
#include "tests/framework/TestSourceFilter.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/WaitFor.h"

using Microsoft::WRL::ComPtr;
using testenv::WaitFor;

namespace {

const DWORD kUnknownCommand = 9;

// One stream connected to a fake downstream pin taking samples from a real memory allocator.
class WorkerProtocol : public testing::Test {
protected:
    void SetUp() override
    {
        filterInterface = TestSourceFilter::Create(1, &filter);
        stream = filter->Stream(0);
        ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), L"worker test"), S_OK);
        ASSERT_EQ(ConnectToAllocatingPeer(stream, peer.Get()), S_OK);
    }
    void TearDown() override
    {
        if (!filter) {
            return;
        }
        filter->Stop();
        stream->Disconnect();
        peer->connectedTo.Reset();
        peer->notifiedAllocator.Reset();
        filterInterface.Reset();
    }
    LONG Samples() const { return peer->samplesReceived; }
    bool SamplesGrowBy(LONG count)
    {
        const LONG start = Samples();
        return WaitFor([&] { return Samples() >= start + count; });
    }
    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    const ComPtr<FakeGraph> graph = win::MakeComObject<FakeGraph>();
    ComPtr<IBaseFilter> filterInterface;
    TestSourceFilter* filter = nullptr;
    TestStream* stream = nullptr;
};

} // namespace

TEST_F(WorkerProtocol, CommandsAreAnsweredOnceInEveryPhase)
{
    ASSERT_TRUE(stream->StartThread());
    EXPECT_FALSE(stream->StartThread()) << "one thread at a time";

    // Before CommandInit every command is unexpected and the worker keeps waiting.
    EXPECT_EQ(stream->SendCommand(CommandPause), E_UNEXPECTED);
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_UNEXPECTED);
    EXPECT_EQ(stream->workerStarts, 0);
    ASSERT_EQ(stream->SendCommand(CommandInit), S_OK);
    EXPECT_EQ(stream->workerStarts, 1);

    // Idle.
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_NOTIMPL);
    EXPECT_EQ(stream->SendCommand(CommandInit), E_NOTIMPL);
    EXPECT_EQ(stream->SendCommand(CommandStop), S_OK);

    // Streaming: unknown commands and Pause do not interrupt it.
    ASSERT_EQ(stream->Allocator()->Commit(), S_OK);
    ASSERT_EQ(stream->SendCommand(CommandPause), S_OK);
    ASSERT_TRUE(SamplesGrowBy(3));
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_UNEXPECTED);
    EXPECT_TRUE(SamplesGrowBy(3));
    EXPECT_EQ(stream->SendCommand(CommandRun), S_OK);
    EXPECT_TRUE(SamplesGrowBy(3));
    EXPECT_EQ(stream->streamingStarts, 1) << "streaming went on without a restart";

    // Stop is answered exactly once: the next command gets its own answer.
    EXPECT_EQ(stream->SendCommand(CommandStop), S_OK);
    const LONG stopped = Samples();
    Sleep(50);
    EXPECT_EQ(Samples(), stopped);
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_NOTIMPL);

    EXPECT_EQ(stream->SendCommand(CommandExit), S_OK);
    stream->JoinThread();
    EXPECT_FALSE(stream->HasThread());
    EXPECT_EQ(stream->workerEnds, 1);
    EXPECT_EQ(stream->SendCommand(CommandPause), E_FAIL) << "no thread, no command";

    // Told to exit before CommandInit, a worker ends without starting or ending anything.
    ASSERT_TRUE(stream->StartThread());
    EXPECT_EQ(stream->SendCommand(CommandStop), E_UNEXPECTED);
    EXPECT_EQ(stream->SendCommand(CommandExit), S_OK);
    stream->JoinThread();
    EXPECT_FALSE(stream->HasThread());
    EXPECT_EQ(stream->workerStarts, 1);
    EXPECT_EQ(stream->workerEnds, 1);
    EXPECT_EQ(stream->Allocator()->Decommit(), S_OK);
}

TEST_F(WorkerProtocol, FillsThatEndTheStreamSendOneEndOfStreamAndReportFailures)
{
    ASSERT_TRUE(stream->StartThread());
    ASSERT_EQ(stream->SendCommand(CommandInit), S_OK);
    ASSERT_EQ(stream->Allocator()->Commit(), S_OK);

    stream->fillResult = S_FALSE;
    ASSERT_EQ(stream->SendCommand(CommandPause), S_OK);
    ASSERT_TRUE(WaitFor([&] { return peer->endOfStreams == 1; }));
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_NOTIMPL) << "the worker is idle again";
    EXPECT_EQ(peer->endOfStreams, 1);
    EXPECT_EQ(Samples(), 0);
    EXPECT_TRUE(graph->Events().empty());

    stream->fillResult = E_OUTOFMEMORY;
    ASSERT_EQ(stream->SendCommand(CommandPause), S_OK);
    ASSERT_TRUE(WaitFor([&] { return peer->endOfStreams == 2; }));
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_NOTIMPL);
    const auto events = graph->Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, EC_ERRORABORT);
    EXPECT_EQ(events[0].param1, E_OUTOFMEMORY);
    EXPECT_EQ(events[0].param2, 0);

    // A refused delivery ends streaming quietly.
    stream->fillResult = S_OK;
    peer->receiveResult = S_FALSE;
    ASSERT_EQ(stream->SendCommand(CommandPause), S_OK);
    ASSERT_TRUE(WaitFor([&] { return Samples() == 1; }));
    EXPECT_EQ(stream->SendCommand(kUnknownCommand), E_NOTIMPL);
    EXPECT_EQ(Samples(), 1);
    EXPECT_EQ(peer->endOfStreams, 2);

    EXPECT_EQ(stream->SendCommand(CommandExit), S_OK);
    stream->JoinThread();
    EXPECT_EQ(stream->Allocator()->Decommit(), S_OK);
}

TEST_F(WorkerProtocol, FailedWorkerStartIsJoinedSoALaterPauseSucceeds)
{
    const testenv::CountsBaseline baseline;

    stream->workerStartResult = E_ACCESSDENIED;
    EXPECT_EQ(filter->Pause(), E_ACCESSDENIED);
    FILTER_STATE state;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_FALSE(stream->HasThread());
    EXPECT_EQ(stream->workerEnds, 1);
    EXPECT_TRUE(baseline.Restored()) << "the failed worker left nothing behind";

    stream->workerStartResult = S_OK;
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_TRUE(SamplesGrowBy(3));
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_TRUE(SamplesGrowBy(3));
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(stream->HasThread());
    EXPECT_EQ(stream->workerStarts, 2);
    EXPECT_EQ(stream->workerEnds, 2);
    EXPECT_TRUE(baseline.Restored());
}

TEST_F(WorkerProtocol, UnconnectedStreamStartsNoThread)
{
    filter->Stop();
    stream->Disconnect();
    peer->connectedTo.Reset();
    EXPECT_EQ(stream->GoActive(), S_OK);
    EXPECT_FALSE(stream->HasThread());
    EXPECT_EQ(stream->GoInactive(), S_OK);
    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(stream->workerStarts, 0);
}
