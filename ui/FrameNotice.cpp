#include "ui/FrameNotice.h"

#include "res/resource.h"
#include "winui/Shell.h"

FrameNotice::FrameNotice(const CWnd& window)
    : window(window), link(window, IDC_NOTICE, CLinkLabel::dialogColours)
{
    link.setActive(false);
}

void FrameNotice::show(const char* text, const char* target)
{
    url = target;
    window.GetDlgItem(IDC_NOTICE).SetWindowText(text);
    link.setActive(!url.empty());
}

bool FrameNotice::mouseMoved(POINT p)
{
    if (!link.isActive())
        return false;
    link.mouseMoved(p);
    return true;
}

void FrameNotice::clicked(POINT p)
{
    if (!link.contains(p))
        return;
    openWebAddress(url);
    show("", "");
}
