#include "tests/support/TestWatchdog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "diagnostics/Watchdog.h"

namespace testenv {
namespace {

// Arms at a test's start, disarms at its end; the tests run one at a time on
// the main thread, so the one watchdog needs no lock.
class WatchdogListener : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override
    {
        m_name = std::string(test.test_suite_name()) + "." + test.name();
        Arm(kTestTimeoutMs);
    }
    void OnTestEnd(const testing::TestInfo&) override { m_watchdog.reset(); }

    void Arm(unsigned timeoutMs)
    {
        m_watchdog.reset(); // the watchdog keeps a pointer to m_name
        m_watchdog = std::make_unique<win::Watchdog>(timeoutMs, m_name.c_str());
    }

private:
    std::string m_name;
    std::unique_ptr<win::Watchdog> m_watchdog;
};

WatchdogListener* listener = nullptr; // owned by GoogleTest's listener list

} // namespace

void AllowTestToRun(unsigned timeoutMs)
{
    if (listener) {
        listener->Arm(timeoutMs);
    }
}

void WatchEveryTest()
{
    listener = new WatchdogListener;
    testing::UnitTest::GetInstance()->listeners().Append(listener);
}

} // namespace testenv
