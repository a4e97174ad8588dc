#include "camera/OpenTimeline.h"

#include <initializer_list>

void OpenTimeline::Restart()
{
    for (std::atomic<int64_t>* step : {&openBegan, &captureThreadReady, &cameraInitDone, &settingsSent, &imagesReady,
                                       &settingsSaved, &playing, &firstFrame}) {
        step->store(0, std::memory_order_relaxed);
    }
}

OpenTimeline& LastOpenTimeline()
{
    static OpenTimeline timeline;
    return timeline;
}

void MarkNow(std::atomic<int64_t>& step)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    step.store(now.QuadPart, std::memory_order_relaxed);
}
