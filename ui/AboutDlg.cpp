#include "ui/AboutDlg.h"

#include "common/Version.h"
#include "res/resource.h"
#include "winui/Shell.h"

#include <cstdio>
#include <string>

namespace {

// The rights line under the version; with the version, its blank and line
// feed it must fit the label's 52-byte buffer.
constexpr char rightsLine[] = "版权所有 (C) 2024 Quillon";
constexpr std::size_t versionLineSize = 52;
static_assert(std::char_traits<char>::length(versionText) + 2 + sizeof rightsLine <= versionLineSize,
              "the version line is cut");

constexpr char contactLines[] = "QQ：88012345\r\nE-mail：zeb@quillon.com.cn";

}  // namespace

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
    onMouse<&CAboutDlg::OnMouseMove>(WM_MOUSEMOVE),
    onMouse<&CAboutDlg::OnLButtonDown>(WM_LBUTTONDOWN),
    onCtlColor<&CAboutDlg::OnCtlColor>(WM_CTLCOLORSTATIC),
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg(const Deployment& deployment, HWND parent)
    : CDialog(IDD_ABOUT, parent), siteLink(*this, IDC_ABOUT_SITE), deployment(deployment)
{
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    char versionLine[versionLineSize];
    std::snprintf(versionLine, sizeof versionLine, "%s \n%s", versionText, rightsLine);
    GetDlgItem(IDC_ABOUT_VERSION).SetWindowText(versionLine);
    GetDlgItem(IDC_ABOUT_CONTACT).SetWindowText(contactLines);
    // The address shown is the one a click opens.
    GetDlgItem(IDC_ABOUT_SITE).SetWindowText(("官方网站： " + vendorRoot(deployment)).c_str());
    return TRUE;
}

Reply CAboutDlg::OnMouseMove(POINT p)
{
    siteLink.mouseMoved(p);
    return Reply::passOn();
}

Reply CAboutDlg::OnLButtonDown(POINT p)
{
    if (siteLink.contains(p))
        openWebAddress(vendorRoot(deployment));
    return Reply::passOn();
}

Reply CAboutDlg::OnCtlColor(HDC dc, HWND control)
{
    // The dialog's own brush and colours, with the link's text colour.
    const LRESULT brush =
        DefWindowProcW(m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    siteLink.setTextColor(dc, control);
    return Reply::handled(brush);
}
