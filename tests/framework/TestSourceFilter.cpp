#include "tests/framework/TestSourceFilter.h"

std::vector<int>* TestSourceFilter::destructionLog = nullptr;

Microsoft::WRL::ComPtr<IBaseFilter> TestSourceFilter::Create(int streamCount, TestSourceFilter** filter)
{
    auto* created = new TestSourceFilter(streamCount);
    Microsoft::WRL::ComPtr<IBaseFilter> result;
    created->InnerUnknown()->AddRef();
    created->InnerUnknown()->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(result.GetAddressOf()));
    created->InnerUnknown()->Release();
    if (filter) {
        *filter = created;
    }
    return result;
}

TestSourceFilter::TestSourceFilter(int streamCount) : SourceFilterBase(L"TestSourceFilter", nullptr, CLSID_TestSourceFilter)
{
    for (int i = 0; i < streamCount; ++i) {
        HRESULT hr = E_FAIL;
        const wchar_t* names[] = {L"Out1", L"Out2", L"Out3", L"Out4"};
        ownedStreams.push_back(new TestStream(&hr, this, names[i % 4], i));
    }
}

TestSourceFilter::~TestSourceFilter()
{
    // Streams not destroyed yet are destroyed by SourceFilterBase, last to
    // first; they log themselves through destructionLog.
}

void TestSourceFilter::DestroyStream(int index)
{
    delete ownedStreams[index];
    ownedStreams[index] = nullptr;
}
