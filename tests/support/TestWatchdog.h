// Every test runs under a watchdog (armed by the shared main()) that ends the program, naming the test, when it runs
// longer than allowed: a deadlock fails the run instead of hanging it until CTest's timeout.
#pragma once

namespace testenv {

// What a test is allowed unless it asks for more.
constexpr unsigned kTestTimeoutMs = 120000;

// Re-arms the running test's watchdog with timeoutMs from now, for a test that takes longer by design.
void AllowTestToRun(unsigned timeoutMs);

// Installs the listener that arms a watchdog around each test.
void WatchEveryTest();

} // namespace testenv
