// A static text control of a dialog that reads as a web link: blue, and red
// with the hand cursor while the mouse is over it (or, left in the dialog's
// own colours, the hand cursor alone). The dialog passes on its mouse moves
// and the text-colour requests of its static controls. An inactive link is
// plain text.
#pragma once

#include "common/Color.h"
#include "winui/Wnd.h"

class CLinkLabel {
public:
    static constexpr Color blue = 0x00FF0000;
    static constexpr Color red = 0x000000FF;

    enum Colours { linkColours, dialogColours };

    CLinkLabel(const CWnd& dialog, int controlId, Colours colours = linkColours)
        : dialog(dialog), controlId(controlId), colours(colours)
    {
    }

    void setActive(bool on) { active = on; }
    bool isActive() const { return active; }

    // A client point of the dialog is on the active link.
    bool contains(POINT point) const;
    // WM_MOUSEMOVE: the hand cursor over the link, the colour redrawn as it changes.
    void mouseMoved(POINT point);
    // WM_CTLCOLORSTATIC: gives the link its colour; false for other controls.
    bool setTextColor(HDC dc, HWND control) const;

private:
    const CWnd& dialog;
    int controlId;
    Colours colours;
    bool active = true;
    Color color = blue;
};
