// The quote page: what the mini-window shows, as a model of typed rows and
// cells. The browser control reads it as a small HTML file (renderPageHtml);
// the built-in page view lays out the model itself.
#pragma once

#include "common/Color.h"
#include "quotes/StockQuote.h"
#include "settings/CodeBook.h"
#include "settings/UserSettings.h"

#include <functional>
#include <string>
#include <vector>

// What the page needs from outside the quote engine: the vendor site's links
// (formed once per vendor host) and whether the vendor demands an upgrade.
struct PageContext {
    std::string homePage;  // the upgrade notice's link
    std::string linkBase;  // prefix of every code and name link, "...?Ver=2"
    bool versionBlocked = false;  // the page shows the upgrade notice instead of quotes
};

enum class PageKind {
    quotes,   // the quote table
    notice,   // the stock list is empty
    error,    // the quotes could not be fetched
    upgrade,  // the vendor demands an upgrade
};

// The colours text takes. rise and fall are a quote row's figures; name the
// links of a row's code and name; alert the notices' red; link the upgrade
// notice's link in the browser's own link blue.
enum class Tone { header, rise, fall, name, alert, link };

// The colours the settings give the page.
struct PagePalette {
    Color back = 0x00FFFFFF;
    Color name = 0, up = 0, down = 0, header = 0;

    Color of(Tone tone) const;
};

enum class CellAlign { left, center, right };

struct PageCell {
    std::string text;  // GB2312, shown as it is: no markup
    CellAlign align = CellAlign::right;
    int span = 1;         // columns taken
    bool linked = false;  // links to the row's link with the row's tooltip, in the name tone
    bool titled = false;  // shows the row's tooltip without a link
};

enum class RowKind {
    header,  // the column titles
    rule,    // the line under the titles: one empty cell across the table
    quote,   // one quote
    total,   // the sum of the holdings' profit or loss, "合计"
    footer,  // the time of the data, across the table
};

struct PageRow {
    RowKind kind = RowKind::quote;
    Tone tone = Tone::header;  // the tone of its cells that are not linked
    std::vector<PageCell> cells;
    std::string link;                  // where its linked cells lead
    std::vector<std::string> tooltip;  // its linked cells' tooltip, line by line
};

// One line of a notice, error or upgrade page.
struct PageLine {
    std::string text;
    Tone tone = Tone::alert;
    std::string link;  // "" when the line is no link
};

struct QuotePageModel {
    PageKind kind = PageKind::notice;
    PagePalette palette;
    std::string fontFace;         // the page's font face (GB2312), "" for the default
    int fontPx = 12;              // the size of the page's text at 96 DPI
    std::vector<PageLine> lines;  // the text of a page without a table
    std::vector<PageRow> rows;    // the quote table's
    // The table's size as the window is sized for it: quote rows and shown
    // columns (at least one). The error page has no rows and the columns of
    // the table it stands for; the notice and upgrade pages have no table.
    int rowCount = 0;
    int columnCount = 0;
    // The newest quote of each code shown so far: a reply can come out of
    // order (a cache, a slow server), and a quote older than the one shown
    // does not replace it. The next build of the same model reads it.
    std::vector<StockQuote> shownQuotes;
};

// The mark before a row's name: none, "☆" while the code has an alert set,
// "★" from the moment one fires until the end of that day.
enum class CodeMark { none, watched, fired };

// What the page shows of the user's own codes.
struct PageCodes {
    const CodeBook* book = nullptr;  // aliases, holdings and alerts; none without
    // Names as aliases or bare codes, every figure in the header tone, no
    // links, no tooltips, no "盈亏" column and no "合计" row.
    bool discreet = false;
    // A code's mark; without it a code with an alert set is watched.
    std::function<CodeMark(const StockQuote& quote)> markOf;
};

// What a build gave: the page's kind, and for the error page the fetch's
// failure (negative).
struct PageBuild {
    PageKind kind = PageKind::notice;
    int fetchError = 0;
    QuoteStamp newestQuote = 0;  // the reply's newest quote, 0 when none is dated
    bool watching = false;       // a code of the list has an alert set
};

// The quote table's look at 96 DPI, which the page file states and the
// built-in view draws: the body's margin, the cells' padding and spacing,
// and the rule under the header.
namespace tableLook {
constexpr int margin = 5;
constexpr int cellPadding = 2;
constexpr int cellSpacing = 0;
constexpr Color ruleColor = 0x00CC0000;  // #0000CC
constexpr int ruleHeight = 1;
}  // namespace tableLook

// "#RRGGBB" of a COLORREF (0x00BBGGRR), e.g. 0x00E6FFFF gives "#FFFFE6".
struct HtmlColor {
    char text[8];
};
HtmlColor colorToHtml(Color color);

// Fills a batch with the quotes of the stock list and returns the fetch result
// (0, or a negative failure). Usually a call of fetchQuotes.
using QuoteSource = std::function<int(QuoteBatch& batch)>;

// Builds the page into page, reusing the storage of the model it held. The
// notice and upgrade pages need no fetch. A quote of the reply that is older
// than the one of its code the page showed keeps the one shown.
//
// A code with an alias shows it in its name cell. When a code of the list
// holds shares at a cost, and the display does not hide it, the table gets a
// column "盈亏" (today's profit or loss, whole HK dollars with a sign) and a
// last row "合计" summing it; the holding's rows and the sum tell their
// market value and floating profit or loss in their tooltips.
PageBuild buildQuotePage(const UserSettings& settings, const PageContext& context, QuotePageModel& page,
                         const QuoteSource& feed, const PageCodes& codes = {});

// The page as the HTML file the browser control loads, written into html
// (cleared first; its capacity is reused).
void renderPageHtml(const QuotePageModel& page, std::string& html);
