// Disks for lumoracap's AVI writer: a small one, where a write past its size writes what fits and fails as a full
// disk does; and a slow one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tools/lumoracap/AviWriter.h"

namespace toolstest {

inline AviWriter::Storage VolumeOf(ULONGLONG volume)
{
    AviWriter::Storage disk = AviWriter::Disk();
    const auto write = disk.write;
    disk.write = [write, volume](HANDLE file, const void* data, DWORD bytes) {
        LARGE_INTEGER at = {};
        SetFilePointerEx(file, at, &at, FILE_CURRENT);
        const ULONGLONG start = static_cast<ULONGLONG>(at.QuadPart);
        if (start + bytes <= volume) {
            return write(file, data, bytes);
        }
        if (start < volume) {
            write(file, data, static_cast<DWORD>(volume - start));
        }
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    };
    disk.room = [volume](const std::wstring&) { return volume; };
    return disk;
}

// The disk, calling before(bytes) ahead of each write: a slow or a held disk.
inline AviWriter::Storage DiskCalling(std::function<void(DWORD bytes)> before)
{
    AviWriter::Storage disk = AviWriter::Disk();
    const auto write = disk.write;
    disk.write = [write, before](HANDLE file, const void* data, DWORD bytes) {
        before(bytes);
        return write(file, data, bytes);
    };
    return disk;
}

// Every AVI writer made in the scope (by a whole command) writes to storage.
class DefaultStorage {
public:
    explicit DefaultStorage(const AviWriter::Storage& storage) { AviWriter::SetDefaultStorage(storage); }
    ~DefaultStorage() { AviWriter::SetDefaultStorage(AviWriter::Disk()); }
    DefaultStorage(const DefaultStorage&) = delete;
    DefaultStorage& operator=(const DefaultStorage&) = delete;
};

} // namespace toolstest
