#include "kernel/handle_table.h"
#include "kernel_test_values.h"

#include <gtest/gtest.h>

#include <memory>

namespace ce::kernel {
namespace {

using ce::kernel::test::kUntouched;

class CountedObject final : public KernelObject {
public:
    explicit CountedObject(int* destroyed) : m_destroyed(destroyed) {}
    ~CountedObject() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

TEST(HandleTable, ValuesAreNeverReusedNorNullNorInvalid) {
    int destroyed = 0;
    HANDLE first = Handles().Add(std::make_shared<CountedObject>(&destroyed));
    ASSERT_TRUE(CloseHandle(first));
    HANDLE second = Handles().Add(std::make_shared<CountedObject>(&destroyed));
    EXPECT_NE(second, first);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Handles().Find(first), nullptr);
    EXPECT_NE(Handles().FindAs<CountedObject>(second), nullptr);
    ASSERT_TRUE(CloseHandle(second));
    EXPECT_EQ(destroyed, 2);
}

TEST(HandleTable, AnObjectInUseOutlivesItsHandle) {
    int destroyed = 0;
    HANDLE handle = Handles().Add(std::make_shared<CountedObject>(&destroyed));
    auto inUse = Handles().Find(handle);
    ASSERT_TRUE(CloseHandle(handle));
    EXPECT_EQ(destroyed, 0);
    inUse.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(CloseHandle, FailsOnHandlesThatNameNothing) {
    int destroyed = 0;
    HANDLE closed = Handles().Add(std::make_shared<CountedObject>(&destroyed));
    ASSERT_TRUE(CloseHandle(closed));
    for (HANDLE handle : {closed, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE,
                          reinterpret_cast<HANDLE>(std::uintptr_t{0x12345678})}) {
        SetLastError(kUntouched);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

}  // namespace
}  // namespace ce::kernel
