#include "module/ModuleInstance.h"

HINSTANCE moduleHandle = nullptr;
