// The call carried to a window's thread: it runs there, and a call that has
// timed out before it began never runs, however late its message comes. A
// posted call runs in its turn without its caller waiting. Messages that
// only look like carried calls are ignored.
#include "res/Messages.h"
#include "winui/WindowThreadCall.h"
#include "winui/Wnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (handleWindowThreadCall(hwnd, message, lParam, result))
        return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class WindowThreadCall : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZebCallTest";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, L"ZebCallTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ASSERT_TRUE(window);
    }
    void TearDown() override { DestroyWindow(window); }

    // Handles messages until the worker has ended.
    static void pumpUntil(const std::atomic<bool>& done)
    {
        for (int i = 0; i < 1000 && !done; ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
    }

    // A window of this layer's own classes.
    static HWND makeLayerWindow()
    {
        registerWindowClass<CWnd>(L"ZebCallLayerTest", appInstance());
        return CreateWindowExW(0, L"ZebCallLayerTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               appInstance(), nullptr);
    }

    HWND window = nullptr;
};

// What the caller's stack holds while it waits; kept alive by the test, so
// that a late call is seen rather than undefined.
struct CallerData {
    std::atomic<bool> callerReturned{false};
    std::atomic<bool> ran{false};
    std::atomic<bool> ranAfterReturn{false};
};

}  // namespace

TEST_F(WindowThreadCall, ACallHandledAfterItsTimeoutNeverRuns)
{
    CallerData data;
    bool result = true;
    std::thread worker([&] {
        result = runOnWindowThread(
            window,
            [&] {
                data.ran = true;
                data.ranAfterReturn = data.callerReturned.load();
            },
            100);
        data.callerReturned = true;
    });
    worker.join();  // the window's thread answers nothing meanwhile: the call times out
    EXPECT_FALSE(result);

    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
    EXPECT_FALSE(data.ran);
    EXPECT_FALSE(data.ranAfterReturn);
}

TEST_F(WindowThreadCall, ACallBegunBeforeItsTimeoutIsWaitedFor)
{
    std::atomic<bool> finished{false};
    bool result = false;
    bool finishedAtReturn = false;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        result = runOnWindowThread(
            window,
            [&] {
                Sleep(300);
                finished = true;
            },
            50);
        finishedAtReturn = finished.load();
        returned = true;
    });
    pumpUntil(returned);
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(finishedAtReturn);
}

TEST_F(WindowThreadCall, RunsOnTheWindowsThreadAndInlineThere)
{
    const DWORD windowThread = GetCurrentThreadId();
    DWORD ranOn = 0;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        EXPECT_TRUE(runOnWindowThread(window, [&] { ranOn = GetCurrentThreadId(); }, 5000));
        returned = true;
    });
    pumpUntil(returned);
    worker.join();
    EXPECT_EQ(ranOn, windowThread);

    int calls = 0;
    EXPECT_TRUE(runOnWindowThread(window, [&] { ++calls; }, 0));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(runOnWindowThread(nullptr, [&] { ++calls; }, 0));
    EXPECT_EQ(calls, 1);
}

TEST_F(WindowThreadCall, APostedCallOwnsWhatItCarriesAndKeepsItsTurn)
{
    std::vector<int> order;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        // The posted call's state is gone from the worker's stack before it runs.
        {
            auto value = std::make_shared<int>(1);
            EXPECT_TRUE(postToWindowThread(window, [&order, value] { order.push_back(*value); }));
        }
        EXPECT_TRUE(runOnWindowThread(window, [&] { order.push_back(2); }, 5000));
        returned = true;
    });
    pumpUntil(returned);
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(postToWindowThread(nullptr, [] {}));
}

// Any program on the desktop can send a window of the program any message:
// one with the carried call's old number or the browser host's, or the
// carried call's own with a token that was never given out or is already
// used, is survived and ignored, and carried calls still run in their order.
TEST_F(WindowThreadCall, ForgedMessagesAreIgnoredAndCallsKeepTheirOrder)
{
    const HWND layerWindow = makeLayerWindow();
    ASSERT_TRUE(layerWindow);
    std::vector<int> order;
    const auto forge = [&] {
        for (LPARAM junk : {LPARAM(1), LPARAM(0x7FF00010), LPARAM(-1), reinterpret_cast<LPARAM>(&order)}) {
            SendMessageW(layerWindow, WM_APP + 1, 0, junk);
            SendMessageW(layerWindow, WM_USER + 1, 0, junk);
            EXPECT_EQ(SendMessageW(layerWindow, windowThreadCallMessage(), 0, junk), 0);
            PostMessageW(layerWindow, windowThreadCallMessage(), 0, junk);
        }
    };
    forge();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        for (int i = 1; i <= 3; ++i)
            EXPECT_TRUE(postToWindowThread(layerWindow, [&order, i] { order.push_back(i); }));
        EXPECT_TRUE(runOnWindowThread(layerWindow, [&] { order.push_back(4); }, 5000));
        returned = true;
    });
    forge();
    pumpUntil(returned);
    worker.join();
    // Tokens already used are not valid again.
    for (LPARAM token = 0; token < 64; ++token)
        EXPECT_EQ(SendMessageW(layerWindow, windowThreadCallMessage(), 0, token), 0);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(IsWindow(layerWindow));
    DestroyWindow(layerWindow);
}

// A call still carried when its window goes never runs, and its caller
// stops waiting at once.
TEST_F(WindowThreadCall, AWindowThatGoesWithdrawsItsCalls)
{
    const HWND layerWindow = makeLayerWindow();
    ASSERT_TRUE(layerWindow);
    std::atomic<bool> ran{false}, result{true}, returned{false};
    std::thread worker([&] {
        result = runOnWindowThread(layerWindow, [&] { ran = true; }, 10000);
        returned = true;
    });
    Sleep(100);  // the call is carried, not yet taken up
    DestroyWindow(layerWindow);
    for (int i = 0; i < 500 && !returned; ++i)
        Sleep(10);
    EXPECT_TRUE(returned);
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ran);
}
