// Owner of a window, destroyed on the thread that created it.
//
// DestroyWindow works only on the window's own thread. The owner destroys the
// window at once when it goes on that thread; from any other thread it posts
// the window DestroyRequestMessage(), which the window procedures of this
// project answer with HandleDestroyRequest (the destruction then runs on the
// window's thread, and the caller never waits for it). A window whose
// procedure does not answer goes when its thread ends, as every window does.
#pragma once

#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

// The registered message that asks a window to destroy itself.
UINT DestroyRequestMessage();

// Called first by a window procedure: when message is the destroy request,
// destroys window (the procedure runs on its thread) and returns true.
bool HandleDestroyRequest(HWND window, UINT message);

// Destroys window now on its own thread, or asks its thread to (see above).
// A window that no longer exists is left alone.
void DestroyOnItsThread(HWND window);

using UniqueWindow = UniqueResource<FreedBy<HWND, &DestroyOnItsThread>>;

} // namespace win
