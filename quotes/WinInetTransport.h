// The quote request over WinInet.
#pragma once

#include "quotes/QuoteFeed.h"

class WinInetTransport : public QuoteTransport {
public:
    // Opens a session, connection and request for this one GET and closes
    // them all again. Returns false when any WinInet step fails.
    bool get(const QuoteRequest& request, std::string& body) override;
};
