// The quote page: the small HTML document the mini-window shows.
#pragma once

#include "quotes/StockQuote.h"
#include "settings/UserSettings.h"

#include <functional>
#include <string>

// What the page needs from outside the quote engine: the vendor site's links
// (formed once per vendor host) and whether the vendor demands an upgrade.
struct PageContext {
    std::string homePage;  // the upgrade notice's link
    std::string linkBase;  // prefix of every code and name link, "...?Ver=2"
    bool versionBlocked = false;  // the page shows the upgrade notice instead of quotes
};

// "#RRGGBB" of a COLORREF (0x00BBGGRR), e.g. 0x00E6FFFF gives "#FFFFE6".
struct HtmlColor {
    char text[8];
};
HtmlColor colorToHtml(Color color);

// Fills a batch with the quotes of the stock list and returns the fetch result
// (0, or a negative failure). Usually a call of fetchQuotes.
using QuoteSource = std::function<int(QuoteBatch& batch)>;

// Builds the whole page into page (cleared first; its capacity is reused).
// Returns the page length for the quote table, 0 for a notice page (upgrade
// or empty list, rowCount and columnCount untouched) and the negative fetch
// result for the error page (rowCount 0).
int buildQuotePage(const UserSettings& settings, const PageContext& context, std::string& page, int& rowCount,
                   int& columnCount, const QuoteSource& feed);
