// A disk of a given size for lumoracap's AVI writer: a write that would take
// the file past it writes what fits and fails as a full disk does.
#pragma once

#include <windows.h>

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

// Every AVI writer made in the scope (by a whole command) writes to a volume
// of the given size.
class SmallVolume {
public:
    explicit SmallVolume(ULONGLONG volume) { AviWriter::SetDefaultStorage(VolumeOf(volume)); }
    ~SmallVolume() { AviWriter::SetDefaultStorage(AviWriter::Disk()); }
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;
};

} // namespace toolstest
