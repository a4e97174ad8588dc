// Every filter test program runs with COM initialised on its main thread
// (multithreaded apartment), as a capture application would.
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
