#include "camera/FramePathCounters.h"

FramePathCounters& FramePathCopies()
{
    static FramePathCounters counters;
    return counters;
}
