#include "tests/support/UnixTools.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/TestEnvironment.h"

namespace testenv {

std::string UnixPath(const std::string& windowsPath)
{
    using UnixNameFn = char*(CDECL*)(const WCHAR*);
    static auto fn = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) {
        return std::string();
    }
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
    char* unixName = fn(wide);
    if (!unixName) {
        return std::string();
    }
    std::string result(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

// Wine starts Linux programs but cannot wait for them or read their exit code, so the command runs inside a small
// script that leaves its output and status in files; the status file appears (by rename) only when it is done.
int RunUnixCommand(const std::string& command, std::string* output, unsigned timeoutMs)
{
    static LONG serial = 0;
    char stem[64];
    std::snprintf(stem, sizeof stem, "unixcmd-%ld", InterlockedIncrement(&serial));
    const std::string script = TempPath(std::string(stem) + ".sh");
    const std::string out = TempPath(std::string(stem) + ".out");
    const std::string status = TempPath(std::string(stem) + ".status");
    DeleteFileA(out.c_str());
    DeleteFileA(status.c_str());
    {
        std::ofstream s(script, std::ios::binary);
        s << "(" << command << ") >'" << UnixPath(out) << "' 2>&1\n"
          << "echo $? >'" << UnixPath(status) << ".part'\n"
          << "mv '" << UnixPath(status) << ".part' '" << UnixPath(status) << "'\n";
    }
    std::string commandLine = "/bin/sh \"" + UnixPath(script) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    const DWORD start = GetTickCount();
    while (GetFileAttributesA(status.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) {
            return -1;
        }
        Sleep(20);
    }
    if (output) {
        *output = FileBytes(out);
    }
    const int code = std::atoi(FileBytes(status).c_str());
    DeleteFileA(script.c_str());
    DeleteFileA(out.c_str());
    DeleteFileA(status.c_str());
    return code;
}

VideoProbe Ffprobe(const std::string& windowsPath)
{
    VideoProbe probe;
    const std::string command =
        "ffprobe -v error -select_streams v:0 -count_frames "
        "-show_entries stream=codec_name,width,height,pix_fmt,nb_read_frames:format=format_name,duration "
        "-of default=noprint_wrappers=1 '" +
        UnixPath(windowsPath) + "'";
    const int status = RunUnixCommand(command, &probe.report, 600000);
    probe.ok = status == 0;
    std::istringstream lines(probe.report);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "codec_name") probe.codec = value;
        else if (key == "pix_fmt") probe.pixFmt = value;
        else if (key == "width") probe.width = std::atoi(value.c_str());
        else if (key == "height") probe.height = std::atoi(value.c_str());
        else if (key == "nb_read_frames") probe.frames = std::atol(value.c_str());
        else if (key == "format_name") probe.format = value;
        else if (key == "duration") probe.duration = std::atof(value.c_str());
    }
    return probe;
}

} // namespace testenv
