// Window classes: registration, names, atoms and unregistration.
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using WindowClassTest = UserTest;

WNDCLASSW ClassNamed(LPCWSTR name) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.lpszClassName = name;
    return windowClass;
}

HWND CreateOf(LPCWSTR className) {
    return CreateWindowExW(0, className, nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                           nullptr);
}

TEST_F(WindowClassTest, NamesAreUniqueRegardlessOfAsciiCase) {
    const WNDCLASSW first = ClassNamed(TEXT("Panel"));
    const ATOM atom = RegisterClassW(&first);
    EXPECT_GE(atom, 0xC000);

    const WNDCLASSW again = ClassNamed(TEXT("pANEL"));
    SetLastError(0);
    EXPECT_EQ(RegisterClassW(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    EXPECT_NE(CreateOf(TEXT("PANEL")), nullptr);
    EXPECT_NE(CreateOf(reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(atom))), nullptr)
        << "an atom in the low word names the class too";

    const WNDCLASSW other = ClassNamed(TEXT("Panel2"));
    EXPECT_NE(RegisterClassW(&other), atom);
}

TEST_F(WindowClassTest, UnknownClassFailsCreation) {
    SetLastError(0);
    EXPECT_EQ(CreateOf(TEXT("Missing")), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(WindowClassTest, UnregisterWaitsForTheLastWindow) {
    const WNDCLASSW panel = ClassNamed(TEXT("Panel"));
    ASSERT_NE(RegisterClassW(&panel), 0);
    HWND window = CreateOf(TEXT("Panel"));
    ASSERT_NE(window, nullptr);

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassW(TEXT("panel"), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassW(TEXT("panel"), nullptr));
    EXPECT_EQ(CreateOf(TEXT("Panel")), nullptr);

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassW(TEXT("Panel"), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));

    EXPECT_NE(RegisterClassW(&panel), 0) << "the name is free again";
}

}  // namespace
}  // namespace ce::user::test
