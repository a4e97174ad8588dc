#include "bench/MeasuringProgram.h"

#include <windows.h>

#include "diagnostics/PrivateTempFolder.h"
#include "win/ComInitialization.h"

int RunInMeasuringFrame(const char* program, const std::function<int()>& body)
{
    PrivateTempFolder temp(program);
    if (!temp.Ready()) {
        std::fprintf(stderr, "%s: cannot create a private temporary folder\n", program);
        return 1;
    }
    const win::ComInitialization com(COINIT_MULTITHREADED);
    if (FAILED(com.Result())) {
        std::fprintf(stderr, "%s: CoInitializeEx failed (0x%08lX)\n", program,
                     static_cast<unsigned long>(com.Result()));
        return 1;
    }
    return body();
}
