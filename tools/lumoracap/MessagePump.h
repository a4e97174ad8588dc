// Waiting on the application's thread while its windows stay responsive: the
// thread is a single-threaded apartment and may own windows (a property
// frame, a renderer's window), so every wait dispatches its messages.
#pragma once

#include <windows.h>

// Dispatches messages until handle is signalled (true) or timeoutMs passed
// (false). A null handle just dispatches messages for timeoutMs.
bool WaitDispatchingMessages(HANDLE handle, DWORD timeoutMs);
