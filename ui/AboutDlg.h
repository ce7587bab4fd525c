// The About box: the version with the maker's rights line, the author's
// contact details and the vendor site's address as a link.
#pragma once

#include "winui/LinkLabel.h"
#include "winui/Wnd.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    DECLARE_MESSAGE_MAP();

private:
    Reply OnMouseMove(POINT p);
    Reply OnLButtonDown(POINT p);
    Reply OnCtlColor(HDC dc, HWND control);

    CLinkLabel siteLink;
};
