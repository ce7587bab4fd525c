// The mini-window's background colour, the brush it paints with and the
// colour-key transparency that makes exactly that colour vanish. Switching
// transparency on hides the title strip, which then shows while the mouse is
// over the window. It belongs to the window and works on the window's thread.
#pragma once

#include "settings/UserSettings.h"
#include "ui/FrameState.h"
#include "ui/FrameStrip.h"
#include "ui/WebBrowser2.h"
#include "winui/Handles.h"
#include "winui/Wnd.h"

class FrameBackground {
public:
    FrameBackground(const CWnd& window, FrameState& state, FrameStrip& strip, const CWebBrowser2& browser)
        : window(window), state(state), strip(strip), browser(browser)
    {
    }

    // The colour and its brush from the settings.
    void takeColor(const UserSettings& s);
    // Transparency on or off.
    void toggleTransparency(const UserSettings& s);
    // After takeColor: transparency, when on, is keyed to the new colour.
    void rekey(const UserSettings& s);
    // The window's background: the brush of the background colour.
    Reply windowColour() const { return Reply::handled(reinterpret_cast<LRESULT>(backBrush.get())); }
    // A static control drawing on dc: the window's two text lines in the
    // background colour; other controls are passed on.
    Reply staticColour(HDC dc, HWND control) const;

private:
    const CWnd& window;
    FrameState& state;
    FrameStrip& strip;
    const CWebBrowser2& browser;
    BrushHandle backBrush;
    Color backColor = defaultBackColor;  // the colour of backBrush
};
