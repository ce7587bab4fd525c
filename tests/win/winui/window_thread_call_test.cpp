// The call carried to a window's thread: it runs there, and a call that has
// timed out before it began never runs, however late its message comes. A
// posted call runs in its turn without its caller waiting.
#include "winui/WindowThreadCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WINDOW_THREAD_CALL)
        return handleWindowThreadCall(lParam);
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
