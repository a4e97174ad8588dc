#include "tests/framework/TestSourceFilter.h"

std::vector<int>* TestSourceFilter::destructionLog = nullptr;

Microsoft::WRL::ComPtr<IBaseFilter> TestSourceFilter::Create(int streamCount, TestSourceFilter** filter)
{
    auto* created = new TestSourceFilter(streamCount);
    if (filter) {
        *filter = created;
    }
    // The first reference; the object goes with the last one.
    Microsoft::WRL::ComPtr<IBaseFilter> result;
    Microsoft::WRL::ComPtr<IUnknown>(created->InnerUnknown()).As(&result);
    return result;
}

TestSourceFilter::TestSourceFilter(int streamCount) : SourceFilterBase(L"TestSourceFilter", nullptr, CLSID_TestSourceFilter)
{
    // Each stream hands itself to the base, which destroys the ones still held last to first when the filter goes; they
    // log themselves through destructionLog.
    for (int i = 0; i < streamCount; ++i) {
        HRESULT hr = E_FAIL;
        const wchar_t* names[] = {L"Out1", L"Out2", L"Out3", L"Out4"};
        madeStreams.push_back(new TestStream(&hr, this, names[i % 4], i));
    }
}

void TestSourceFilter::DestroyStream(int index)
{
    SourceFilterBase::DestroyStream(madeStreams[index]);
    madeStreams[index] = nullptr;
}

HRESULT ConnectToAllocatingPeer(TestStream* stream, FakeInputPin* peer)
{
    const HRESULT created = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                             reinterpret_cast<void**>(peer->offeredAllocator.ReleaseAndGetAddressOf()));
    if (FAILED(created)) {
        return created;
    }
    MediaTypeRecord type;
    stream->GetSingleMediaType(&type);
    return stream->Connect(peer, &type);
}
