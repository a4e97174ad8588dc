// The filter state machine: which pins are called, in which order, and the state the filter ends in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/FakeInputPin.h"
#include "tests/framework/ScriptedFilter.h"

namespace {

using Log = std::vector<std::string>;

// A filter of four pins, the first three connected.
class FilterState : public ScriptedFilterTest {
protected:
    void SetUp() override
    {
        Make(4);
        for (int i = 0; i < 3; ++i) {
            filter->Pin(i)->MarkConnected(peer.Get());
        }
    }

    const Microsoft::WRL::ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
};

} // namespace

TEST_F(FilterState, StopCallsEveryConnectedPinAndAlwaysEndsStopped)
{
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->log, Log{}) << "Stop on a stopped filter calls no pin";

    ASSERT_EQ(filter->Pause(), S_OK);
    filter->log.clear();
    filter->Pin(0)->deactivateResult = E_FAIL;
    filter->Pin(1)->deactivateResult = E_OUTOFMEMORY;
    EXPECT_EQ(filter->Stop(), E_FAIL) << "the first failure is returned";
    EXPECT_EQ(filter->log, (Log{"I0", "I1", "I2"}));
    EXPECT_EQ(filter->State(), State_Stopped);
}

TEST_F(FilterState, PauseStopsAtTheFirstFailingPinAndDeactivatesTheOnesBefore)
{
    filter->Pin(2)->activateResult = E_ACCESSDENIED;
    EXPECT_EQ(filter->Pause(), E_ACCESSDENIED);
    EXPECT_EQ(filter->log, (Log{"P", "A0", "A1", "A2", "I1", "I0"})) << "last first, the failing pin not";
    EXPECT_EQ(filter->State(), State_Stopped);

    filter->Pin(2)->activateResult = S_OK;
    filter->Pin(1)->activateResult = E_ACCESSDENIED;
    filter->log.clear();
    EXPECT_EQ(filter->Pause(), E_ACCESSDENIED);
    EXPECT_EQ(filter->log, (Log{"P", "A0", "A1", "I0"}));

    filter->Pin(1)->activateResult = S_OK;
    filter->log.clear();
    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->log, (Log{"P", "A0", "A1", "A2"})) << "the unconnected pin is not activated";
    EXPECT_EQ(filter->State(), State_Paused);
}

TEST_F(FilterState, RunFromStoppedPassesThroughPauseThenTellsThePinsToRun)
{
    EXPECT_EQ(filter->Run(1234), S_OK);
    EXPECT_EQ(filter->log, (Log{"P", "A0", "A1", "A2", "R0@1234", "R1@1234", "R2@1234"}));
    EXPECT_EQ(filter->State(), State_Running);

    filter->log.clear();
    EXPECT_EQ(filter->Run(99), S_OK);
    EXPECT_EQ(filter->log, Log{}) << "Run while running only stores the start time";

    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->log, Log{"P"}) << "Pause from running only changes the state";
    EXPECT_EQ(filter->State(), State_Paused);

    filter->log.clear();
    filter->Pin(0)->runResult = E_UNEXPECTED;
    EXPECT_EQ(filter->Run(7), E_UNEXPECTED);
    EXPECT_EQ(filter->log, Log{"R0@7"});
    EXPECT_EQ(filter->State(), State_Paused);
}

TEST_F(FilterState, ConnectionsChangeOnlyWhileStopped)
{
    ASSERT_EQ(filter->Pause(), S_OK);
    const Microsoft::WRL::ComPtr<FakeInputPin> other = win::MakeComObject<FakeInputPin>();
    EXPECT_EQ(filter->Pin(3)->Connect(other.Get(), nullptr), VFW_E_NOT_STOPPED);
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(filter->Pin(0)->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(filter->Pin(0)->IsConnected());
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->Pin(0)->Disconnect(), S_OK);
    EXPECT_EQ(filter->Pin(0)->Disconnect(), S_FALSE);
}
