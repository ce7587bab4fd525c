// Carrying a call from a worker thread to the thread that owns a window.
//
// The call is posted to the window as a message and the caller waits for it
// up to a time limit. The call owns its state and runs only while its caller
// is still waiting: when the limit passes before the window's thread has
// begun it, it is withdrawn and never runs, however late the message is
// handled; once begun, the caller waits until it has finished. So a call may
// refer to anything on its caller's stack.
#pragma once

#include <windows.h>

#include <functional>

// The message that carries the calls; the window's procedure hands it to
// handleWindowThreadCall.
constexpr UINT WM_WINDOW_THREAD_CALL = WM_APP + 1;

// Runs f on window's thread and returns true once it has run; from that
// thread it simply runs f. False when the window is gone or the call was
// withdrawn after timeoutMs.
bool runOnWindowThread(HWND window, const std::function<void()>& f, DWORD timeoutMs);

// Has f run on window's thread after the calls carried there before it,
// without waiting for it; f owns what it uses. From that thread it simply
// runs f. False when the window is gone.
bool postToWindowThread(HWND window, std::function<void()> f);

// For the window's procedure, on WM_WINDOW_THREAD_CALL: runs the carried call
// unless it has been withdrawn. Returns the message's result.
LRESULT handleWindowThreadCall(LPARAM lParam);

// For a thread that waits for something with its message loop stopped:
// runs the calls that have come for its windows meanwhile.
void runPendingWindowThreadCalls();
