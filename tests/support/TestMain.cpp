// main() of every test program: private temporary folder, then GoogleTest.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/TestEnvironment.h"
#include "tests/support/TestWatchdog.h"

int main(int argc, char** argv)
{
    // Unhandled faults must end the program with a report, not a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testenv::Initialise();
    testing::InitGoogleTest(&argc, argv);
    testenv::WatchEveryTest();
    return RUN_ALL_TESTS();
}
