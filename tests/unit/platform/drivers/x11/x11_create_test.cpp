// CreateX11Driver declines, with a reason, what it cannot drive.
#include "x11_test_fixture.h"

#include <cstdlib>

#include "drivers/x11/x11_driver.h"

namespace ce::drivers::x11::test {
namespace {

TEST(X11CreateTest, ReturnsNullWithAReason) {
    std::string error;
    unsetenv("DISPLAY");
    EXPECT_EQ(CreateX11Driver(&error), nullptr);
    EXPECT_NE(error.find("DISPLAY"), std::string::npos) << error;

    error.clear();
    setenv("DISPLAY", ":64999", 1);
    EXPECT_EQ(CreateX11Driver(&error), nullptr);
    EXPECT_NE(error.find(":64999"), std::string::npos) << error;

    brevanta::test::XvfbProcess paletted;
    ASSERT_TRUE(paletted.Start(272, 480, 8, &error)) << error;
    setenv("DISPLAY", paletted.DisplayName().c_str(), 1);
    error.clear();
    EXPECT_EQ(CreateX11Driver(&error), nullptr);
    EXPECT_NE(error.find("visual"), std::string::npos) << error;
}

}  // namespace
}  // namespace ce::drivers::x11::test
