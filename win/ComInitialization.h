// COM initialised on the calling thread for the life of a scope. COM is
// uninitialised again only when this initialisation counted (S_OK, or S_FALSE:
// already initialised in the same apartment). A thread already in another
// apartment keeps it (RPC_E_CHANGED_MODE), and COM is usable there anyway.
#pragma once

#include <objbase.h>

namespace win {

class ComInitialization {
public:
    // COINIT_APARTMENTTHREADED is what CoInitialize(nullptr) gives.
    explicit ComInitialization(DWORD model = COINIT_APARTMENTTHREADED) : m_result(CoInitializeEx(nullptr, model)) {}
    ~ComInitialization()
    {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

    HRESULT Result() const { return m_result; }

private:
    const HRESULT m_result;
};

} // namespace win
