// The desktop: one object per test, created on first use, dying cleanly with its windows.
#include "user_test_support.h"

#include "user/message_queue.h"

namespace ce::user::test {
namespace {

using DesktopTest = UserTest;

TEST_F(DesktopTest, AFreshDesktopSeesNothingOfTheOldOne) {
    HWND old = MakeWindow();
    ASSERT_NE(old, nullptr);
    {
        DesktopScope fresh;
        EXPECT_FALSE(IsWindow(old));
        EXPECT_EQ(MakeWindow(), nullptr) << "classes belong to the desktop";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    }
    EXPECT_TRUE(IsWindow(old));
}

TEST_F(DesktopTest, IsCreatedOnFirstUse) {
    auto previous = ReplaceCurrentDesktop(nullptr);
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(0x10001)));
    auto created = ReplaceCurrentDesktop(std::move(previous));
    EXPECT_NE(created, nullptr);
    EXPECT_NE(created.get(), &TheDesktop());
}

// Nothing a desktop holds keeps it alive: windows, queues, timers, posted and sent messages all
// refer to it weakly, so it goes with its last user even with all of them in use.
TEST_F(DesktopTest, AReplacedDesktopDiesWithEverythingInIt) {
    std::weak_ptr<Desktop> weak;
    {
        DesktopScope scope;
        weak = CurrentDesktop();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.lpszClassName = TEXT("Plain");
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        HWND parent = CreateWindowExW(0, TEXT("Plain"), nullptr, 0, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr);
        HWND child = CreateWindowExW(0, TEXT("Plain"), nullptr, WS_CHILD, 0, 0, 1, 1, parent,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(child, nullptr);
        ASSERT_NE(SetTimer(child, 1, 1000, nullptr), 0u);
        ASSERT_TRUE(PostMessageW(parent, WM_USER, 0, 0));
        PostQuitMessage(0);
    }
    EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace ce::user::test
