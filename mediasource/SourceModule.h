// What LumoraMediaSource.dll keeps for the whole module: its instance handle
// (recorded by DllMain), the count of its live COM objects and of
// outstanding LockServer(TRUE) calls, from which DllCanUnloadNow answers.
//
// The counts change with interlocked operations only: COM objects are made,
// released and locked from any thread.
#pragma once

#include <windows.h>

namespace mediasource {

// The DLL's instance handle; null in a program that links the source
// statically (tests), where the program's own module stands for it.
extern HINSTANCE moduleInstance;

// Every object of the module (sources, streams, class factories) counts
// itself from construction to destruction.
void ObjectCreated();
void ObjectDestroyed();
LONG LiveObjects();

void LockModule();
void UnlockModule();
LONG ModuleLocks();

// S_OK when no object lives and no lock is held, else S_FALSE.
HRESULT CanUnloadNow();

// Counts one object for as long as it lives: a member or base of each object.
class ModuleObjectCount {
public:
    ModuleObjectCount() { ObjectCreated(); }
    ~ModuleObjectCount() { ObjectDestroyed(); }
    ModuleObjectCount(const ModuleObjectCount&) = delete;
    ModuleObjectCount& operator=(const ModuleObjectCount&) = delete;
};

} // namespace mediasource
