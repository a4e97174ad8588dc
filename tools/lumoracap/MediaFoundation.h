// Media Foundation for the length of one command, loaded at run time:
// lumoracap must start on a Windows without Media Foundation (the N
// editions, a server without the media feature), where only vcam needs it
// and says so.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/Module.h"

class MediaFoundation {
public:
    // Loads mfplat.dll and mf.dll from the system folder and starts Media
    // Foundation; Result() tells whether it could.
    MediaFoundation();
    // Shuts Media Foundation down when it was started.
    ~MediaFoundation();
    MediaFoundation(const MediaFoundation&) = delete;
    MediaFoundation& operator=(const MediaFoundation&) = delete;

    // S_OK when started; the failure to load a library as an HRESULT, or
    // MFStartup's failure.
    HRESULT Result() const { return m_result; }

    // The friendly names of the video capture devices Media Foundation lists
    // (its own enumeration, which does not read the DirectShow categories).
    HRESULT ListVideoCaptureDevices(std::vector<std::wstring>* names) const;

private:
    win::UniqueModule m_platform; // mfplat.dll
    win::UniqueModule m_sources;  // mf.dll
    HRESULT m_result = E_FAIL;
    bool m_started = false;
};
