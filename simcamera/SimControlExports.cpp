// The test-only control API of simcamera/SimControl.h. None of these calls is
// journaled.
#include "simcamera/SimControl.h"

#include "simcamera/Journal.h"
#include "simcamera/SimCamera.h"

extern "C" {

void __stdcall SimSetFault(int fault, int active)
{
    TheCamera().SetFault(fault, active != 0);
}

void __stdcall SimSetImageSize(int width, int height)
{
    TheCamera().SetImageSizeOverride(width, height, SimCamera::SizeChange::AtNextInit);
}

void __stdcall SimChangeImageSize(int width, int height)
{
    TheCamera().SetImageSizeOverride(width, height, SimCamera::SizeChange::BetweenFrames);
}

void __stdcall SimChangeImageSizeAfterNextQuery(int width, int height)
{
    TheCamera().SetImageSizeOverride(width, height, SimCamera::SizeChange::AfterNextSizeQuery);
}

void __stdcall SimHoldMarker(int hold)
{
    TheCamera().HoldMarker(hold != 0);
}

int __stdcall SimReadJournal(char* buffer, int capacity)
{
    return TheJournal().Read(buffer, capacity);
}

void __stdcall SimClearJournal(void)
{
    TheJournal().Clear();
}

void __stdcall SimGetCounters(SimCounters* counters)
{
    if (counters) {
        *counters = TheCamera().Counters();
    }
}

void __stdcall SimResetCounters(void)
{
    TheCamera().ResetCounters();
}

void __stdcall SimReset(void)
{
    TheCamera().Reset();
    TheJournal().Clear();
}

} // extern "C"
