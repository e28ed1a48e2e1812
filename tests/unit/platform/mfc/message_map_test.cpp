// Message maps on a subclassed window: lookup order, parameter cracking, Default(), lifetime.
#include <string>
#include <vector>

#include "mfc_test.h"

namespace ce::mfc::test {
namespace {

constexpr UINT kAppMessage = WM_APP + 1;
constexpr UINT kCommandId = 7;

LPARAM PointParam(int x, int y) {
    return MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y));
}

class BaseWnd : public CWnd {
public:
    std::vector<std::string> m_calls;
    UINT m_flags = 0;
    CPoint m_point;
    UINT_PTR m_timerId = 0;

protected:
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point) {
        m_calls.push_back("base down");
        m_flags = nFlags;
        m_point = point;
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent) {
        m_calls.push_back("base timer");
        m_timerId = nIDEvent;
    }
    afx_msg LRESULT OnAppMessage(WPARAM wParam, LPARAM lParam) {
        m_calls.push_back("base app");
        return static_cast<LRESULT>(wParam) + lParam;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
ON_WM_LBUTTONDOWN()
ON_WM_TIMER()
ON_MESSAGE(kAppMessage, &BaseWnd::OnAppMessage)
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
public:
    struct Activation {
        UINT state;
        CWnd* other;
        BOOL minimized;
    };
    std::vector<Activation> m_activations;
    int m_cx = 0;
    int m_cy = 0;
    bool m_destroyed = false;

private:
    // Private handlers are reachable from the class's own map.
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point) {
        m_calls.push_back("derived down");
        m_flags = nFlags;
        m_point = point;
        Default();
    }
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
        m_activations.push_back({nState, pWndOther, bMinimized});
        CWnd::OnActivate(nState, pWndOther, bMinimized);
    }
    afx_msg void OnSize(UINT, int cx, int cy) {
        m_cx = cx;
        m_cy = cy;
    }
    afx_msg void OnDestroy() {
        m_destroyed = true;
        CWnd::OnDestroy();
    }
    afx_msg void OnCommandSeven() { m_calls.push_back("command"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
ON_WM_LBUTTONDOWN()
ON_WM_ACTIVATE()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_COMMAND(kCommandId, &DerivedWnd::OnCommandSeven)
END_MESSAGE_MAP()

class MfcMessageMapTest : public MfcTest {
protected:
    MfcMessageMapTest() {
        m_window = MakePlainWindow();
        EXPECT_TRUE(m_wnd.SubclassWindow(m_window));
    }

    HWND m_window = nullptr;
    DerivedWnd m_wnd;
};

TEST_F(MfcMessageMapTest, TheClassMapComesFirstAndDefaultReachesTheOriginalProcedure) {
    const LPARAM point = PointParam(-5, 7);
    SendMessageW(m_window, WM_LBUTTONDOWN, MK_LBUTTON, point);

    EXPECT_EQ(m_wnd.m_calls, std::vector<std::string>{"derived down"});
    EXPECT_EQ(m_wnd.m_flags, MK_LBUTTON);
    EXPECT_EQ(m_wnd.m_point, CPoint(-5, 7));
    EXPECT_EQ(LogOf(WM_LBUTTONDOWN), (std::vector<Logged>{{WM_LBUTTONDOWN, MK_LBUTTON, point}}));
}

TEST_F(MfcMessageMapTest, BaseMapsHandleWhatTheClassMapLacksAndTheRestGoesToTheWindow) {
    SendMessageW(m_window, WM_TIMER, 42, 0);
    EXPECT_EQ(m_wnd.m_timerId, 42u);
    EXPECT_EQ(SendMessageW(m_window, kAppMessage, 30, 12), 42);
    EXPECT_TRUE(LogOf(WM_TIMER).empty());
    EXPECT_TRUE(LogOf(kAppMessage).empty());

    SendMessageW(m_window, WM_MOUSEMOVE, 0, PointParam(1, 2));
    EXPECT_EQ(LogOf(WM_MOUSEMOVE).size(), 1u);
    EXPECT_EQ(m_wnd.m_calls, (std::vector<std::string>{"base timer", "base app"}));
}

TEST_F(MfcMessageMapTest, HandlersGetTheirParametersTakenApart) {
    const HWND other = MakePlainWindow();
    // Each send is checked by the first activation it reports: the default processing may
    // activate windows in turn.
    m_wnd.m_activations.clear();
    const std::size_t logged = LogOf(WM_ACTIVATE).size();
    SendMessageW(m_window, WM_ACTIVATE, MAKELONG(WA_CLICKACTIVE, 1),
                 reinterpret_cast<LPARAM>(other));
    ASSERT_FALSE(m_wnd.m_activations.empty());
    EXPECT_EQ(m_wnd.m_activations[0].state, static_cast<UINT>(WA_CLICKACTIVE));
    EXPECT_TRUE(m_wnd.m_activations[0].minimized);
    ASSERT_NE(m_wnd.m_activations[0].other, nullptr);
    EXPECT_EQ(m_wnd.m_activations[0].other->m_hWnd, other);
    // The base handler's Default() passed the message on.
    ASSERT_GT(LogOf(WM_ACTIVATE).size(), logged);
    EXPECT_EQ(LogOf(WM_ACTIVATE)[logged].m_wParam,
              static_cast<WPARAM>(MAKELONG(WA_CLICKACTIVE, 1)));

    m_wnd.m_activations.clear();
    SendMessageW(m_window, WM_ACTIVATE, WA_INACTIVE, 0);
    ASSERT_FALSE(m_wnd.m_activations.empty());
    EXPECT_EQ(m_wnd.m_activations[0].state, static_cast<UINT>(WA_INACTIVE));
    EXPECT_FALSE(m_wnd.m_activations[0].minimized);
    EXPECT_EQ(m_wnd.m_activations[0].other, nullptr);

    SendMessageW(m_window, WM_SIZE, SIZE_RESTORED, MAKELONG(272, 480));
    EXPECT_EQ(m_wnd.m_cx, 272);
    EXPECT_EQ(m_wnd.m_cy, 480);
}

TEST_F(MfcMessageMapTest, CommandEntriesMatchTheIdOfClicksOnly) {
    struct Case {
        WPARAM wParam;
        bool handled;
    };
    const Case cases[] = {
        {MAKELONG(kCommandId, BN_CLICKED), true},
        {MAKELONG(kCommandId, 1), true},
        {MAKELONG(kCommandId, EN_CHANGE), false},
        {MAKELONG(kCommandId + 1, BN_CLICKED), false},
    };
    for (const Case& c : cases) {
        m_wnd.m_calls.clear();
        const std::size_t before = LogOf(WM_COMMAND).size();
        SendMessageW(m_window, WM_COMMAND, c.wParam, 0);
        EXPECT_EQ(m_wnd.m_calls.size(), c.handled ? 1u : 0u) << std::hex << c.wParam;
        EXPECT_EQ(LogOf(WM_COMMAND).size() - before, c.handled ? 0u : 1u) << std::hex << c.wParam;
    }
}

TEST_F(MfcMessageMapTest, TheObjectLetsGoOfItsWindowWhenTheWindowIsDestroyed) {
    EXPECT_EQ(CWnd::FromHandlePermanent(m_window), &m_wnd);
    EXPECT_EQ(CWnd::FromHandle(m_window), &m_wnd);

    EXPECT_TRUE(m_wnd.DestroyWindow());
    EXPECT_TRUE(m_wnd.m_destroyed);
    EXPECT_EQ(m_wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(m_window), nullptr);
    EXPECT_EQ(LogOf(WM_NCDESTROY).size(), 1u);
}

TEST_F(MfcMessageMapTest, ForeignWindowsGetOneTemporaryWrapperEach) {
    const HWND foreign = MakePlainWindow();
    CWnd* wrapper = CWnd::FromHandle(foreign);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->m_hWnd, foreign);
    EXPECT_EQ(CWnd::FromHandle(foreign), wrapper);
    EXPECT_EQ(CWnd::FromHandlePermanent(foreign), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    // A wrapper neither subclasses nor destroys: messages still go to the window's procedure.
    SendMessageW(foreign, WM_LBUTTONDOWN, 0, 0);
    EXPECT_TRUE(m_wnd.m_calls.empty());
    EXPECT_EQ(LogOf(WM_LBUTTONDOWN).size(), 1u);
}

class PaintingWnd : public CWnd {
public:
    COLORREF m_color = RGB(255, 255, 255);
    int m_paints = 0;
    DWORD m_dcType = 0;
    RECT m_paintRect{};

protected:
    afx_msg void OnPaint() {
        CPaintDC dc(this);
        ++m_paints;
        m_dcType = GetObjectType(dc.GetSafeHdc());
        m_paintRect = dc.m_ps.rcPaint;
        dc.FillSolidRect(&dc.m_ps.rcPaint, m_color);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PaintingWnd, CWnd)
ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(MfcTest, APaintDcPaintsAndValidatesTheUpdateRegion) {
    PaintingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(MakePlainWindow()));
    wnd.UpdateWindow();
    const int paintsBefore = wnd.m_paints;

    const CRect part(2, 3, 12, 13);
    wnd.m_color = RGB(255, 0, 0);
    wnd.InvalidateRect(part, FALSE);
    wnd.UpdateWindow();

    EXPECT_EQ(wnd.m_paints, paintsBefore + 1);
    EXPECT_EQ(wnd.m_dcType, static_cast<DWORD>(OBJ_DC));
    EXPECT_EQ(CRect(wnd.m_paintRect), part);
    RECT pending{};
    EXPECT_FALSE(GetUpdateRect(wnd.m_hWnd, &pending, FALSE));
    EXPECT_TRUE(LogOf(WM_PAINT).empty());

    const HDC dc = GetDC(wnd.m_hWnd);
    EXPECT_EQ(GetPixel(dc, 2, 3), RGB(255, 0, 0));
    EXPECT_NE(GetPixel(dc, 1, 3), RGB(255, 0, 0));
    ReleaseDC(wnd.m_hWnd, dc);
}

}  // namespace
}  // namespace ce::mfc::test
