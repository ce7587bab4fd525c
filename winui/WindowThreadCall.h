// Carrying a call from a worker thread to the thread that owns a window: the
// one way the program's threads hand work to a window.
//
// The call is posted to the window as a registered message whose lParam is a
// token, never a pointer: the window's procedure looks the token up in the
// table of calls carried to that window, and a token not there (a stray or
// forged message) is ignored. The caller waits for the call up to a time
// limit; the call runs only while its caller still waits: when the limit
// passes before the window's thread has begun it, it is withdrawn and never
// runs, however late the message is handled; once begun, the caller waits
// until it has finished. So a call may refer to anything on its caller's
// stack. Calls carried to a window run in the order they were carried.
#pragma once

#include "winui/Handles.h"

#include <windows.h>

#include <functional>

// Runs f on window's thread and returns true once it has run; from that
// thread it simply runs f. False when the window is gone (or goes before the
// call runs) or the call was withdrawn after timeoutMs.
bool runOnWindowThread(HWND window, const std::function<void()>& f, DWORD timeoutMs);

// Has f run on window's thread after the calls carried there before it,
// without waiting for it; f owns what it uses. From that thread it simply
// runs f. False when the window is gone.
bool postToWindowThread(HWND window, std::function<void()> f);

// For a window's procedure: true when message carries a call, which has then
// run unless withdrawn or unknown to this window (result 1 when it ran).
bool handleWindowThreadCall(HWND window, UINT message, LPARAM lParam, LRESULT& result);

// For a window's procedure on WM_NCDESTROY: the calls still carried to the
// window never run; their callers stop waiting.
void dropWindowThreadCalls(HWND window);

// For a thread that waits for something with its message loop stopped:
// runs the calls that have come for its windows meanwhile.
void runPendingWindowThreadCalls();

// Starts a thread that runs body: the one way the program starts a thread.
// The handle is empty when no thread could be made. An exception that ends
// body is traced and ends only the thread.
KernelHandle startThread(std::function<void()> body);
