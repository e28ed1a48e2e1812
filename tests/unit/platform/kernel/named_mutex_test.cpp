// Named mutexes: the first creator of a name is told so, later ones (in this process or another)
// get ERROR_ALREADY_EXISTS, and the name is free again once no process holds it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "winbase.h"

#include "child_process.h"
#include "kernel/named_objects.h"
#include "test_files.h"

namespace ce::kernel {
namespace {

using brevanta::test::ChildProcess;

constexpr auto kTimeout = std::chrono::seconds(10);
constexpr char kName[] = "5E2D7A90-test-name";
constexpr char16_t kWideName[] = u"5E2D7A90-test-name";

class NamedMutexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_objects.Path().empty());
        const char* previous = std::getenv("CE_OBJECTS_DIR");
        m_previous = previous == nullptr ? std::nullopt : std::optional<std::string>(previous);
        setenv("CE_OBJECTS_DIR", m_objects.Path().c_str(), 1);
    }
    void TearDown() override {
        for (auto& child : m_children) {
            child->Stop();
        }
        if (m_previous) {
            setenv("CE_OBJECTS_DIR", m_previous->c_str(), 1);
        } else {
            unsetenv("CE_OBJECTS_DIR");
        }
    }

    // Starts a holder of kName in the given objects directory and returns its process.
    ChildProcess& StartHolder(const std::string& objectsDir) {
        m_children.push_back(std::make_unique<ChildProcess>());
        EXPECT_TRUE(m_children.back()->Start({MUTEX_HOLDER_PATH, kName}, {},
                                             {"CE_OBJECTS_DIR=" + objectsDir}));
        return *m_children.back();
    }
    // The last error the holder reported after its CreateMutexW.
    static std::string ReportOf(ChildProcess& holder) {
        return holder.ReadLine(kTimeout).value_or("no report");
    }

    brevanta::test::TemporaryDirectory m_objects;
    std::optional<std::string> m_previous;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
};

TEST_F(NamedMutexTest, SecondCreateInTheProcessFindsTheNameAndOnlyTheOwnerReleases) {
    SetLastError(1234);
    const HANDLE first = CreateMutexW(nullptr, TRUE, kWideName);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    const HANDLE second = CreateMutexW(nullptr, TRUE, kWideName);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(second, first);

    BOOL releasedElsewhere = TRUE;
    std::thread([&] { releasedElsewhere = ReleaseMutex(first); }).join();
    EXPECT_FALSE(releasedElsewhere);
    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_FALSE(ReleaseMutex(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

    ASSERT_TRUE(CloseHandle(first));
    const HANDLE third = CreateMutexW(nullptr, FALSE, kWideName);  // while second holds it
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(second);
    CloseHandle(third);
}

TEST_F(NamedMutexTest, NameIsFreeOnceEveryHandleIsClosed) {
    const HANDLE first = CreateMutexW(nullptr, FALSE, kWideName);
    const HANDLE second = CreateMutexW(nullptr, FALSE, kWideName);
    ASSERT_TRUE(CloseHandle(first));
    ASSERT_TRUE(CloseHandle(second));
    const HANDLE again = CreateMutexW(nullptr, TRUE, kWideName);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(ReleaseMutex(again));
    EXPECT_TRUE(CloseHandle(again));
}

TEST_F(NamedMutexTest, UnnamedMutexesAreAlwaysNew) {
    const HANDLE first = CreateMutexW(nullptr, TRUE, nullptr);
    const HANDLE second = CreateMutexW(nullptr, FALSE, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_FALSE(ReleaseMutex(second));
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(NamedMutexTest, AnotherProcessSeesTheNameUntilItsHolderEnds) {
    ChildProcess& holder = StartHolder(m_objects.Path());
    ASSERT_EQ(ReportOf(holder), "0");

    const HANDLE mine = CreateMutexW(nullptr, TRUE, kWideName);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(mine);

    // Ended by a signal, as a crash would end it: the kernel lets go of its lock.
    holder.Stop();
    const HANDLE after = CreateMutexW(nullptr, TRUE, kWideName);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    ChildProcess& next = StartHolder(m_objects.Path());
    EXPECT_EQ(ReportOf(next), "183");
    CloseHandle(after);
}

TEST_F(NamedMutexTest, ProcessesStartingTogetherFindExactlyOneFirst) {
    constexpr int kProcesses = 4;
    std::vector<ChildProcess*> holders;
    for (int i = 0; i < kProcesses; ++i) {
        holders.push_back(&StartHolder(m_objects.Path()));
    }
    int first = 0;
    for (ChildProcess* holder : holders) {
        const std::string report = ReportOf(*holder);
        EXPECT_TRUE(report == "0" || report == "183") << report;
        first += report == "0" ? 1 : 0;
    }
    EXPECT_EQ(first, 1);
}

TEST_F(NamedMutexTest, OtherObjectsDirectoriesDoNotSeeTheName) {
    const HANDLE mine = CreateMutexW(nullptr, TRUE, kWideName);
    ASSERT_NE(mine, nullptr);
    brevanta::test::TemporaryDirectory otherDisplay;
    ChildProcess& holder = StartHolder(otherDisplay.Path());
    EXPECT_EQ(ReportOf(holder), "0");
    CloseHandle(mine);
}

TEST(NamedObjectsDirectory, FollowsTheDisplayTheDriverChoiceGoesTo) {
    struct Case {
        const char* objectsDir;
        const char* ceDisplay;
        const char* display;
        const char* control;
        const char* expected;
    };
    const Case cases[] = {
        {"/run/x", "x11", ":5", nullptr, "/run/x"},
        {nullptr, nullptr, ":5", nullptr, "/tmp/ce-objects-7/x11-%3A5"},
        {nullptr, "x11", ":5.0", nullptr, "/tmp/ce-objects-7/x11-%3A5"},
        {nullptr, nullptr, nullptr, nullptr, "/tmp/ce-objects-7/headless"},
        {nullptr, "headless", ":5", nullptr, "/tmp/ce-objects-7/headless"},
        {nullptr, "kms", ":5", "/tmp/a.sock", "/tmp/ce-objects-7/kms"},
        {"", "", "", "", "/tmp/ce-objects-7/headless"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamedObjectsDirectory({c.objectsDir, c.ceDisplay, c.display, c.control, 7}),
                  c.expected);
    }
    const std::string a = NamedObjectsDirectory({nullptr, "headless", nullptr, "/tmp/a.sock", 7});
    const std::string b = NamedObjectsDirectory({nullptr, "headless", nullptr, "/tmp/b.sock", 7});
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind("/tmp/ce-objects-7/headless-", 0), 0u) << a;
}

TEST(NamedObjectsDirectory, FileNamesKeepNamesApart) {
    EXPECT_EQ(FileNameOf("mutex-", u"5E2D7A90-1C4B_x.y"), "mutex-5E2D7A90-1C4B_x.y");
    EXPECT_EQ(FileNameOf("mutex-", u"a/b"), "mutex-a%2Fb");
    EXPECT_NE(FileNameOf("mutex-", u"a%2Fb"), FileNameOf("mutex-", u"a/b"));
    EXPECT_LT(FileNameOf("mutex-", std::u16string(1000, u'/')).size(), 255u);
}

}  // namespace
}  // namespace ce::kernel
