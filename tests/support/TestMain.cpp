// main() of every test program: private temporary folder, module handle for
// code that creates windows or loads resources, then GoogleTest.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/TestEnvironment.h"
#ifdef LUMORA_HAVE_CAMERA
#include "camera/ModuleInstance.h"
#endif

int main(int argc, char** argv)
{
    // Unhandled faults must end the program with a report, not a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testenv::Initialise();
#ifdef LUMORA_HAVE_CAMERA
    moduleHandle = GetModuleHandleA(nullptr);
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (GetVersionExA(&info)) {
        platformId = info.dwPlatformId;
    }
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
