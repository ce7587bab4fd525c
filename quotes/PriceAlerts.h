// Price alerts: the rules of the user's codes (above a price, below a price,
// a day's move of so many percent) judged on each refresh's quotes. A rule
// fires when a refresh finds it true after it was not (the day's first
// refresh counts as such a change); it fires again only after a refresh has
// found it false. A code fires at most once in 5 minutes: a rule held back
// fires at the first refresh after that, if still true. Only quotes dated
// today, while the exchange trades, are judged: an old figure seen at start
// or at night fires nothing.
#pragma once

#include "quotes/MarketHours.h"
#include "quotes/QuotePage.h"
#include "quotes/StockQuote.h"
#include "settings/CodeBook.h"

#include <cstdint>
#include <string>
#include <vector>

enum class AlertRule { above, below, move };

struct FiredAlert {
    std::string name;  // the alias, or the service's name
    std::string code;  // the bare code, "00700"
    AlertRule rule = AlertRule::above;
    double price = 0;      // the last price
    double change = 0;     // the day's change in percent
    double threshold = 0;  // the rule's price or percentage
};

constexpr std::int64_t alertSpacingMs = 5 * 60 * 1000;

class AlertWatch {
public:
    // Judges the quotes of a refresh at now against the book's rules;
    // trading tells whether the exchange trades then. What fires is kept
    // for takeFired.
    void judge(const StockQuote* quotes, int count, const CodeBook& book, UtcMs now, bool trading);
    // The alerts fired since the last call, in the order they fired.
    std::vector<FiredAlert> takeFired();
    // The mark of a code's row at now: fired when one of its rules fired
    // that day, watched while it has a rule set.
    CodeMark markOf(const CodeBook& book, std::string_view code, UtcMs now) const;

private:
    struct RuleState {
        double threshold = 0;  // the rule as last judged; a new one is armed
        bool armed = true;
    };
    struct CodeState {
        std::string code;
        QuoteStamp judged = 0;       // the newest quote judged
        std::int64_t armedDay = -1;  // the day its rules were last armed
        std::int64_t firedDay = -1;
        UtcMs firedAt = 0;
        RuleState rules[3];
    };
    CodeState& stateOf(std::string_view code);
    const CodeState* find(std::string_view code) const;

    std::vector<CodeState> codes;
    std::vector<FiredAlert> fired;
};

// The balloon's text: one line per alert, "腾讯控股 00700 现价 370.000 高于
// 369.000"; past the first three, a last line with the count of all.
std::string alertNoticeText(const std::vector<FiredAlert>& alerts);
