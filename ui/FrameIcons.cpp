#include "ui/FrameIcons.h"

#include "res/resource.h"
#include "winui/Wnd.h"

FrameIcons::FrameIcons() : appIcon(LoadIconW(appInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

HICON FrameIcons::attach(HWND window)
{
    smallIcon.reset(static_cast<HICON>(LoadImageW(appInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    const HICON smallOne = smallIcon ? smallIcon.get() : appIcon;
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallOne));
    return smallOne;
}

void FrameIcons::paintMinimised(HWND window, HDC dc) const
{
    if (!IsIconic(window))
        return;
    SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(window, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
}
