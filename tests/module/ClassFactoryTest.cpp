// The module's object creation entry, linked into this program: DllGetClassObject's class ids and interfaces,
// CreateInstance's aggregation and failures, and when DllCanUnloadNow lets the module go.
#include <gtest/gtest.h>
#include <dshow.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <thread>
#include <vector>

#include "filter/LumoraGuids.h"
#include "module/ClassFactory.h"
#include "tests/support/CountingUnknown.h"
#include "win/Thread.h"

using Microsoft::WRL::ComPtr;

namespace {

const CLSID kUnknownClass = {0x0badc0de, 0x1234, 0x4321, {0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};

ComPtr<IClassFactory> FactoryFor(REFCLSID classId)
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(DllGetClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
              S_OK);
    return factory;
}

class ClassFactoryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(DllCanUnloadNow(), S_OK) << "a previous test left objects alive"; }
    void TearDown() override { EXPECT_EQ(DllCanUnloadNow(), S_OK) << "objects or locks left behind"; }
};

TEST_F(ClassFactoryTest, GetClassObjectChecksTheInterfaceBeforeTheClass)
{
    struct Case {
        const CLSID* classId;
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {&CLSID_LumoraCameraFilter, &IID_IClassFactory, S_OK},
        {&CLSID_CameraSettingsPage, &IID_IUnknown, S_OK},
        {&CLSID_FormatPage, &IID_IClassFactory, S_OK},
        {&CLSID_LumoraCameraFilter, &IID_IBaseFilter, E_NOINTERFACE},
        {&kUnknownClass, &IID_IPersist, E_NOINTERFACE}, // interface first, even for an unknown class
        {&kUnknownClass, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(DllGetClassObject(*c.classId, *c.iid, &out), c.expected);
        if (c.expected == S_OK) {
            ASSERT_NE(out, nullptr);
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
    }
    EXPECT_EQ(DllGetClassObject(CLSID_LumoraCameraFilter, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ClassFactoryTest, EachRowCreatesItsObjectWhichKeepsTheModuleLoaded)
{
    struct Row {
        const CLSID* classId;
        const IID* iid;
    };
    const Row rows[] = {
        {&CLSID_LumoraCameraFilter, &IID_IBaseFilter},
        {&CLSID_CameraSettingsPage, &IID_IPropertyPage},
        {&CLSID_FormatPage, &IID_IPropertyPage},
    };
    for (const Row& row : rows) {
        ComPtr<IUnknown> object;
        {
            ComPtr<IClassFactory> factory = FactoryFor(*row.classId);
            ASSERT_TRUE(factory);
            EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a factory keeps the module";
            ASSERT_EQ(factory->CreateInstance(nullptr, *row.iid, reinterpret_cast<void**>(object.GetAddressOf())),
                      S_OK);
        }
        // The factory is gone; the object alone keeps the module.
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
        if (IsEqualCLSID(*row.classId, CLSID_LumoraCameraFilter)) {
            ComPtr<IBaseFilter> filter;
            ASSERT_EQ(object.As(&filter), S_OK);
            CLSID reported = {};
            EXPECT_EQ(filter->GetClassID(&reported), S_OK);
            EXPECT_TRUE(IsEqualCLSID(reported, CLSID_LumoraCameraFilter));
        }
        object.Reset();
        EXPECT_EQ(DllCanUnloadNow(), S_OK);
    }
}

TEST_F(ClassFactoryTest, AggregationOnlyThroughTheInnerUnknown)
{
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_LumoraCameraFilter);
    // An outer object that counts its references (the test's own is 1).
    const ComPtr<CountingUnknown> outer = win::MakeComObject<CountingUnknown>();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IBaseFilter, &out), E_NOINTERFACE);
    EXPECT_EQ(out, reinterpret_cast<void*>(1)) << "left untouched";

    ComPtr<IUnknown> inner;
    ASSERT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf())),
              S_OK);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(outer->References(), 2u) << "the filter's interfaces count on the outer object";
    filter->Release();
    EXPECT_EQ(outer->References(), 1u);
}

TEST_F(ClassFactoryTest, AnUnsupportedInterfaceDestroysTheNewObject)
{
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_FormatPage);
    const LONG live = liveObjectCount;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjectCount, live);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

// Creation functions for rows of a test table.
HRESULT scriptedResult = S_OK;
bool scriptedObject = false;

UnknownBase* ScriptedCreate(IUnknown* outer, HRESULT* hr)
{
    *hr = scriptedResult;
    return scriptedObject ? new UnknownBase(nullptr, outer) : nullptr;
}

TEST_F(ClassFactoryTest, CreationFunctionFailuresAreReportedAndTheirObjectsDestroyed)
{
    const FactoryTemplate row = {L"Scripted", &kUnknownClass, &ScriptedCreate, nullptr};
    struct Case {
        bool object;
        HRESULT reported, expected;
    };
    const Case cases[] = {
        {false, E_ACCESSDENIED, E_ACCESSDENIED},
        {false, S_OK, E_OUTOFMEMORY}, // no object and no failure: out of memory
        {true, E_FAIL, E_FAIL},       // an object with a failure is destroyed
        {true, S_OK, S_OK},
    };
    ComPtr<IClassFactory> factory = win::MakeComObject<ClassFactory>(&row);
    for (const Case& c : cases) {
        scriptedObject = c.object;
        scriptedResult = c.reported;
        const LONG live = liveObjectCount;
        ComPtr<IUnknown> object;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())),
                  c.expected);
        EXPECT_EQ(object != nullptr, c.expected == S_OK);
        object.Reset();
        EXPECT_EQ(liveObjectCount, live);
    }
}

TEST_F(ClassFactoryTest, ServerLocksAndFactoryReferencesCountAtomically)
{
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_LumoraCameraFilter);
    factory->LockServer(TRUE);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);

    // Many threads lock and unlock the server and take and drop references at once; every pair must cancel out.
    const int kThreads = 4, kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&factory] {
            for (int i = 0; i < kRounds; ++i) {
                factory->LockServer(TRUE);
                factory->AddRef();
                factory->Release();
                factory->LockServer(FALSE);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(serverLockCount, 1);
    factory->LockServer(FALSE);
    EXPECT_EQ(serverLockCount, 0);
    EXPECT_EQ(factory.Reset(), 0u) << "the factory's own count is back to the one reference";
}

TEST_F(ClassFactoryTest, APageWindowKeepsTheModuleLoadedUntilItIsDestroyed)
{
    HWND parent = CreateWindowExA(0, "STATIC", "page parent", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    IPropertyPage* page = nullptr;
    ASSERT_EQ(FactoryFor(CLSID_FormatPage)->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(&page)),
              S_OK);
    const ComPtr<CountingUnknown> object = win::MakeComObject<CountingUnknown>();
    IUnknown* objects[] = {object.Get()};
    page->SetObjects(1, objects); // no camera settings there: connected all the same
    const RECT rect = {0, 0, 300, 200};
    ASSERT_EQ(page->Activate(parent, &rect, TRUE), S_OK);
    HWND window = GetWindow(parent, GW_CHILD);
    ASSERT_TRUE(IsWindow(window));

    // A host drops the page on another thread: the window stays until its own thread destroys it.
    {
        win::Thread releaser;
        ASSERT_TRUE(releaser.Start([page]() -> DWORD {
            page->Release();
            return 0;
        }));
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the page went, its window is still there";
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(object->References(), 1u);
    DestroyWindow(parent);
}

} // namespace
