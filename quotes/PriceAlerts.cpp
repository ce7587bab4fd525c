#include "quotes/PriceAlerts.h"

#include "quotes/PageText.h"
#include "quotes/QuoteParser.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The change of the day in percent; none without a trade or a close.
std::optional<double> dayChange(const StockQuote& q)
{
    if (q.prevClose <= 0 || q.lastPrice <= 0)
        return std::nullopt;
    return (q.lastPrice - q.prevClose) * 100 / q.prevClose;
}

bool holds(AlertRule rule, double threshold, const StockQuote& q)
{
    switch (rule) {
    case AlertRule::above:
        return q.lastPrice >= threshold;
    case AlertRule::below:
        return q.lastPrice <= threshold;
    case AlertRule::move: {
        const std::optional<double> change = dayChange(q);
        return change && std::fabs(*change) >= threshold;
    }
    }
    return false;
}

}  // namespace

AlertWatch::CodeState& AlertWatch::stateOf(std::string_view code)
{
    const auto found = std::find_if(codes.begin(), codes.end(), [code](const CodeState& s) { return s.code == code; });
    if (found != codes.end())
        return *found;
    CodeState& state = codes.emplace_back();
    state.code = std::string(code);
    return state;
}

const AlertWatch::CodeState* AlertWatch::find(std::string_view code) const
{
    const auto found = std::find_if(codes.begin(), codes.end(), [code](const CodeState& s) { return s.code == code; });
    return found == codes.end() ? nullptr : &*found;
}

void AlertWatch::judge(const StockQuote* quotes, int count, const CodeBook& book, UtcMs now, bool trading)
{
    if (!trading)
        return;
    const std::int64_t today = hongKongDay(now);
    const QuoteStamp todayStamp = stampOfDay(today);
    for (int i = 0; i < count; ++i) {
        const StockQuote& q = quotes[i];
        const std::string_view code = fieldText(q.code);
        const CodeRecord* record = book.find(code);
        const QuoteStamp stamp = quoteStamp(q);
        if (!record || !record->watched() || q.lastPrice <= 0 || stamp < todayStamp ||
            stamp >= todayStamp + 1000000)
            continue;
        CodeState& state = stateOf(code);
        if (stamp < state.judged)  // a reply older than one judged
            continue;
        state.judged = stamp;
        if (state.armedDay != today) {
            state.armedDay = today;
            for (RuleState& r : state.rules)
                r.armed = true;
        }
        const std::optional<double> thresholds[] = {record->above, record->below, record->move};
        for (int r = 0; r < 3; ++r) {
            RuleState& rule = state.rules[r];
            if (!thresholds[r]) {
                rule.armed = true;
                continue;
            }
            if (rule.threshold != *thresholds[r]) {
                rule.threshold = *thresholds[r];
                rule.armed = true;
            }
            const auto kind = static_cast<AlertRule>(r);
            if (!holds(kind, rule.threshold, q)) {
                rule.armed = true;
                continue;
            }
            // A clock set back does not hold alerts back until it catches up.
            const UtcMs sinceFired = now - state.firedAt;
            if (!rule.armed || (state.firedDay >= 0 && sinceFired >= 0 && sinceFired < alertSpacingMs))
                continue;
            rule.armed = false;
            state.firedDay = today;
            state.firedAt = now;
            const std::string_view name = record->alias.empty() ? fieldText(q.displayName) : record->alias;
            fired.push_back({std::string(name), std::string(bareCode(code)), kind, q.lastPrice,
                             dayChange(q).value_or(0), rule.threshold});
        }
    }
}

std::vector<FiredAlert> AlertWatch::takeFired()
{
    std::vector<FiredAlert> taken;
    taken.swap(fired);
    return taken;
}

CodeMark AlertWatch::markOf(const CodeBook& book, std::string_view code, UtcMs now) const
{
    const CodeState* state = find(code);
    if (state && state->firedDay == hongKongDay(now))
        return CodeMark::fired;
    const CodeRecord* record = book.find(code);
    return record && record->watched() ? CodeMark::watched : CodeMark::none;
}

std::string alertNoticeText(const std::vector<FiredAlert>& alerts)
{
    constexpr std::size_t shown = 3;
    std::string text;
    PageText out(text);
    for (std::size_t i = 0; i < alerts.size() && i < shown; ++i) {
        const FiredAlert& a = alerts[i];
        const int decimals = a.price >= 1000 ? 2 : 3;  // an index's points, a share's dollars
        out << (i ? "\n" : "") << Shown{a.name} << " " << Shown{a.code} << " 现价 " << Fixed{a.price, decimals};
        switch (a.rule) {
        case AlertRule::above:
            out << " 高于 " << Fixed{a.threshold, decimals};
            break;
        case AlertRule::below:
            out << " 低于 " << Fixed{a.threshold, decimals};
            break;
        case AlertRule::move:
            out << " 涨跌幅 " << (a.change > 0 ? "+" : "") << Fixed{a.change, 2} << "% 超过 "
                << priceText(a.threshold) << "%";
            break;
        }
    }
    if (alerts.size() > shown)
        out << "\n" << "等 " << static_cast<int>(alerts.size()) << " 个提醒";
    return text;
}
