// Which display driver the environment chooses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drivers/driver_factory.h"
#include "drivers/remote_factory.h"

namespace ce::drivers {
namespace {

// Sets (or unsets, with nothing) a variable for the length of a scope.
class Environment {
public:
    Environment(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        Set(value);
    }
    ~Environment() { Set(m_old); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(DriverSelection, FollowsTheEnvironment) {
    struct Case {
        const char* name;
        std::optional<std::string> display;  // CE_DISPLAY
        std::optional<std::string> x11;      // DISPLAY
        const char* driver;                  // null: none is made
        std::vector<std::string> reason;     // words the reason holds when none is made
        // A machine with a DRM card would give its display to the driver.
        bool onlyWithoutDrm = false;
    };
    // DISPLAY names a display that cannot be reached, so that x11 fails wherever the test runs.
    const Case cases[] = {
        {"nothing set", std::nullopt, std::nullopt, "headless", {}},
        {"headless asked for", "headless", ":424242", "headless", {}},
        {"unreachable DISPLAY", std::nullopt, ":424242", "headless", {}},
        {"x11 asked for but unreachable", "x11", ":424242", nullptr, {"CE_DISPLAY=x11", ":424242"}},
        {"unknown driver", "framebuffer", std::nullopt, nullptr, {"framebuffer", "kms"}},
        {"kms asked for without a DRM device",
         "kms",
         std::nullopt,
         nullptr,
         {"CE_DISPLAY=kms", "no DRM device with a connected output"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.onlyWithoutDrm && std::filesystem::exists("/dev/dri")) {
            continue;
        }
        Environment display("CE_DISPLAY", c.display);
        Environment x11("DISPLAY", c.x11);
        std::string error;
        ::testing::internal::CaptureStderr();
        auto driver = CreateDisplayDriver(&error);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the caller tells the reason";
        if (c.driver == nullptr) {
            EXPECT_EQ(driver, nullptr) << "never another driver than the one asked for";
            for (const std::string& word : c.reason) {
                EXPECT_NE(error.find(word), std::string::npos) << error;
            }
            continue;
        }
        ASSERT_NE(driver, nullptr) << error;
        EXPECT_STREQ(driver->Name(), c.driver);
    }
}

TEST(DriverSelection, HeadlessScreenSizeComesFromTheEnvironment) {
    Environment display("CE_DISPLAY", "headless");
    struct Case {
        std::optional<std::string> screen;
        LONG width;
        LONG height;
    };
    const Case cases[] = {{std::nullopt, 272, 480}, {"480x272", 480, 272}, {"junk", 272, 480}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen.value_or("unset"));
        Environment screen("CE_SCREEN", c.screen);
        std::string error;
        ::testing::internal::CaptureStderr();
        auto driver = CreateDisplayDriver(&error);
        ::testing::internal::GetCapturedStderr();
        ASSERT_NE(driver, nullptr) << error;
        EXPECT_EQ(driver->ScreenSize().cx, c.width);
        EXPECT_EQ(driver->ScreenSize().cy, c.height);
    }
}

TEST(RemoteSelection, FollowsTheEnvironment) {
    struct Case {
        std::optional<std::string> remote;   // CE_REMOTE
        std::optional<RemoteChoice> choice;  // none: the value is refused
    };
    const Case cases[] = {
        {std::nullopt, RemoteChoice::kDisplayDriverFirst},
        {"", RemoteChoice::kDisplayDriverFirst},
        {"kernel", RemoteChoice::kKernel},
        {"x11", std::nullopt},
        {"Kernel", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remote.value_or("unset"));
        Environment remote("CE_REMOTE", c.remote);
        std::string error;
        const std::optional<RemoteChoice> choice = RemoteChoiceFromEnvironment(&error);
        EXPECT_EQ(choice, c.choice);
        if (!c.choice) {
            EXPECT_NE(error.find("CE_REMOTE=" + *c.remote), std::string::npos) << error;
            EXPECT_NE(error.find("kernel"), std::string::npos) << "names what it takes: " << error;
        }
    }
}

}  // namespace
}  // namespace ce::drivers
