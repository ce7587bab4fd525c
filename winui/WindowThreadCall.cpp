#include "winui/WindowThreadCall.h"

#include "res/Messages.h"
#include "winui/Trace.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// One carried call, shared by its caller and the table.
struct CarriedCall {
    enum State { pending, running, finished, withdrawn };

    HWND window;
    std::function<void()> owned;     // a posted call's own function
    const std::function<void()>* f;  // owned, or on the waiting caller's stack
    State state = pending;           // under the table's lock
    std::condition_variable done;
};

// The calls carried and not yet taken up, by token. Tokens only grow, so a
// token once used is never valid again.
std::mutex tableLock;
std::map<LPARAM, std::shared_ptr<CarriedCall>> table;
LPARAM lastToken = 0;

bool carry(const std::shared_ptr<CarriedCall>& call, LPARAM& token)
{
    {
        std::lock_guard<std::mutex> lock(tableLock);
        token = ++lastToken;
        table.emplace(token, call);
    }
    if (PostMessageW(call->window, windowThreadCallMessage(), 0, token))
        return true;
    std::lock_guard<std::mutex> lock(tableLock);
    table.erase(token);
    return false;
}

bool onWindowsThread(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

}  // namespace

bool handleWindowThreadCall(HWND window, UINT message, LPARAM lParam, LRESULT& result)
{
    if (message != windowThreadCallMessage())
        return false;
    result = 0;
    std::shared_ptr<CarriedCall> call;
    {
        std::lock_guard<std::mutex> lock(tableLock);
        const auto found = table.find(lParam);
        if (found == table.end() || found->second->window != window)
            return true;  // not a call carried to this window
        // A withdrawn call has left the table: what is found still waits.
        call = std::move(found->second);
        table.erase(found);
        call->state = CarriedCall::running;
    }
    try {
        (*call->f)();
    } catch (...) {
        trace("a call carried to the window's thread ended by an exception");
    }
    {
        std::lock_guard<std::mutex> lock(tableLock);
        call->state = CarriedCall::finished;
    }
    call->done.notify_all();
    result = 1;
    return true;
}

void dropWindowThreadCalls(HWND window)
{
    std::vector<std::shared_ptr<CarriedCall>> dropped;  // their functions go after the lock
    std::lock_guard<std::mutex> lock(tableLock);
    for (auto i = table.begin(); i != table.end();) {
        if (i->second->window == window) {
            i->second->state = CarriedCall::withdrawn;
            i->second->done.notify_all();
            dropped.push_back(std::move(i->second));
            i = table.erase(i);
        } else {
            ++i;
        }
    }
}

bool runOnWindowThread(HWND window, const std::function<void()>& f, DWORD timeoutMs)
{
    if (!IsWindow(window))
        return false;
    if (onWindowsThread(window)) {
        f();
        return true;
    }
    auto call = std::make_shared<CarriedCall>();
    call->window = window;
    call->f = &f;
    LPARAM token = 0;
    if (!carry(call, token))
        return false;
    std::unique_lock<std::mutex> lock(tableLock);
    const auto over = [&] { return call->state == CarriedCall::finished || call->state == CarriedCall::withdrawn; };
    if (!call->done.wait_for(lock, std::chrono::milliseconds(timeoutMs), over) &&
        call->state == CarriedCall::pending) {
        call->state = CarriedCall::withdrawn;
        table.erase(token);
        return false;
    }
    // Begun on the window's thread: it refers to this stack, so wait it out.
    call->done.wait(lock, over);
    return call->state == CarriedCall::finished;
}

bool postToWindowThread(HWND window, std::function<void()> f)
{
    if (!IsWindow(window))
        return false;
    if (onWindowsThread(window)) {
        f();
        return true;
    }
    auto call = std::make_shared<CarriedCall>();
    call->window = window;
    call->owned = std::move(f);
    call->f = &call->owned;
    LPARAM token = 0;
    return carry(call, token);
}

void runPendingWindowThreadCalls()
{
    const UINT message = windowThreadCallMessage();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, message, message, PM_REMOVE))
        DispatchMessageW(&msg);
}

namespace {

DWORD WINAPI threadMain(void* parameter)
{
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    try {
        (*body)();
    } catch (...) {
        trace("a thread ended by an exception");
    }
    return 0;
}

}  // namespace

KernelHandle startThread(std::function<void()> body)
{
    auto parameter = std::make_unique<std::function<void()>>(std::move(body));
    KernelHandle thread(CreateThread(nullptr, 0, threadMain, parameter.get(), 0, nullptr));
    if (thread)
        parameter.release();
    else
        traceLastError("no thread could be made");
    return thread;
}
