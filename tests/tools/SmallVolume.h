// Disks for lumoracap's AVI writer: a small one, where a write past its size writes what fits and fails as a full
// disk does; and a slow one.
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

// Every AVI writer made in the scope (by a whole command) writes to a volume of the given size.
class SmallVolume {
public:
    explicit SmallVolume(ULONGLONG volume) { AviWriter::SetDefaultStorage(VolumeOf(volume)); }
    ~SmallVolume() { AviWriter::SetDefaultStorage(AviWriter::Disk()); }
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;
};

// Every AVI writer made in the scope takes writeMs for each write over a megabyte (a frame), as a slow disk does.
class SlowDisk {
public:
    explicit SlowDisk(DWORD writeMs)
    {
        AviWriter::Storage disk = AviWriter::Disk();
        const auto write = disk.write;
        disk.write = [write, writeMs](HANDLE file, const void* data, DWORD bytes) {
            if (bytes > (1u << 20)) {
                Sleep(writeMs);
            }
            return write(file, data, bytes);
        };
        AviWriter::SetDefaultStorage(disk);
    }
    ~SlowDisk() { AviWriter::SetDefaultStorage(AviWriter::Disk()); }
    SlowDisk(const SlowDisk&) = delete;
    SlowDisk& operator=(const SlowDisk&) = delete;
};

} // namespace toolstest
