// Initialises COM on the calling thread for the life of a scope; uninitialises
// it again only when this initialisation counted (also S_FALSE: already
// initialised in the same apartment). A thread already in the multithreaded
// apartment keeps it (RPC_E_CHANGED_MODE), and COM is usable there anyway.
#pragma once

#include <objbase.h>

class ComInitialization {
public:
    ComInitialization() : result(CoInitialize(nullptr)) {}
    ~ComInitialization()
    {
        if (SUCCEEDED(result)) {
            CoUninitialize();
        }
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

private:
    const HRESULT result;
};
