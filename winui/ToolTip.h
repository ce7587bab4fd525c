// Tooltips of the program's windows.
#pragma once

#include "common/Geometry.h"
#include "winui/Wnd.h"

#include <string>

// The tooltip control of a window. It holds either one tool covering the
// whole owner, whose mouse messages the owner relays (RelayEvent), or any
// number of tools for rectangles of the owner's client area, which watch the
// owner's mouse themselves.
class CToolTipCtrl : public CWnd {
public:
    // style and exStyle add TTS_ and WS_EX_ styles to the pop-up.
    bool Create(HWND owner, DWORD style = 0, DWORD exStyle = 0);
    void AddTool(const char* gb2312);
    void SetInitialDelay(int milliseconds) const;
    void Activate(bool active) const;
    void UpdateTipText(const char* gb2312);
    const std::string& GetText() const { return text; }
    void RelayEvent(MSG* msg) const;

    // A tool for rect (owner's client pixels) with the caller's id; lines of
    // gb2312 are separated by '\n'. False when the control refused it.
    bool AddTool(UINT_PTR id, const Rect& rect, const std::string& gb2312) const;
    void DelTool(UINT_PTR id) const;
    // A maximum width also makes the control break lines.
    void SetMaxTipWidth(int pixels) const;
    // How long a tip stays up.
    void SetAutoPopDelay(int milliseconds) const;

private:
    TOOLINFOW toolInfo() const;

    HWND owner = nullptr;
    std::string text;
    std::wstring wideText;
};
