// BrevantaClient as a whole on the headless screen, driven through the control socket. Each test
// process has a network namespace of its own with only loopback, so the discovery broadcasts
// every second go nowhere.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "client_under_test.h"
#include "wait_until.h"

#include <windows.h>

namespace {

using namespace std::chrono_literals;
using brevanta::test::ClientUnderTest;
using brevanta::test::Screenshot;

constexpr char kMainBackground[] = BREVANTA_CLIENT_RES "/main_background.bmp";
constexpr char kKeypadBackground[] = BREVANTA_CLIENT_RES "/keypad_background.bmp";

bool AddressShown(const Screenshot& screen) {
    return screen.CountBright(99, 228, 219, 244) > 20;
}

TEST(ClientHeadless, StartsFullScreenWithItsArtworkAndQuitsFromTheQuitZone) {
    ClientUnderTest client;
    ASSERT_TRUE(client.StartHeadless());
    ASSERT_TRUE(client.WaitForWindowCount(1));
    const auto windows = client.Windows();
    EXPECT_EQ(windows[0].className, "#32770");
    EXPECT_EQ(windows[0].left, 0);
    EXPECT_EQ(windows[0].top, 0);
    EXPECT_EQ(windows[0].right, 272);
    EXPECT_EQ(windows[0].bottom, 480);

    ASSERT_TRUE(client.WaitForScreen([](const Screenshot& screen) {
        return screen.At(60, 136) == brevanta::test::BackgroundPixel(kMainBackground, 60, 136);
    }));
    const auto screen = client.Screen();
    ASSERT_TRUE(screen);
    for (auto [x, y] :
         {std::pair{5, 5}, {134, 136}, {134, 210}, {134, 296}, {60, 392}, {200, 470}}) {
        EXPECT_EQ(screen->At(x, y), brevanta::test::BackgroundPixel(kMainBackground, x, y))
            << x << "," << y;
    }
    EXPECT_FALSE(AddressShown(*screen)) << "no address yet";
    EXPECT_EQ(screen->CountBright(120, 388, 252, 400), 0) << "no record yet";

    // Enter and Escape never close the main screen.
    ASSERT_TRUE(client.Key(VK_RETURN, 13));
    ASSERT_TRUE(client.Key(VK_ESCAPE, 27));
    ASSERT_TRUE(client.Tap(134, 180));  // between the zones
    ASSERT_TRUE(client.Tap(20, 300));   // left of the quit zone
    EXPECT_EQ(client.Windows().size(), 1u);
    EXPECT_TRUE(client.Running());

    ASSERT_TRUE(client.Tap(134, 296));
    EXPECT_EQ(client.WaitForExit(10s), 0);
}

TEST(ClientHeadless, ProvisionedDeviceQuitsAtOnce) {
    ClientUnderTest client;
    client.WriteRecord("2011/03/04 05:06,512");
    ASSERT_TRUE(client.StartHeadless());
    EXPECT_EQ(client.WaitForExit(10s), 0);
    EXPECT_EQ(client.Record().value_or(""), "2011/03/04 05:06,512") << "left as it was";
}

TEST(ClientHeadless, RecordWithoutACommaLetsItRunAndShowsNoFields) {
    ClientUnderTest client;
    client.WriteRecord("not a record");
    ASSERT_TRUE(client.StartHeadless());
    ASSERT_TRUE(client.WaitForWindowCount(1));
    ASSERT_TRUE(client.WaitForScreen([](const Screenshot& screen) {
        return screen.At(60, 136) == brevanta::test::BackgroundPixel(kMainBackground, 60, 136);
    }));
    const auto screen = client.Screen();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->CountBright(120, 388, 252, 400), 0);
    EXPECT_EQ(screen->CountBright(120, 418, 252, 430), 0);
    EXPECT_TRUE(client.Running());
}

class KeypadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_client.StartHeadless());
        ASSERT_TRUE(m_client.WaitForWindowCount(1));
        ASSERT_TRUE(m_client.Tap(134, 210));
        ASSERT_TRUE(m_client.WaitForWindowCount(2));
        m_keypad = m_client.Windows()[0].id;
    }

    // The centre of a key of the grid.
    void TapKey(char key) {
        const std::string keys = "789456123.0";
        int index = key == '0' ? 9 : key == '.' ? 10 : static_cast<int>(keys.find(key));
        ASSERT_GE(index, 0);
        ASSERT_TRUE(m_client.Tap(56 + (index % 3) * 80, 168 + (index / 3) * 80));
    }
    void Type(const std::string& text) {
        for (char c : text) {
            TapKey(c);
        }
    }
    std::string EditText() {
        for (const auto& child : m_client.Children(m_keypad)) {
            if (child.className == "EDIT") {
                return child.text;
            }
        }
        return "<no edit box>";
    }

    ClientUnderTest m_client;
    std::uint64_t m_keypad = 0;
};

TEST_F(KeypadTest, ShowsItsArtworkAndTheEditBoxOnIt) {
    ASSERT_TRUE(m_client.WaitForScreen([](const Screenshot& screen) {
        return screen.At(56, 150) == brevanta::test::BackgroundPixel(kKeypadBackground, 56, 150);
    }));
    const auto children = m_client.Children(m_keypad);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].className, "EDIT");
    EXPECT_EQ(children[0].left, 15);
    EXPECT_EQ(children[0].top, 73);
    EXPECT_EQ(children[0].right, 15 + 194);
    EXPECT_EQ(children[0].bottom, 73 + 37);
}

TEST_F(KeypadTest, TypedAddressIsAcceptedAndShownOnTheMainScreen) {
    Type("10.0.0.7");
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return EditText() == "10.0.0.7"; })) << EditText();
    // Backspace and a wrong address that the enter key ignores.
    ASSERT_TRUE(m_client.Tap(237, 91));
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return EditText() == "10.0.0."; }));
    ASSERT_TRUE(m_client.Tap(216, 408));  // OK with "10.0.0.": nothing happens
    TapKey('8');
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return EditText() == "10.0.0.8"; }));
    EXPECT_EQ(m_client.Windows().size(), 2u) << "an invalid address keeps the keypad open";

    ASSERT_TRUE(m_client.Tap(216, 408));
    ASSERT_TRUE(m_client.WaitForWindowCount(1));
    EXPECT_TRUE(m_client.WaitForScreen(AddressShown));
}

TEST_F(KeypadTest, EscapeLeavesTheAddressAsItWas) {
    Type("1.2.3.4");
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return EditText() == "1.2.3.4"; }));
    ASSERT_TRUE(m_client.Key(VK_ESCAPE, 27));
    ASSERT_TRUE(m_client.WaitForWindowCount(1));
    const auto screen = m_client.Screen();
    ASSERT_TRUE(screen);
    EXPECT_FALSE(AddressShown(*screen));
}

TEST_F(KeypadTest, EnterClosesWithoutTheCheck) {
    Type("1.2");
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return EditText() == "1.2"; }));
    ASSERT_TRUE(m_client.Key(VK_RETURN, 13));
    ASSERT_TRUE(m_client.WaitForWindowCount(1));
    // The keypad's OK through Enter keeps the address that was there (none).
    const auto screen = m_client.Screen();
    ASSERT_TRUE(screen);
    EXPECT_FALSE(AddressShown(*screen));
}

}  // namespace
