#include "framework/WorkerThread.h"

#include <objbase.h>

WorkerThread::WorkerThread()
    : commandEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)), replyEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

WorkerThread::~WorkerThread()
{
    JoinThread();
}

bool WorkerThread::StartThread()
{
    LockGuard guard(&accessLock);
    if (threadHandle) {
        return false;
    }
    if (!commandEvent || !replyEvent) {
        return false;
    }
    threadHandle = CreateThread(nullptr, 0, &WorkerThread::ThreadEntry, this, 0, nullptr);
    return threadHandle != nullptr;
}

HRESULT WorkerThread::SendCommand(DWORD command)
{
    LockGuard guard(&accessLock);
    if (!threadHandle) {
        return E_FAIL;
    }
    commandParam = command;
    SetEvent(commandEvent.Get());
    WaitForSingleObject(replyEvent.Get(), INFINITE);
    return replyValue;
}

void WorkerThread::JoinThread()
{
    HANDLE thread = InterlockedExchangePointer(&threadHandle, nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

DWORD WorkerThread::WaitCommand()
{
    WaitForSingleObject(commandEvent.Get(), INFINITE);
    return commandParam;
}

bool WorkerThread::PeekCommand(DWORD* command)
{
    if (WaitForSingleObject(commandEvent.Get(), 0) != WAIT_OBJECT_0) {
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
    ResetEvent(commandEvent.Get());
    SetEvent(replyEvent.Get());
}

DWORD WINAPI WorkerThread::ThreadEntry(void* self)
{
    const HRESULT com = InitWorkerCom();
    const DWORD result = static_cast<WorkerThread*>(self)->WorkerMain();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return result;
}

HRESULT WorkerThread::InitWorkerCom()
{
    using CoInitializeExFunction = HRESULT(WINAPI*)(void*, DWORD);
    HMODULE ole32 = GetModuleHandleW(L"ole32.dll");
    if (!ole32) {
        return E_FAIL;
    }
    FARPROC entry = GetProcAddress(ole32, "CoInitializeEx");
    if (!entry) {
        return E_FAIL;
    }
    auto coInitializeEx = reinterpret_cast<CoInitializeExFunction>(reinterpret_cast<void*>(entry));
    return coInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE | COINIT_MULTITHREADED);
}
