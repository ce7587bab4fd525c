// Reading the quote service's reply into quote records.
#pragma once

#include "quotes/StockQuote.h"

#include <cstddef>

// Parses a whole reply, line by line, into batch: at most maxQuotes records in
// reply order, and the date and time of the first record. batch.count is set
// to the number of records stored; dataTime is left untouched when no record
// is parsed. Any bytes are safe: text fields are cut to fit their buffers.
void parseQuoteReply(const char* reply, std::size_t size, QuoteBatch& batch);

// A quote's trade date and time as YYYYMMDDhhmmss; 0 when it has none.
QuoteStamp quoteStamp(const StockQuote& quote);
// The newest of count quotes' stamps; 0 when none is dated.
QuoteStamp newestStamp(const StockQuote* quotes, int count);
