// A small source built on the framework for its tests: one or more TestStream pins of solid-colour RGB24 frames.
#pragma once

#include <wrl/client.h>

#include <vector>

#include "framework/SourceFilterBase.h"
#include "tests/framework/FakeInputPin.h"
#include "tests/framework/TestStream.h"

// {6A0F5C13-8B0D-4E6B-A3F1-5C2A9E70D401}
const CLSID CLSID_TestSourceFilter = {0x6a0f5c13, 0x8b0d, 0x4e6b, {0xa3, 0xf1, 0x5c, 0x2a, 0x9e, 0x70, 0xd4, 0x01}};

class TestSourceFilter : public SourceFilterBase {
public:
    static Microsoft::WRL::ComPtr<IBaseFilter> Create(int streamCount, TestSourceFilter** filter = nullptr);

    explicit TestSourceFilter(int streamCount);

    TestStream* Stream(int index) { return madeStreams[index]; }
    // Destroys a stream now, as a derived filter may (it leaves the array).
    void DestroyStream(int index);

    // Records the order in which the streams are destroyed (stream index).
    static std::vector<int>* destructionLog;

private:
    // The streams by the index they were made with (owned by the base; null once destroyed).
    std::vector<TestStream*> madeStreams;
};

// Makes peer offer a platform memory allocator and connects stream to it with the stream's one media type.
HRESULT ConnectToAllocatingPeer(TestStream* stream, FakeInputPin* peer);
