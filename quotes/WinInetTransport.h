// The quote request over WinInet.
#pragma once

#include "quotes/QuoteFeed.h"

// Milliseconds a fetch may wait: for the connection, for sending, for each
// piece of the reply, and for the whole exchange, so that a silent or
// trickling server cannot hold the refresh worker.
struct TransportTimeouts {
    unsigned long connect = 10000;
    unsigned long send = 10000;
    unsigned long receive = 15000;
    unsigned long whole = 30000;
};

class WinInetTransport : public QuoteTransport {
public:
    explicit WinInetTransport(TransportTimeouts timeouts = TransportTimeouts()) : timeouts(timeouts) {}

    // Opens a session, connection and request for this one GET and closes
    // them all again. Returns false when any WinInet step fails, a timeout
    // runs out or the body grows beyond maxReplyBytes.
    bool get(const QuoteRequest& request, QuoteReply& reply) override;

private:
    TransportTimeouts timeouts;
};
