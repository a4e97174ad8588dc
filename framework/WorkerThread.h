// One OS thread and a one-slot command channel with a request/reply
// handshake.
//
// A sender (SendCommand) stores the command, sets commandEvent and waits for
// replyEvent; the worker sees the command with WaitCommand or PeekCommand
// (neither clears it, so the same command can be seen several times) and
// answers it exactly once with ReplyCommand, which clears commandEvent and
// sets replyEvent.
//
// Threading: StartThread and the whole of SendCommand hold accessLock, so
// commands from several threads are serialised and each sender gets its own
// reply. WaitCommand, PeekCommand and ReplyCommand belong to the worker thread
// and take no lock. threadHandle is exchanged atomically by JoinThread.
//
// Ownership: the object owns both events and the thread handle; the thread
// must have ended (JoinThread) before a derived object's parts are destroyed,
// since the thread runs the derived WorkerMain.
#pragma once

#include <windows.h>

#include "framework/RecursiveLock.h"
#include "framework/ScopedHandle.h"

enum WorkerCommand : DWORD {
    CommandInit = 0,  // first command: the worker starts up
    CommandPause = 1, // stream
    CommandRun = 2,   // same as CommandPause
    CommandStop = 3,  // stop streaming
    CommandExit = 4,  // end the thread
};

class WorkerThread {
public:
    WorkerThread();
    // Joins the thread if one is held.
    virtual ~WorkerThread();
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
    bool HasThread() const { return threadHandle != nullptr; }
    // Waits for the thread to end and closes its handle; nothing without one.
    void JoinThread();

protected:
    // Worker side.
    DWORD WaitCommand();
    bool PeekCommand(DWORD* command = nullptr);
    void ReplyCommand(HRESULT value);

private:
    static DWORD WINAPI ThreadEntry(void* self);
    // Initialises COM (multithreaded) for the worker through the already
    // loaded ole32.dll; E_FAIL when it is not loaded.
    static HRESULT InitWorkerCom();

    ScopedHandle commandEvent; // manual reset
    ScopedHandle replyEvent;   // auto reset
    volatile DWORD commandParam = 0;
    volatile HRESULT replyValue = S_OK;
    HANDLE volatile threadHandle = nullptr;
    RecursiveLock accessLock;
};
