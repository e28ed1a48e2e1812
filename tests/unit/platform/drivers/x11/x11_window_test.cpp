// The X windows themselves: stacking, the texts other processes find them by, cursors.
#include "x11_test_fixture.h"

#include <string>
#include <vector>

#include "wait_until.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace ce::drivers::x11::test {
namespace {

class X11WindowTest : public X11DriverTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartServer(16)); }

    // The driver's windows among the root's children, bottom first, by title.
    std::vector<std::string> StackBottomFirst() {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::vector<std::string> titles;
        XQueryTree(m_probe, DefaultRootWindow(m_probe), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            if (XFetchName(m_probe, children[i], &name) != 0 && name != nullptr) {
                titles.emplace_back(name);
                XFree(name);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return titles;
    }

    struct Property {
        Atom type = 0;
        std::string bytes;
    };
    Property ReadProperty(Window window, const char* name) {
        Property property;
        int format = 0;
        unsigned long count = 0;
        unsigned long left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_probe, window, XInternAtom(m_probe, name, False), 0, 1024, False,
                               AnyPropertyType, &property.type, &format, &count, &left,
                               &data) == Success &&
            data != nullptr) {
            property.bytes.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
        }
        return property;
    }
};

TEST_F(X11WindowTest, RestackAppliesTheOrder) {
    auto surface = std::make_shared<gdi::Surface>(50, 50);
    m_driver->UpdateWindow(MakeWindow(1, {0, 0, 50, 50}, u"a"), surface);
    m_driver->UpdateWindow(MakeWindow(2, {20, 20, 70, 70}, u"b"), surface);
    m_driver->UpdateWindow(MakeWindow(3, {40, 40, 90, 90}, u"c"), surface);

    struct Case {
        std::vector<WindowId> topFirst;
        std::vector<std::string> bottomFirst;
    };
    const Case cases[] = {
        {{3, 1, 2}, {"b", "a", "c"}},
        {{2, 3, 1}, {"a", "c", "b"}},
        {{1, 2, 3}, {"c", "b", "a"}},
    };
    for (const Case& c : cases) {
        m_driver->Restack(c.topFirst);
        EXPECT_TRUE(brevanta::test::WaitUntil([&] { return StackBottomFirst() == c.bottomFirst; }))
            << "top first: " << c.topFirst[0] << c.topFirst[1] << c.topFirst[2];
    }
}

TEST_F(X11WindowTest, TextsAreSetAndFollowChanges) {
    struct Case {
        std::u16string className;
        std::u16string title;
        std::string utf8Class;
        const char* wmNameType;
        std::string wmName;  // bytes of WM_NAME
        std::string netWmName;
    };
    const Case cases[] = {
        {u"Dialog", u"Brevanta", "Dialog", "STRING", "Brevanta", "Brevanta"},
        {u"TavrelinMain", u"Z\u00fcrich", "TavrelinMain", "STRING", "Z\xfcrich", "Z\xc3\xbcrich"},
        {u"Dialog", u"\u0416\u20ac", "Dialog", "UTF8_STRING", "\xd0\x96\xe2\x82\xac",
         "\xd0\x96\xe2\x82\xac"},
        {u"", u"", "", "STRING", "", ""},
    };
    auto surface = std::make_shared<gdi::Surface>(10, 10);
    m_driver->UpdateWindow(MakeWindow(7, {0, 0, 10, 10}, u"first", u"First"), surface);
    const Window window = FindXWindow("first");
    ASSERT_NE(window, 0u);
    for (const Case& c : cases) {
        m_driver->UpdateWindow(MakeWindow(7, {0, 0, 10, 10}, c.title, c.className), surface);
        ASSERT_TRUE(brevanta::test::WaitUntil([&] {
            return ReadProperty(window, "_NET_WM_NAME").bytes == c.netWmName;
        })) << c.netWmName;
        XClassHint hint{};
        ASSERT_NE(XGetClassHint(m_probe, window, &hint), 0);
        EXPECT_EQ(std::string(hint.res_name), c.utf8Class);
        EXPECT_EQ(std::string(hint.res_class), c.utf8Class);
        XFree(hint.res_name);
        XFree(hint.res_class);
        const Property wmName = ReadProperty(window, "WM_NAME");
        EXPECT_EQ(wmName.type, XInternAtom(m_probe, c.wmNameType, False)) << c.netWmName;
        EXPECT_EQ(wmName.bytes, c.wmName);
    }
}

TEST_F(X11WindowTest, CursorShapesApplyToOldAndNewWindows) {
    PatternSurface shown(20, 20, 5);
    m_driver->UpdateWindow(MakeWindow(1, {0, 0, 20, 20}, u"old"), shown.surface);
    for (CursorShape shape :
         {CursorShape::kWait, CursorShape::kNone, CursorShape::kArrow, CursorShape::kWait}) {
        m_driver->SetCursor(shape);
    }
    m_driver->UpdateWindow(MakeWindow(2, {30, 0, 50, 20}, u"new"), shown.surface);
    m_driver->Present(2, shown.surface->Bounds());
    EXPECT_TRUE(WaitUntilScreenShows({30, 0, 50, 20}, *shown.surface));
    EXPECT_NE(FindXWindow("old"), 0u);
}

}  // namespace
}  // namespace ce::drivers::x11::test
