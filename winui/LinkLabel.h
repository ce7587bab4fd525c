// A static text control of a dialog that reads as a web link: blue, and red
// with the hand cursor while the mouse is over it. The dialog passes on its
// mouse moves and the text-colour requests of its static controls.
#pragma once

#include "common/Color.h"
#include "winui/Wnd.h"

class CLinkLabel {
public:
    static constexpr Color blue = 0x00FF0000;
    static constexpr Color red = 0x000000FF;

    CLinkLabel(const CWnd& dialog, int controlId) : dialog(dialog), controlId(controlId) {}

    // A client point of the dialog (a mouse message's lParam) is on the link.
    bool contains(LPARAM point) const;
    // WM_MOUSEMOVE: the hand cursor over the link, the colour redrawn as it changes.
    void mouseMoved(LPARAM point);
    // WM_CTLCOLORSTATIC: gives the link its colour; false for other controls.
    bool setTextColor(HDC dc, HWND control) const;
    Color linkColor() const { return color; }

private:
    const CWnd& dialog;
    int controlId;
    Color color = blue;
};
