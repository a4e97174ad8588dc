// The camera failure boxes ("Camera init failed!" and the like), shown so
// that they never hold up a graph.
//
// A box is shown on a thread of its own, without an owner window, and the
// caller returns at once: a Pause that failed reports its failure while the
// box waits for a person. The thread keeps the module holding this code
// loaded until the box is closed, so the filter, and even the module's last
// COM object, may go while it is up; nobody joins it (a Stop or a destructor
// must never wait for a person). Only processes whose window station is
// visible get a box: a service, a scheduled task or any other process
// without an interactive window station would never see it, and each box
// would keep its thread and the module for the rest of the process's life.
// While a box with a text is up, another failure with the same text shows
// no second box (a script retrying Pause does not pile them up).
//
// Threading: any thread may call ShowFailureBox; the record of open texts has
// a lock of its own, a leaf taken for a lookup only.
#pragma once

// Caption of every failure box.
extern const char kFailureBoxCaption[];

// Whether the process's window station is visible (interactive). False when
// the system cannot tell.
bool ProcessHasVisibleWindowStation();

// Shows text in a box captioned kFailureBoxCaption, with an OK button, on a
// thread of its own, and returns without waiting for it. False when no box
// was started: the window station is not visible, a box with the same text
// is up already, or the system refused a thread (or memory).
bool ShowFailureBox(const char* text);

// Whether a box with text is up (shown and not yet closed): while it is, a
// failure with the same text shows no box.
bool FailureBoxIsUp(const char* text);
