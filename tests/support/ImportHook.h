// Stands a function of the test's own in for a system function the program imports, while the hook lives: every
// call the program's code makes through its import table reaches the replacement, which may call Original(); calls
// inside system DLLs are not seen. One hook per function, made and destroyed while no other thread calls it.
#pragma once

#include <windows.h>

namespace testenv {

class ImportHook {
public:
    // dll as the program imports it ("KERNEL32.dll", any case).
    ImportHook(const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    // False when the program does not import the function.
    bool Installed() const { return m_Slot != nullptr; }
    void* Original() const { return m_Original; }

private:
    void** m_Slot = nullptr;
    void* m_Original = nullptr;
};

// A file's identity on its volume, telling whether two handles or paths name the same file; zero when unreadable.
struct FileIdentity {
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    bool operator==(const FileIdentity& other) const
    {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};
FileIdentity IdentityOf(HANDLE file);
FileIdentity IdentityOf(const wchar_t* path);

} // namespace testenv

namespace testenv {

// While it lives, counts the program's moves (MoveFileExW, any thread) and those of a file flushed before it was
// moved: a file that replaces another is on the disk before it takes the other's name. One at a time.
class FlushBeforeMoveWatch {
public:
    FlushBeforeMoveWatch();
    ~FlushBeforeMoveWatch();
    FlushBeforeMoveWatch(const FlushBeforeMoveWatch&) = delete;
    FlushBeforeMoveWatch& operator=(const FlushBeforeMoveWatch&) = delete;

    bool Installed() const { return m_Flush.Installed() && m_Move.Installed(); }
    int Moves() const;
    int MovesOfFlushedFiles() const;

private:
    ImportHook m_Flush, m_Move;
};

} // namespace testenv
