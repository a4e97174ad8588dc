// A filter and pins on FilterBase and PinBase whose state hooks log their calls and return scripted results: the
// state machine, enumerators and pin basics without a worker thread.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/FilterBase.h"
#include "framework/PinBase.h"

class ScriptedFilter;

class ScriptedPin : public PinBase {
public:
    ScriptedPin(ScriptedFilter* filter, int index, const wchar_t* name);

    HRESULT activateResult = S_OK, deactivateResult = S_OK, runResult = S_OK;
    int typeCount = 1;

    // Marks the pin connected to peer without a negotiation.
    void MarkConnected(IPin* peer) { connectedPin = peer; }
    void ChangeTypeList() { ++typeListVersion; }

    HRESULT GoActive() override;
    HRESULT GoInactive() override;
    HRESULT OnRun(REFERENCE_TIME start) override;
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override;
    HRESULT GetMediaType(int position, MediaTypeRecord* type) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }

private:
    ScriptedFilter* const owner;
    const int index;
};

class ScriptedFilter : public FilterBase {
public:
    explicit ScriptedFilter(int pinCount);

    // Calls in order: "P" (Pause), "A<i>" (GoActive), "I<i>" (GoInactive), "R<i>@<start>" (OnRun).
    std::vector<std::string> log;
    const FilterSetup* setup = nullptr;

    ScriptedPin* Pin(int index) { return pins[index].get(); }
    void ChangePinList() { ++pinListVersion; }
    // Destroys the last pin without announcing it through the version.
    void DropLastPin();
    FILTER_STATE State() const { return state; }
    IBaseFilter* Interface() { return BaseFilter(); }

    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    int PinCount() override { return static_cast<int>(pins.size()); }
    PinBase* PinAt(int index) override;
    const FilterSetup* SetupData() override { return setup; }

private:
    win::Lock lock;
    std::vector<std::unique_ptr<ScriptedPin>> pins;
};

// Fixture: a ScriptedFilter of the test's (Make) held by one reference, which is its last when the test ends; no object
// of the framework outlives it.
class ScriptedFilterTest : public testing::Test {
protected:
    void Make(int pinCount)
    {
        liveBefore = liveObjectCount;
        filter = new ScriptedFilter(pinCount);
        filter->InnerUnknown()->AddRef();
    }
    void TearDown() override
    {
        EXPECT_EQ(filter->InnerUnknown()->Release(), 0u) << "no one kept a reference";
        EXPECT_EQ(liveObjectCount, liveBefore) << "the filter and its pins are gone";
    }

    LONG liveBefore = 0;
    ScriptedFilter* filter = nullptr;
};
