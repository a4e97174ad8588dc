// Compiled into each test program that needs it (not part of the support library, whose unreferenced objects the linker
// would drop): COM initialised on the main thread (multithreaded apartment) for the whole program, as an application
// using the filter graph would have it.
#include <gtest/gtest.h>

#include <objbase.h>

namespace {

class ComApartment : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

testing::Environment* const comApartment = testing::AddGlobalTestEnvironment(new ComApartment);

} // namespace
