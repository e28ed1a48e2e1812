// CDialog::DoModal through the dialog manager: initialisation, endings from handlers and keys,
// nested modal dialogs, and the quit request.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ce/resources.h"
#include "mfc_test.h"

namespace ce::mfc::test {
namespace {

constexpr UINT kDialogId = 300;
constexpr int kEditId = 1000;
constexpr UINT kActMessage = WM_APP + 2;
// A test whose modal runs do not end in time gets this quit request from its deadline.
constexpr int kDeadlineQuit = 99;

const ce::DialogItem kItems[] = {
    {TEXT("EDIT"), TEXT(""), kEditId,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 10, 10, 60, 14},
};
const ce::DialogTemplate kTemplate{
    WS_POPUP | WS_VISIBLE | DS_SETFONT, 0, 0, 0, 130, 90, TEXT(""), TEXT("Tahoma"), 9, kItems};
const ce::DialogResource kDialogs[] = {{kDialogId, &kTemplate}};
const ce::ResourceTable kResources{kDialogs, {}, {}, {}};

class TestDialog : public CDialog {
public:
    using Hook = std::function<void(TestDialog&)>;

    explicit TestDialog(CWnd* parent = nullptr) : CDialog(kDialogId, parent) {}

    Hook m_onInit;
    Hook m_onAct;
    int m_initCalls = 0;
    int m_exchanges = 0;
    HWND m_windowAtInit = nullptr;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ++m_initCalls;
        m_windowAtInit = m_hWnd;
        if (m_onInit) {
            m_onInit(*this);
        }
        return TRUE;
    }
    void Act() { PostMessage(kActMessage); }
    void End(int result) { EndDialog(result); }

protected:
    void DoDataExchange(CDataExchange*) override { ++m_exchanges; }

    afx_msg LRESULT OnAct(WPARAM, LPARAM) {
        if (m_onAct) {
            m_onAct(*this);
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_MESSAGE(kActMessage, &TestDialog::OnAct)
END_MESSAGE_MAP()

// Ends the test thread's modal runs with a quit request when the test has not finished in time,
// so that a dialog that never ends fails its test instead of hanging it.
class Deadline {
public:
    explicit Deadline(std::chrono::seconds limit)
        : m_thread([this, limit, threadId = GetCurrentThreadId()] {
              std::unique_lock lock(m_mutex);
              if (!m_ended.wait_for(lock, limit, [this] { return m_finished; })) {
                  PostThreadMessageW(threadId, WM_QUIT, kDeadlineQuit, 0);
              }
          }) {}
    ~Deadline() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_ended.notify_all();
        m_thread.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_finished = false;
    std::thread m_thread;
};

class MfcDialogTest : public MfcTest {
protected:
    ce::ResourceRegistration m_resources{kResources};
    Deadline m_deadline{std::chrono::seconds(10)};
};

TEST_F(MfcDialogTest, AHandlerEndsTheModalRunAndTheObjectLetsGoOfTheWindow) {
    TestDialog dialog;
    dialog.m_onInit = [](TestDialog& self) { self.Act(); };
    dialog.m_onAct = [](TestDialog& self) { self.End(IDOK); };

    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_initCalls, 1);
    EXPECT_NE(dialog.m_windowAtInit, nullptr);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(dialog.m_windowAtInit));
    EXPECT_EQ(CWnd::FromHandlePermanent(dialog.m_windowAtInit), nullptr);
}

TEST_F(MfcDialogTest, EnterAndEscapeReachOnOkAndOnCancel) {
    struct Case {
        UINT key;
        INT_PTR result;
        int exchanges;  // OnInitDialog exchanges once, OnOK once more
    };
    for (const Case& c : {Case{VK_ESCAPE, IDCANCEL, 1}, Case{VK_RETURN, IDOK, 2}}) {
        TestDialog dialog;
        dialog.m_onInit = [&c](TestDialog& self) {
            PostMessageW(GetDlgItem(self.m_hWnd, kEditId), WM_KEYDOWN, c.key, 0);
        };
        EXPECT_EQ(dialog.DoModal(), c.result) << "key " << c.key;
        EXPECT_EQ(dialog.m_exchanges, c.exchanges) << "key " << c.key;
    }
}

TEST_F(MfcDialogTest, ADialogOpenedFromAHandlerRunsNestedAndIsOwnedByTheMainWindow) {
    CWinApp app(TEXT("MfcDialogTest"));
    TestDialog outer;
    app.m_pMainWnd = &outer;
    INT_PTR innerResult = 0;
    HWND innerOwner = nullptr;
    BOOL outerEnabledDuringInner = TRUE;
    BOOL outerEnabledAfterInner = FALSE;

    outer.m_onInit = [](TestDialog& self) { self.Act(); };
    outer.m_onAct = [&](TestDialog& self) {
        TestDialog inner;
        inner.m_onInit = [](TestDialog& innerSelf) { innerSelf.Act(); };
        inner.m_onAct = [&](TestDialog& innerSelf) {
            innerOwner = GetParent(innerSelf.m_hWnd);
            outerEnabledDuringInner = IsWindowEnabled(self.m_hWnd);
            innerSelf.End(IDOK);
        };
        innerResult = inner.DoModal();
        outerEnabledAfterInner = IsWindowEnabled(self.m_hWnd);
        self.End(7);
    };

    EXPECT_EQ(outer.DoModal(), 7);
    EXPECT_EQ(innerResult, IDOK);
    EXPECT_EQ(innerOwner, outer.m_windowAtInit);
    EXPECT_FALSE(outerEnabledDuringInner);
    EXPECT_TRUE(outerEnabledAfterInner);
    EXPECT_EQ(outer.m_hWnd, nullptr);
}

TEST_F(MfcDialogTest, AQuitRequestEndsTheModalRunAndStaysQueued) {
    TestDialog dialog;
    dialog.m_onInit = [](TestDialog&) { PostQuitMessage(3); };

    dialog.DoModal();
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
}

}  // namespace
}  // namespace ce::mfc::test
