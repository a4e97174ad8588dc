#include "tests/support/ImportHook.h"

#include <cstring>

namespace testenv {

namespace {

// The import table slot through which the program calls dll!function, or null.
void** FindImportSlot(const char* dll, const char* function)
{
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return nullptr;
    }
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0 || !entry->OriginalFirstThunk) {
            continue;
        }
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value)
{
    DWORD old = 0;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof(*slot), old, &old);
}

} // namespace

ImportHook::ImportHook(const char* dll, const char* function, void* replacement)
    : m_Slot(FindImportSlot(dll, function))
{
    if (m_Slot) {
        m_Original = *m_Slot;
        WriteSlot(m_Slot, replacement);
    }
}

ImportHook::~ImportHook()
{
    if (m_Slot) {
        WriteSlot(m_Slot, m_Original);
    }
}

FileIdentity IdentityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information)) {
        return FileIdentity();
    }
    return {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

FileIdentity IdentityOf(const wchar_t* path)
{
    const HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return FileIdentity();
    }
    const FileIdentity identity = IdentityOf(file);
    CloseHandle(file);
    return identity;
}

} // namespace testenv

#include <mutex>
#include <vector>

namespace testenv {

namespace {

struct WatchState {
    std::mutex lock;
    std::vector<FileIdentity> flushed;
    int moves = 0, movesOfFlushed = 0;
    BOOL(WINAPI* flush)(HANDLE) = nullptr;
    BOOL(WINAPI* move)(LPCWSTR, LPCWSTR, DWORD) = nullptr;
};
WatchState watch;

BOOL WINAPI WatchedFlush(HANDLE file)
{
    const FileIdentity identity = IdentityOf(file);
    const BOOL flushed = watch.flush(file);
    if (flushed) {
        std::lock_guard<std::mutex> guard(watch.lock);
        watch.flushed.push_back(identity);
    }
    return flushed;
}

BOOL WINAPI WatchedMove(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    const FileIdentity identity = IdentityOf(from);
    {
        std::lock_guard<std::mutex> guard(watch.lock);
        ++watch.moves;
        for (const FileIdentity& flushed : watch.flushed) {
            if (flushed == identity && !(identity == FileIdentity())) {
                ++watch.movesOfFlushed;
                break;
            }
        }
    }
    return watch.move(from, to, flags);
}

} // namespace

FlushBeforeMoveWatch::FlushBeforeMoveWatch()
    : m_Flush("KERNEL32.dll", "FlushFileBuffers", reinterpret_cast<void*>(&WatchedFlush)),
      m_Move("KERNEL32.dll", "MoveFileExW", reinterpret_cast<void*>(&WatchedMove))
{
    std::lock_guard<std::mutex> guard(watch.lock);
    watch.flushed.clear();
    watch.moves = 0;
    watch.movesOfFlushed = 0;
    watch.flush = reinterpret_cast<BOOL(WINAPI*)(HANDLE)>(m_Flush.Original());
    watch.move = reinterpret_cast<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD)>(m_Move.Original());
}

FlushBeforeMoveWatch::~FlushBeforeMoveWatch() = default;

int FlushBeforeMoveWatch::Moves() const
{
    std::lock_guard<std::mutex> guard(watch.lock);
    return watch.moves;
}

int FlushBeforeMoveWatch::MovesOfFlushedFiles() const
{
    std::lock_guard<std::mutex> guard(watch.lock);
    return watch.movesOfFlushed;
}

} // namespace testenv
