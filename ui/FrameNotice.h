// The mini-window's notice line at the bottom: a plain line, or a link that
// opens its page in the browser and is gone once clicked. It belongs to the
// window and works on the window's thread.
#pragma once

#include "winui/LinkLabel.h"
#include "winui/Wnd.h"

#include <string>

class FrameNotice {
public:
    explicit FrameNotice(const CWnd& window);

    // The line's text and the page a click on it opens ("" for a plain line).
    void show(const char* text, const char* url);
    // The mouse below the title strip: true when the line is a link (its
    // cursor and colour follow the mouse).
    bool mouseMoved(POINT p);
    // A click below the title strip: on the link, its page opens and the
    // line empties.
    void clicked(POINT p);

private:
    const CWnd& window;
    std::string url;
    CLinkLabel link;
};
