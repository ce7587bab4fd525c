#include "winui/WindowThreadCall.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

// Shared by the caller and the message: whoever ends last frees it.
struct CarriedCall {
    enum State { pending, running, finished, withdrawn };

    explicit CarriedCall(const std::function<void()>& f) : f(f) {}

    const std::function<void()>& f;  // on the caller's stack: touched only while it waits
    std::atomic<int> state{pending};
    std::mutex mutex;
    std::condition_variable done;
};

}  // namespace

LRESULT handleWindowThreadCall(LPARAM lParam)
{
    std::unique_ptr<std::shared_ptr<CarriedCall>> message(reinterpret_cast<std::shared_ptr<CarriedCall>*>(lParam));
    CarriedCall& call = **message;
    int expected = CarriedCall::pending;
    if (!call.state.compare_exchange_strong(expected, CarriedCall::running))
        return 0;  // withdrawn: its caller has gone on
    try {
        call.f();
    } catch (...) {
    }
    {
        std::lock_guard<std::mutex> lock(call.mutex);
        call.state = CarriedCall::finished;
    }
    call.done.notify_all();
    return 1;
}

bool runOnWindowThread(HWND window, const std::function<void()>& f, DWORD timeoutMs)
{
    if (!IsWindow(window))
        return false;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        f();
        return true;
    }
    auto call = std::make_shared<CarriedCall>(f);
    // The message owns one reference; a message that is never handled
    // (its window destroyed meanwhile) keeps its small state for good.
    auto* message = new std::shared_ptr<CarriedCall>(call);
    if (!PostMessageW(window, WM_WINDOW_THREAD_CALL, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return false;
    }
    std::unique_lock<std::mutex> lock(call->mutex);
    auto finished = [&] { return call->state.load() == CarriedCall::finished; };
    if (call->done.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished))
        return true;
    int expected = CarriedCall::pending;
    if (call->state.compare_exchange_strong(expected, CarriedCall::withdrawn))
        return false;
    // Begun on the window's thread: it refers to this stack, so wait it out.
    call->done.wait(lock, finished);
    return true;
}

bool postToWindowThread(HWND window, std::function<void()> f)
{
    if (!IsWindow(window))
        return false;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        f();
        return true;
    }
    // Nobody waits: the message owns the function it carries.
    struct OwnedCall {
        explicit OwnedCall(std::function<void()> g) : f(std::move(g)) {}
        std::function<void()> f;
        CarriedCall call{f};
    };
    auto owned = std::make_shared<OwnedCall>(std::move(f));
    auto* message = new std::shared_ptr<CarriedCall>(owned, &owned->call);
    if (!PostMessageW(window, WM_WINDOW_THREAD_CALL, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return false;
    }
    return true;
}

void runPendingWindowThreadCalls()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_WINDOW_THREAD_CALL, WM_WINDOW_THREAD_CALL, PM_REMOVE))
        DispatchMessageW(&msg);
}
