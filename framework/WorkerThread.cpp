#include "framework/WorkerThread.h"

#include <objbase.h>

#include "win/ComInitialization.h"

bool WorkerThread::StartThread()
{
    win::LockGuard guard(accessLock);
    if (thread.Joinable() || !commandEvent.Valid() || !replyEvent.Valid()) {
        return false;
    }
    return thread.Start([this] {
        const win::ComInitialization com(COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE);
        return WorkerMain();
    });
}

HRESULT WorkerThread::SendCommand(DWORD command)
{
    win::LockGuard guard(accessLock);
    if (!thread.Joinable()) {
        return E_FAIL;
    }
    commandParam = command;
    commandEvent.Set();
    replyEvent.Wait();
    return replyValue;
}

bool WorkerThread::HasThread()
{
    win::LockGuard guard(accessLock);
    return thread.Joinable();
}

void WorkerThread::JoinThread()
{
    win::LockGuard guard(accessLock);
    thread.Join();
}

DWORD WorkerThread::WaitCommand()
{
    commandEvent.Wait();
    return commandParam;
}

bool WorkerThread::PeekCommand(DWORD* command)
{
    if (!commandEvent.Wait(0)) {
        return false;
    }
    if (command) {
        *command = commandParam;
    }
    return true;
}

void WorkerThread::ReplyCommand(HRESULT value)
{
    replyValue = value;
    commandEvent.Clear();
    replyEvent.Set();
}
