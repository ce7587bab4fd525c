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
    bool OnMessage(Message& m) override;

private:
    static const MessageMapEntry<CAboutDlg> messageMap[];

    bool OnMouseMove(Message& m);
    bool OnLButtonDown(Message& m);
    bool OnCtlColor(Message& m);

    CLinkLabel siteLink;
};
