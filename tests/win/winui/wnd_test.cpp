// The window-class layer under a real dialog: message maps, the modal loop,
// PreTranslateMessage and data exchange.
#include "winui/ToolTip.h"
#include "winui/Wnd.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr UINT testDialog = 200;
constexpr int checkBox = 301, edit = 302, button = 303;
constexpr UINT WM_TEST_STEP = WM_APP + 7;

class TestDialog : public CDialog {
public:
    explicit TestDialog(HWND owner = nullptr) : CDialog(testDialog, owner) {}

    int option = 1;
    std::string text = "涨跌(元)";
    std::vector<std::string> events;
    int relayed = 0;
    std::function<void(TestDialog&)> onInit;

    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_TEST_STEP)
            ++relayed;
        return msg->message == WM_TEST_STEP && msg->wParam == 99;  // swallow step 99
    }

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    void DoDataExchange(DataExchange& dx) override
    {
        ddxCheck(dx, checkBox, option);
        ddxText(dx, edit, text, 20);
    }
    DECLARE_MESSAGE_MAP();

private:
    void onButton() { events.push_back("button"); }
    Reply onButtonFocus()
    {
        events.push_back("focus");
        return Reply::passOn();
    }
    Reply onStep(WPARAM step, LPARAM)
    {
        events.push_back("step " + std::to_string(step));
        if (step == 3)
            EndDialog(42);
        return Reply::handled(5);
    }
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    onCommand<&TestDialog::onButton>(button, BN_CLICKED),
    onCommand<&TestDialog::onButtonFocus>(button, BN_SETFOCUS),
    onMessage<&TestDialog::onStep>(WM_TEST_STEP),
END_MESSAGE_MAP()

TEST(Dialog, ModalLoopDispatchesByMapAndEndsWithTheResult)
{
    TestDialog dlg;
    dlg.onInit = [](TestDialog& d) {
        SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(button, BN_SETFOCUS), 0);
        SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(button + 1, BN_CLICKED), 0);  // not in the map
        EXPECT_EQ(SendMessageW(d.m_hWnd, WM_TEST_STEP, 1, 0), 5);  // the handler's result
        PostMessageW(d.m_hWnd, WM_TEST_STEP, 99, 0);  // swallowed by PreTranslateMessage
        PostMessageW(d.m_hWnd, WM_TEST_STEP, 2, 0);
        PostMessageW(d.m_hWnd, WM_TEST_STEP, 3, 0);  // ends the run
    };
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_EQ(dlg.events, (std::vector<std::string>{"button", "focus", "step 1", "step 2", "step 3"}));
    EXPECT_EQ(dlg.relayed, 3);
    EXPECT_EQ(dlg.m_hWnd, nullptr);  // destroyed when the run ends
}

HWND destroyedOwner;
void CALLBACK destroyOwner(HWND, UINT, UINT_PTR, DWORD)
{
    DestroyWindow(destroyedOwner);
}
void CALLBACK quitRun(HWND, UINT, UINT_PTR, DWORD)
{
    PostQuitMessage(0);
}

TEST(Dialog, ModalRunEndsWhenItsOwnerTakesTheDialogDown)
{
    destroyedOwner =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    TestDialog dlg(destroyedOwner);
    // The owner goes during the run; should the run outlive it, a quit message stops the test.
    const UINT_PTR destroy = SetTimer(nullptr, 0, 50, destroyOwner);
    const UINT_PTR rescue = SetTimer(nullptr, 0, 3000, quitRun);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    KillTimer(nullptr, destroy);
    KillTimer(nullptr, rescue);
    MSG quit;
    EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(Dialog, DataExchangeCarriesChecksAndGb2312Texts)
{
    TestDialog dlg;
    std::string shown;
    int shownCheck = -1;
    dlg.onInit = [&](TestDialog& d) {
        // OnInitDialog put the members into the controls.
        shown = d.GetDlgItem(edit).GetWindowText();
        shownCheck = IsDlgButtonChecked(d.m_hWnd, checkBox);
        // The user edits; OK reads the controls back.
        SetDlgItemTextW(d.m_hWnd, edit, L"\u6052\u751F\u6307\u6570");  // 恒生指数
        CheckDlgButton(d.m_hWnd, checkBox, BST_UNCHECKED);
        PostMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(shown, "涨跌(元)");
    EXPECT_EQ(shownCheck, BST_CHECKED);
    EXPECT_EQ(dlg.text, "恒生指数");
    EXPECT_EQ(dlg.option, 0);
}

TEST(Dialog, CancelEndsWithoutReadingBack)
{
    TestDialog dlg;
    dlg.onInit = [](TestDialog& d) { PostMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.text, "涨跌(元)");  // nothing read back
}

TEST(Text, Gb2312RoundTripsThroughUtf16)
{
    const char* texts[] = {"", "Zeb 1.0.0.2", "涨跌(元)", "刷新(距上次刷新不到 5 秒)"};
    for (const char* t : texts)
        EXPECT_EQ(narrow(widen(t).c_str()), t);
    EXPECT_EQ(widen("涨跌(元)"), L"\u6DA8\u8DCC(\u5143)");
    EXPECT_EQ(widen(static_cast<const char*>(nullptr)), L"");
}

TEST(ToolTip, KeepsItsTextForComparison)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(owner));
    tip.AddTool("Zeb 1.0.0.2");
    EXPECT_EQ(tip.GetText(), "Zeb 1.0.0.2");
    tip.UpdateTipText("刷新");
    EXPECT_EQ(tip.GetText(), "刷新");
    TOOLINFOW ti = {};
    wchar_t buffer[80] = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(owner);
    ti.lpszText = buffer;
    SendMessageW(tip.m_hWnd, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(buffer, L"\u5237\u65B0");
    DestroyWindow(tip.m_hWnd);
    DestroyWindow(owner);
}

}  // namespace

// A window of T's own class, registered as name; null when none could be made.
template <class T>
T* makeWindow(const wchar_t* name)
{
    if (!registerWindowClass<T>(name, appInstance()))
        return nullptr;
    const HWND hwnd =
        CreateWindowExW(0, name, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, appInstance(), nullptr);
    return static_cast<T*>(CWnd::FromHandle(hwnd));
}

class ScalingWindow : public CWnd {
public:
    int dpi = 0;
    const RECT* suggested = nullptr;
    bool placesItself = true;
    int seenByMap = 0;

protected:
    Reply OnDpiChanged(int newDpi, const RECT* rect) override
    {
        dpi = newDpi;
        suggested = rect;
        return placesItself ? Reply::handled() : Reply::passOn();
    }
    DECLARE_MESSAGE_MAP();

private:
    void onDpiMessage() { ++seenByMap; }
};

BEGIN_MESSAGE_MAP(ScalingWindow, CWnd)
    onMessage<&ScalingWindow::onDpiMessage>(WM_DPICHANGED),
END_MESSAGE_MAP()

TEST(Window, AChangeOfScaleReachesTheWindowWithTheSystemsRectangle)
{
    ASSERT_TRUE(registerWindowClass<ScalingWindow>(L"ZebTestScaling", appInstance()));
    HWND hwnd = CreateWindowExW(0, L"ZebTestScaling", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, appInstance(),
                                nullptr);
    ASSERT_TRUE(hwnd);
    auto* w = static_cast<ScalingWindow*>(CWnd::FromHandle(hwnd));
    ASSERT_TRUE(w);
    RECT suggested = {10, 20, 310, 220};
    EXPECT_EQ(SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested)), 0);
    EXPECT_EQ(w->dpi, 144);
    EXPECT_EQ(w->suggested, &suggested);
    EXPECT_EQ(w->seenByMap, 0);
    // A window that does not place itself leaves the message to its map.
    w->placesItself = false;
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w->dpi, 192);
    EXPECT_EQ(w->seenByMap, 1);
    // After its parent's change a window learns its own DPI, without a rectangle.
    SendMessageW(hwnd, WM_DPICHANGED_AFTERPARENT, 0, 0);
    EXPECT_EQ(w->dpi, w->GetDpi());
    EXPECT_EQ(w->suggested, nullptr);
    DestroyWindow(hwnd);
}

// Typed entries hand their handlers the message decoded; a handler that
// passes a message on leaves it to the system.
class TypedWindow : public ScalingWindow {
public:
    std::vector<std::string> seen;
    HDC paintedOn = nullptr;

protected:
    DECLARE_MESSAGE_MAP();

private:
    void onShowKey() { seen.push_back("hot key"); }
    Reply onPosition(WINDOWPOS& pos)
    {
        pos.cx = 77;  // a change still to come can be altered
        return Reply::passOn();
    }
    Reply onColour(HDC dc, HWND control)
    {
        seen.push_back(dc == reinterpret_cast<HDC>(3) && control == m_hWnd ? "colour" : "colour?");
        return Reply::handled(9);
    }
    Reply onOwn(WPARAM wParam, LPARAM lParam)
    {
        if (wParam != 1)
            return Reply::passOn();
        seen.push_back("own " + std::to_string(lParam));
        return Reply::handled(lParam + 1);
    }
    void painted(HDC dc, const RECT&) { paintedOn = dc; }
};

BEGIN_MESSAGE_MAP(TypedWindow, ScalingWindow)
    onHotKey<&TypedWindow::onShowKey>(7),
    onWindowPos<&TypedWindow::onPosition>(WM_WINDOWPOSCHANGING),
    onCtlColor<&TypedWindow::onColour>(WM_CTLCOLORSTATIC),
    onMessage<&TypedWindow::onOwn>(WM_DPICHANGED),
    onPaint<&TypedWindow::painted>(),
END_MESSAGE_MAP()

TEST(Window, TypedEntriesDecodeTheirMessagesAndPassOn)
{
    auto* w = makeWindow<TypedWindow>(L"ZebTestTyped");
    ASSERT_TRUE(w);
    const HWND hwnd = w->m_hWnd;
    w->placesItself = false;
    SendMessageW(hwnd, WM_HOTKEY, 7, 0);
    SendMessageW(hwnd, WM_HOTKEY, 8, 0);  // another hot key: not this entry's
    EXPECT_EQ(SendMessageW(hwnd, WM_CTLCOLORSTATIC, 3, reinterpret_cast<LPARAM>(hwnd)), 9);
    EXPECT_EQ(SendMessageW(hwnd, WM_DPICHANGED, 1, 41), 42);
    EXPECT_EQ(SendMessageW(hwnd, WM_DPICHANGED, 2, 41), 0);  // passed on: the system's answer
    EXPECT_EQ(w->seenByMap, 0);  // the first entry that takes a message is the only one asked
    SetWindowPos(hwnd, nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 77);
    ShowWindow(hwnd, SW_SHOWNA);
    UpdateWindow(hwnd);
    EXPECT_NE(w->paintedOn, nullptr);
    EXPECT_EQ(w->seen, (std::vector<std::string>{"hot key", "colour", "own 41"}));
    DestroyWindow(hwnd);
}
