// The process's handle and thread counts for the tests' leak checks (see diagnostics/ProcessCounts.h).
#pragma once

#include <gtest/gtest.h>

#include <thread>

#include "diagnostics/ProcessCounts.h"

namespace testenv {

using win::HandleCount;
using win::kRuntimeHandleSlack;
using win::ThreadCount;
using win::WaitForCounts;

// The counts as they stand when made, for a check that a scenario gave back every handle and thread it took.
class CountsBaseline {
public:
    // The threading runtime keeps a handle from its first thread on: one runs before the count.
    CountsBaseline() : handles((std::thread([] {}).join(), HandleCount())), threads(ThreadCount()) {}

    // Success when the counts fell back within timeoutMs; a failure names both counts before and after.
    testing::AssertionResult Restored(unsigned timeoutMs = 2000) const
    {
        if (WaitForCounts(handles, threads, timeoutMs)) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "handles " << handles << " -> " << HandleCount() << ", threads "
                                           << threads << " -> " << ThreadCount();
    }

    const int handles, threads;
};

} // namespace testenv
