// The About box: the version with the maker's rights line, the author's
// contact details and the vendor site's address as a link.
#pragma once

#include "settings/Deployment.h"
#include "winui/LinkLabel.h"
#include "winui/Wnd.h"

class CAboutDlg : public CDialog {
public:
    // The site shown and opened is deployment's vendor site.
    explicit CAboutDlg(const Deployment& deployment, HWND parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    DECLARE_MESSAGE_MAP();

private:
    Reply OnMouseMove(POINT p);
    Reply OnLButtonDown(POINT p);
    Reply OnCtlColor(HDC dc, HWND control);

    CLinkLabel siteLink;
    const Deployment& deployment;
};
