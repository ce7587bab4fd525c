// The quote page: the small HTML document the mini-window shows.
#pragma once

#include "quotes/StockQuote.h"
#include "settings/UserSettings.h"

#include <atomic>
#include <functional>
#include <string>

// Set by the vendor service client when this version must be upgraded; the
// page then shows the upgrade notice instead of quotes.
extern std::atomic<int> versionBlocked;

// "#RRGGBB" of a COLORREF (0x00BBGGRR), e.g. 0x00E6FFFF gives "#FFFFE6".
struct HtmlColour {
    char text[8];
};
HtmlColour colorToHtml(Colour colour);

// Fills a batch with the quotes of the stock list and returns the fetch result
// (0, or a negative failure). Usually a call of fetchQuotes.
using QuoteSource = std::function<int(QuoteBatch& batch)>;

// Builds the whole page into page (cleared first; its capacity is reused).
// Returns the page length for the quote table, 0 for a notice page (upgrade
// or empty list, rowCount and columnCount untouched) and the negative fetch
// result for the error page (rowCount 0).
int buildQuotePage(const UserSettings& settings, std::string& page, int& rowCount, int& columnCount,
                   const QuoteSource& feed);
