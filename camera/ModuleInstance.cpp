#include "camera/ModuleInstance.h"

HINSTANCE moduleHandle = nullptr;
DWORD platformId = 1;
