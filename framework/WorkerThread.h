// One OS thread and a one-slot command channel with a request/reply
// handshake.
//
// A sender (SendCommand) stores the command, sets commandEvent and waits for
// replyEvent; the worker sees the command with WaitCommand or PeekCommand
// (neither clears it, so the same command can be seen several times) and
// answers it exactly once with ReplyCommand, which clears commandEvent and
// sets replyEvent. The events order the hand-over of commandParam and
// replyValue between the two threads.
//
// The worker runs in the multithreaded COM apartment for its whole life.
//
// Threading: accessLock guards the thread owner: StartThread, HasThread,
// JoinThread and the whole of SendCommand hold it, so commands from several
// threads are serialised and each sender gets its own reply. The worker
// never takes accessLock (WaitCommand, PeekCommand and ReplyCommand belong to
// it and take no lock), so JoinThread may wait for the worker's end while
// holding it. A caller may hold its own locks (the filter's state lock) when
// it takes accessLock; nothing is taken while holding it.
//
// Ownership: the object owns both events and the thread (win::Thread); the
// thread must have ended (JoinThread) before a derived object's parts are
// destroyed, since it runs the derived WorkerMain. Destroying the object
// joins a thread still held.
#pragma once

#include <windows.h>

#include "win/Event.h"
#include "win/Lock.h"
#include "win/Thread.h"

enum WorkerCommand : DWORD {
    CommandInit = 0,  // first command: the worker starts up
    CommandPause = 1, // stream
    CommandRun = 2,   // same as CommandPause
    CommandStop = 3,  // stop streaming
    CommandExit = 4,  // end the thread
};

class WorkerThread {
public:
    WorkerThread() = default;
    virtual ~WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // The worker's body; its result is the thread's exit code.
    virtual DWORD WorkerMain() = 0;

    // Creates the thread unless one is already held; false when none was
    // created.
    bool StartThread();
    // Sends a command and waits without time limit for the reply; E_FAIL
    // without a thread.
    HRESULT SendCommand(DWORD command);
    bool HasThread();
    // Waits for the thread to end and closes its handle; nothing without one.
    void JoinThread();

protected:
    // Worker side.
    DWORD WaitCommand();
    bool PeekCommand(DWORD* command = nullptr);
    void ReplyCommand(HRESULT value);

private:
    win::Lock accessLock;
    win::Event commandEvent{win::Event::Mode::ManualReset};
    win::Event replyEvent{win::Event::Mode::AutoReset};
    DWORD commandParam = 0;
    HRESULT replyValue = S_OK;
    // Declared last: destroyed (joined) first, while the events still exist.
    win::Thread thread;
};
