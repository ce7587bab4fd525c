// The page display window under Wine. Run twice: with WINEDLLOVERRIDES=ieframe=d
// the built-in page view shows the page (the WebBrowser control test skips);
// without it Wine's WebBrowser control is created (the built-in view tests
// skip). ZEB_REQUIRE_CONTROL=1 turns the control test's skip into a failure.
#include "quotes/QuotePage.h"
#include "pageview/PageView.h"
#include "res/Messages.h"
#include "ui/WebBrowser2.h"
#include "winui/Handles.h"

#include "tests/support/SampleQuotes.h"

#include <commctrl.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <ole2.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_TRUE(CWebBrowser2::registerClass(GetModuleHandleW(nullptr)));
    }
    void TearDown() override { OleUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

void pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

// The mini-window's dialog as far as the page display goes: 137 x 47 dialog
// units, control 1036 of class ZebWebBrowser at 0, 11, 137, 24.
struct DialogTemplate {
    std::vector<WORD> words;

    DialogTemplate()
    {
        DLGTEMPLATE dlg = {};
        dlg.style = WS_POPUP | WS_VISIBLE | DS_SETFONT;
        dlg.cdit = 1;
        dlg.cx = 137;
        dlg.cy = 47;
        append(&dlg, sizeof dlg);
        words.push_back(0);  // no menu
        words.push_back(0);  // default class
        words.push_back(0);  // no title
        words.push_back(9);  // 9-point
        text(L"SimSun");
        align();
        DLGITEMTEMPLATE item = {};
        item.style = 0x50010000;
        item.x = 0;
        item.y = 11;
        item.cx = 137;
        item.cy = 24;
        item.id = 1036;
        append(&item, sizeof item);
        text(CWebBrowser2::windowClass);
        words.push_back(0);  // no title
        words.push_back(0);  // no creation data
    }
    void append(const void* data, std::size_t size)
    {
        const WORD* w = static_cast<const WORD*>(data);
        words.insert(words.end(), w, w + size / 2);
    }
    void text(const wchar_t* s)
    {
        for (; *s; ++s)
            words.push_back(static_cast<WORD>(*s));
        words.push_back(0);
    }
    void align()
    {
        if (words.size() % 2)
            words.push_back(0);
    }
};

// A dialog with the page display, sized as the refresh worker sizes the
// mini-window for rows x columns at 12 px pages with header and time lines.
struct MiniWindow {
    HWND dialog = nullptr;
    CWebBrowser2 browser;
    int width = 0, height = 0;

    explicit MiniWindow(int rows = 3, int columns = 5)
    {
        DialogTemplate t;
        dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                            reinterpret_cast<LPCDLGTEMPLATEW>(t.words.data()), nullptr,
                                            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        browser.attach(GetDlgItem(dialog, 1036));
        width = 55 * columns + 20;
        height = 18 * rows + 35 + 18 + 20;
        SetWindowPos(dialog, HWND_TOP, 40, 40, width, height, SWP_SHOWWINDOW);
        MoveWindow(browser.window(), 0, 15, width, height - 30, TRUE);
        pump(50);
    }
    ~MiniWindow()
    {
        if (dialog)
            DestroyWindow(dialog);
        pump(20);
    }
};

std::wstring tempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

void writeFile(const std::wstring& path, const std::string& text)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(f);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

StockQuote quote(const char* code, const char* name, float last, float prev)
{
    StockQuote q = sampleQuote(code, name, last, prev);
    q.openPrice = prev;
    q.highPrice = last > prev ? last : prev;
    q.lowPrice = last < prev ? last : prev;
    q.volumeWan = 2048;
    q.turnoverYi = 12.5f;
    return q;
}

// The quote page of three rows (rising, falling, rising) with all columns.
QuotePageModel quotePage()
{
    UserSettings settings{};
    std::strcpy(settings.stockList, ",hk00700,hkHSI,hk00005");
    settings.displayFlags = 0x7F;
    settings.fontSizeIndex = 1;
    QuotePageModel page;
    buildQuotePage(settings, samplePageContext(), page, [](QuoteBatch& b) {
        b.quotes[b.count++] = quote("hk00700", "腾讯控股", 320.4f, 310.0f);
        b.quotes[b.count++] = quote("hkHSI", "恒生指数", 17000.5f, 17100.0f);
        b.quotes[b.count++] = quote("hk00005", "汇丰控股", 61.25f, 60.0f);
        std::strcpy(b.dataTime, "2023-09-26 16:08");
        return 0;
    });
    return page;
}

// Writes the page's file at path, as the refresh worker does, and shows the page.
bool show(const CWebBrowser2& browser, const std::wstring& path, const QuotePageModel& page)
{
    std::string file;
    renderPageHtml(page, file);
    writeFile(path, file);
    return browser.Navigate(path, page);
}

// The window's client area as 32-bit pixels, taken with PrintWindow.
struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

    explicit Capture(HWND window)
    {
        RECT rc;
        GetClientRect(window, &rc);
        width = rc.right;
        height = rc.bottom;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const WindowDc screen(nullptr);
        const MemoryDcHandle dc(CreateCompatibleDC(screen.get()));
        const BitmapHandle dib(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        const SelectedObject selected(dc.get(), dib.get());
        PrintWindow(window, dc.get(), PW_CLIENTONLY);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (auto& px : pixels)
            px &= 0x00FFFFFF;
    }

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }

    // Pixels of rect for which test(r, g, b) holds.
    template <typename Test>
    int count(const Rect& rect, Test test) const
    {
        int n = 0;
        for (int y = std::max(0, rect.top); y < std::min(height, rect.bottom); ++y)
            for (int x = std::max(0, rect.left); x < std::min(width, rect.right); ++x) {
                std::uint32_t p = at(x, y);
                if (test(static_cast<int>(p >> 16), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)))
                    ++n;
            }
        return n;
    }

    bool save(const std::string& path) const
    {
        BITMAPFILEHEADER file = {};
        BITMAPINFOHEADER info = {};
        info.biSize = sizeof info;
        info.biWidth = width;
        info.biHeight = -height;
        info.biPlanes = 1;
        info.biBitCount = 32;
        info.biCompression = BI_RGB;
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size() * 4);
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info, sizeof info, 1, f);
        std::fwrite(pixels.data(), 4, pixels.size(), f);
        return std::fclose(f) == 0;
    }
};

// In ZEB_ARTIFACTS (a Windows path, or under Wine a Unix one), else here.
std::string artifactPath(const char* name)
{
    const char* dir = std::getenv("ZEB_ARTIFACTS");
    std::string path = dir && *dir ? dir : ".";
    if (path[0] == '/')
        path = "Z:" + path;  // Wine's drive for the Unix root
    for (char& c : path)
        if (c == '/')
            c = '\\';
    CreateDirectoryA(path.c_str(), nullptr);
    return path + "\\" + name;
}

const PageTextRun* findRun(const PageLayout& layout, const char* text)
{
    for (const PageTextRun& run : layout.runs)
        if (run.text == text)
            return &run;
    return nullptr;
}

bool greenish(int r, int g, int b) { return g > r + 60 && g > b + 60; }
bool reddish(int r, int g, int b) { return r > g + 100 && r > b + 100; }
bool bluish(int r, int g, int b) { return b > r + 100 && b > g + 100; }

// The WebBrowser control, in-place active, has a window of its own inside
// the page display; the built-in view draws in the display's own window.
bool controlShown(const CWebBrowser2& browser)
{
    return GetWindow(browser.window(), GW_CHILD) != nullptr;
}

#define SKIP_WITH_CONTROL(browser)                                                                   \
    if (controlShown(browser))                                                                       \
    GTEST_SKIP() << "the WebBrowser control exists here; run with WINEDLLOVERRIDES=ieframe=d"

TEST(BuiltInPageView, TemplateControl1036IsThePageDisplay)
{
    MiniWindow w(2, 3);
    HWND child = GetDlgItem(w.dialog, 1036);
    ASSERT_TRUE(child);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    EXPECT_STREQ(name, CWebBrowser2::windowClass);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & 0xFFFF0000u, 0x50010000u);
    EXPECT_FALSE(GetWindowLongW(child, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
    RECT rc;
    GetClientRect(child, &rc);
    EXPECT_EQ(rc.right, w.width);
    EXPECT_EQ(rc.bottom, w.height - 30);
    EXPECT_FALSE(CWebBrowser2(w.dialog).Navigate(L"C:\\x.htm", quotePage()));  // not a page display
}

TEST(BuiltInPageView, DrawsTheQuoteTableAsThePageDescribes)
{
    MiniWindow w;
    SKIP_WITH_CONTROL(w.browser);
    ASSERT_TRUE(show(w.browser, tempPath(L"zebtmp.htm"), quotePage()));
    pump(100);

    const PageLayout* layout = w.browser.pageLayout();
    ASSERT_TRUE(layout);
    Capture shot(w.browser.window());
    ASSERT_EQ(shot.width, w.width);
    ASSERT_TRUE(shot.save(artifactPath("pageview_quotes.bmp")));

    const Rect all = {0, 0, shot.width, shot.height};
    const int pale = shot.count(all, [](int r, int g, int b) { return r == 0xFF && g == 0xFF && b == 0xE6; });
    EXPECT_GT(pale, shot.width * shot.height / 2) << "the pale background fills the view";

    const PageTextRun* rise = findRun(*layout, "320.40");
    const PageTextRun* fall = findRun(*layout, "17000.50");
    const PageTextRun* rise2 = findRun(*layout, "+1.25");
    const PageTextRun* name = findRun(*layout, "腾讯控股");
    const PageTextRun* header = findRun(*layout, "最新价");
    ASSERT_TRUE(rise && fall && rise2 && name && header);

    // Each row's band across the whole view: the rising rows hold green text
    // and no red, the falling row red text and no green.
    auto band = [&](const PageTextRun* run) { return Rect{0, run->rect.top, shot.width, run->rect.bottom}; };
    EXPECT_GT(shot.count(rise->clip, greenish), 5);
    EXPECT_GT(shot.count(rise2->clip, greenish), 5);
    EXPECT_EQ(shot.count(band(rise), reddish), 0);
    EXPECT_GT(shot.count(fall->clip, reddish), 5);
    EXPECT_EQ(shot.count(band(fall), greenish), 0);
    EXPECT_GT(shot.count(name->clip, bluish), 5) << "name links in the name color";
    EXPECT_GT(shot.count(header->clip, [](int r, int g, int b) { return r + g + b < 200; }), 5);

    // The separator line is solid #0000CC under the header.
    ASSERT_EQ(layout->fills.size(), 1u);
    const Rect line = layout->fills[0].rect;
    EXPECT_EQ(shot.at(line.left + 1, line.top), 0x0000CCu);
    EXPECT_EQ(shot.at(line.right - 1, line.top), 0x0000CCu);
    EXPECT_GT(line.top, header->rect.bottom - 1);
}

TEST(BuiltInPageView, DrawsTheUpgradeAndErrorPagesInRed)
{
    MiniWindow w(2, 3);  // the size the notice pages get
    SKIP_WITH_CONTROL(w.browser);
    UserSettings settings{};
    std::strcpy(settings.stockList, ",hkHSI");
    settings.displayFlags = 0x7F;
    QuotePageModel page;
    const std::wstring path = tempPath(L"zebtmp.htm");
    const Rect all = {0, 0, w.width, w.height - 30};

    buildQuotePage(settings, samplePageContext(true), page, [](QuoteBatch&) { return 0; });
    ASSERT_TRUE(show(w.browser, path, page));
    pump(50);
    Capture upgrade(w.browser.window());
    upgrade.save(artifactPath("pageview_upgrade.bmp"));
    const PageTextRun* link = findRun(*w.browser.pageLayout(), "查看新版本");
    ASSERT_TRUE(link);
    EXPECT_GT(upgrade.count(all, reddish), 20);
    EXPECT_GT(upgrade.count(link->clip, bluish), 5);
    EXPECT_EQ(upgrade.count(link->clip, reddish), 0);

    buildQuotePage(settings, samplePageContext(), page, [](QuoteBatch&) { return -2; });
    ASSERT_TRUE(show(w.browser, path, page));
    pump(50);
    Capture error(w.browser.window());
    error.save(artifactPath("pageview_error.bmp"));
    EXPECT_GT(error.count(all, reddish), 20);
    EXPECT_EQ(error.count(all, bluish), 0);
    EXPECT_EQ(error.at(1, 1), 0xFFFFE6u);
}

std::vector<std::string> opened;
void recordOpen(const std::string& address)
{
    opened.push_back(address);
}

// The tooltip window of a page display; a pop-up's owner is the top-level
// window of the child that created it.
HWND tooltipOf(HWND window)
{
    HWND owner = GetAncestor(window, GA_ROOT);
    struct Search {
        HWND owner;
        HWND found;
    } search = {owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0 && GetWindow(hwnd, GW_OWNER) == s->owner) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void click(HWND window, const Rect& r)
{
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window, WM_LBUTTONUP, 0, at);
}

TEST(BuiltInPageView, LinksOpenOnlyWebAddressesAndTooltipsShowTheTitleLines)
{
    MiniWindow w;
    SKIP_WITH_CONTROL(w.browser);
    w.browser.setLinkOpener(recordOpen);
    opened.clear();
    const std::wstring path = tempPath(L"zebtmp.htm");
    ASSERT_TRUE(show(w.browser, path, quotePage()));
    const PageLayout* layout = w.browser.pageLayout();
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->links.size(), 6u);
    click(w.browser.window(), layout->links[1].rect);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], layout->links[1].href);
    EXPECT_NE(opened[0].find("zebskip.php?Ver=2&Code=hk00700"), std::string::npos);

    // One tool per titled link, its text one line per "&#10;".
    HWND tip = tooltipOf(w.browser.window());
    ASSERT_TRUE(tip);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), static_cast<LRESULT>(layout->tips.size()));
    wchar_t text[1024] = {};
    TTTOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.lpszText = text;
    ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 1, reinterpret_cast<LPARAM>(&info)));
    std::wstring shown = text;
    EXPECT_EQ(shown.rfind(L"\u817e\u8baf\u63a7\u80a1(hk00700)\r\n", 0), 0u) << "name and code first";
    int lines = 1;
    for (std::size_t at = shown.find(L"\r\n"); at != std::wstring::npos; at = shown.find(L"\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 8);  // the last the quote's time: "时间: 2023/09/26 16:08:03"
    EXPECT_NE(shown.find(L"\r\n\u65f6\u95f4: 2023/09/26 16:08:03"), std::wstring::npos);
    EXPECT_NE(shown.find(L"\r\n\u6210\u4ea4\u91cf: 2048\u4e07\u80a1\r\n"), std::wstring::npos);
    EXPECT_EQ(info.rect.left, layout->tips[1].rect.left);
    EXPECT_GT(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 0);

    // Links a reply could have planted never reach the shell.
    opened.clear();
    QuotePageModel planted;
    planted.kind = PageKind::quotes;
    for (const char* href : {"file:///C:/Windows/notepad.exe", "javascript:x()", "C:\\Windows\\calc.exe",
                             "https://example.com/"})
        planted.rows.push_back({RowKind::quote, Tone::rise, {{"a", CellAlign::center, 1, true}}, href, {}});
    ASSERT_TRUE(show(w.browser, path, planted));
    ASSERT_EQ(layout->links.size(), 4u);
    for (const PageLink& link : layout->links)
        click(w.browser.window(), link.rect);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "https://example.com/");
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
    w.browser.setLinkOpener(nullptr);
}

TEST(BuiltInPageView, NavigatesFromAnotherThreadAndShowsNothingOfAMissingFile)
{
    MiniWindow w;
    SKIP_WITH_CONTROL(w.browser);
    const std::wstring path = tempPath(L"zebtmp.htm");
    const QuotePageModel page = quotePage();
    std::string file;
    renderPageHtml(page, file);
    writeFile(path, file);
    std::atomic<bool> done{false};
    bool result = false;
    std::thread worker([&] {
        result = w.browser.Navigate(path, page);
        done = true;
    });
    DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 5000)
        pump(10);
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(findRun(*w.browser.pageLayout(), "17000.50"));

    // A missing file is a failed load and shows an empty page.
    EXPECT_FALSE(w.browser.Navigate(tempPath(L"no-such-page.htm"), page));
    EXPECT_TRUE(w.browser.pageLayout()->runs.empty());
}

// A folder whose name no single code page holds: the path stays UTF-16 from
// the caller to the file.
std::wstring foreignFolder()
{
    std::wstring dir = tempPath(L"Jos\u00e9 \u4e2d\u0107");
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\";
}

TEST(BuiltInPageView, ReadsThePageUnderANonAsciiPath)
{
    MiniWindow w;
    SKIP_WITH_CONTROL(w.browser);
    const std::wstring path = foreignFolder() + L"zebtmp.htm";
    const QuotePageModel page = quotePage();
    EXPECT_TRUE(show(w.browser, path, page));
    EXPECT_TRUE(findRun(*w.browser.pageLayout(), "17000.50"));
    EXPECT_TRUE(w.browser.Navigate(L"file:///" + path, page));
    EXPECT_FALSE(w.browser.Navigate(foreignFolder() + L"missing.htm", page));
}

// COLORREF to the captured 0x00RRGGBB.
std::uint32_t rgb(Color c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// The page as the transparent mini-window shows it over a dark desktop: the
// key colour (the page's background) lets the desktop through.
void saveOverDarkDesktop(Capture shot, std::uint32_t key, const char* name)
{
    for (auto& p : shot.pixels)
        if (p == key)
            p = 0x202830;
    shot.save(artifactPath(name));
}

TEST(BuiltInPageView, CrispTextHoldsOnlyThePageColoursAndSmoothTextComesBack)
{
    MiniWindow w;
    SKIP_WITH_CONTROL(w.browser);
    ASSERT_TRUE(show(w.browser, tempPath(L"zebtmp.htm"), quotePage()));
    const PageLayout* layout = w.browser.pageLayout();
    const std::uint32_t key = rgb(layout->background);
    std::vector<std::uint32_t> own = {key};
    for (const PageFill& fill : layout->fills)
        own.push_back(rgb(fill.color));
    for (const PageTextRun& run : layout->runs)
        own.push_back(rgb(run.color));
    auto foreign = [&](const Capture& shot) {
        int n = 0;
        for (std::uint32_t p : shot.pixels)
            n += std::find(own.begin(), own.end(), p) == own.end();
        return n;
    };
    const Capture smooth(w.browser.window());

    w.browser.setCrispText(true);
    pump(50);
    const Capture crisp(w.browser.window());
    EXPECT_EQ(foreign(crisp), 0) << "no pixel blends two colours";
    const int inked = static_cast<int>(
        std::count_if(crisp.pixels.begin(), crisp.pixels.end(), [&](std::uint32_t p) { return p != key; }));
    EXPECT_GT(inked, 1000);
    EXPECT_TRUE(findRun(*w.browser.pageLayout(), "17000.50"));

    w.browser.setCrispText(false);
    pump(50);
    const Capture again(w.browser.window());
    BOOL smoothing = FALSE;
    SystemParametersInfoW(SPI_GETFONTSMOOTHING, 0, &smoothing, 0);
    if (smoothing) {
        EXPECT_GT(foreign(again), 100) << "anti-aliased edges are back";
    }
    EXPECT_EQ(again.pixels, smooth.pixels);
    std::printf("page %dx%d: %d inked pixels crisp; %d blended pixels smooth\n", crisp.width, crisp.height,
                inked, foreign(smooth));
    saveOverDarkDesktop(smooth, key, "pageview_transparent_smooth.bmp");
    saveOverDarkDesktop(crisp, key, "pageview_transparent_crisp.bmp");
}

// The page display takes no pointer from a message: what another program
// sends it with the numbers of the program's own messages, or a carried call
// with a token never given out, is ignored, and loads still work.
TEST(PageDisplay, IgnoresForgedMessages)
{
    MiniWindow w;
    const std::wstring path = tempPath(L"zebtmp.htm");
    for (LPARAM junk : {LPARAM(1), LPARAM(0x7FF00010), LPARAM(-1)})
        for (UINT message : {UINT(WM_USER + 1), UINT(WM_USER + 2), UINT(WM_APP + 1), windowThreadCallMessage()}) {
            SendMessageW(w.browser.window(), message, 1, junk);
            PostMessageW(w.browser.window(), message, 1, junk);
        }
    pump(50);
    ASSERT_TRUE(IsWindow(w.browser.window()));
    EXPECT_TRUE(show(w.browser, path, quotePage()));
}

// The page display's own procedure, and whether the control's window was
// still there when the display's WM_DESTROY had been handled.
WNDPROC displayProcedure;
bool controlOutlivedDestroy = true;
LRESULT CALLBACK watchDestroy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcW(displayProcedure, hwnd, message, wParam, lParam);
    if (message == WM_DESTROY)
        controlOutlivedDestroy = GetWindow(hwnd, GW_CHILD) != nullptr;
    return result;
}

TEST(WebBrowserControl, CreatesActivatesNavigatesAndReleasesTheSite)
{
    {
        MiniWindow w;
        if (!controlShown(w.browser)) {
            ASSERT_FALSE(std::getenv("ZEB_REQUIRE_CONTROL")) << "the WebBrowser control was not created";
            GTEST_SKIP() << "no WebBrowser control here (ieframe disabled)";
        }
        EXPECT_EQ(w.browser.pageLayout(), nullptr);
        displayProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            w.browser.window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchDestroy)));

        // In-place active: the control's own window is a child of ours,
        // covering it, and follows its size.
        HWND embedded = GetWindow(w.browser.window(), GW_CHILD);
        ASSERT_TRUE(embedded);
        RECT rc;
        GetWindowRect(embedded, &rc);
        EXPECT_EQ(rc.right - rc.left, w.width);
        EXPECT_EQ(rc.bottom - rc.top, w.height - 30);
        MoveWindow(w.browser.window(), 0, 15, w.width - 40, w.height - 40, TRUE);
        GetWindowRect(embedded, &rc);
        EXPECT_EQ(rc.right - rc.left, w.width - 40);
        EXPECT_EQ(rc.bottom - rc.top, w.height - 40);

        const std::wstring path = tempPath(L"zebtmp.htm");
        const QuotePageModel page = quotePage();
        EXPECT_TRUE(show(w.browser, path, page));
        pump(200);
        EXPECT_TRUE(w.browser.Navigate(path, page));  // a reload
        pump(200);
        EXPECT_TRUE(show(w.browser, foreignFolder() + L"zebtmp.htm", page));
        pump(200);
        EXPECT_FALSE(w.browser.Navigate(foreignFolder() + L"missing.htm", page));
        w.browser.setCrispText(true);  // nothing to do for the control
    }
    // Teardown closed the control while the display still stood: its window
    // went with the close, and nothing of the control is left alive.
    EXPECT_FALSE(controlOutlivedDestroy);
    EXPECT_TRUE(GetModuleHandleW(L"ieframe.dll"));
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_FALSE(GetModuleHandleW(L"ieframe.dll"));
}

}  // namespace
