#include "settings/CodeBook.h"

#include "common/Gb2312.h"
#include "common/ProfileText.h"

#include <algorithm>
#include <cmath>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number of digits, with at most three decimals after one point.
std::optional<double> readDecimal(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    if (whole.size() > 9 || fraction.size() > 3 || (point != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    std::int64_t thousandths = 0;
    for (char c : whole) {
        if (!isDigit(c))
            return std::nullopt;
        thousandths = thousandths * 10 + (c - '0');
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (i < fraction.size() && !isDigit(fraction[i]))
            return std::nullopt;
        thousandths = thousandths * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    return static_cast<double>(thousandths) / 1000;
}

bool readBounded(std::string_view text, double limit, bool limitIncluded, std::optional<double>& value)
{
    text = withoutBlanks(text);
    if (text.empty()) {
        value.reset();
        return true;
    }
    const std::optional<double> number = readDecimal(text);
    if (!number || *number <= 0 || *number > limit || (!limitIncluded && *number == limit))
        return false;
    value = number;
    return true;
}

bool sameValue(const std::optional<double>& a, const std::optional<double>& b)
{
    return a.has_value() == b.has_value() && (!a || std::fabs(*a - *b) < 1e-9);
}

}  // namespace

bool CodeRecord::operator==(const CodeRecord& other) const
{
    return entry == other.entry && alias == other.alias && shares == other.shares && sameValue(cost, other.cost) &&
           sameValue(above, other.above) && sameValue(below, other.below) && sameValue(move, other.move);
}

std::string_view bareCode(std::string_view entry)
{
    if (entry.size() >= 2 && (entry[0] == 'h' || entry[0] == 'H') && (entry[1] == 'k' || entry[1] == 'K'))
        entry.remove_prefix(2);
    return entry;
}

bool entryTakesHolding(std::string_view entry)
{
    entry = bareCode(entry);
    return entry.size() == 5 && std::all_of(entry.begin(), entry.end(), isDigit);
}

const CodeRecord* CodeBook::find(std::string_view entry) const
{
    const auto found =
        std::find_if(list.begin(), list.end(), [entry](const CodeRecord& r) { return r.entry == entry; });
    return found == list.end() ? nullptr : &*found;
}

void CodeBook::put(const CodeRecord& record)
{
    const auto found =
        std::find_if(list.begin(), list.end(), [&record](const CodeRecord& r) { return r.entry == record.entry; });
    if (found == list.end()) {
        if (!record.empty())
            list.push_back(record);
    } else if (record.empty()) {
        list.erase(found);
    } else {
        *found = record;
    }
}

bool CodeBook::operator==(const CodeBook& other) const
{
    if (list.size() != other.list.size())
        return false;
    return std::all_of(list.begin(), list.end(), [&other](const CodeRecord& r) {
        const CodeRecord* match = other.find(r.entry);
        return match && *match == r;
    });
}

std::string codeSection(std::string_view entry)
{
    return "Code " + std::string(entry);
}

bool readAlias(std::string_view text, std::string& value)
{
    text = withoutBlanks(text);
    if (text.size() > maxAliasBytes)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || c == 0x80 || c == 0xFF)
            return false;
        if (gb2312::isLeadByte(c)) {
            if (i + 1 == text.size() || !gb2312::isTrailByte(static_cast<unsigned char>(text[i + 1])))
                return false;
            ++i;
        }
    }
    value = std::string(text);
    return true;
}

bool readShares(std::string_view text, std::int64_t& value)
{
    text = withoutBlanks(text);
    if (text.size() > 13 || !std::all_of(text.begin(), text.end(), isDigit))
        return false;
    std::int64_t shares = 0;
    for (char c : text)
        shares = shares * 10 + (c - '0');
    if (shares > 1'000'000'000'000)
        return false;
    value = shares;
    return true;
}

bool readPrice(std::string_view text, std::optional<double>& value)
{
    return readBounded(text, 1e7, false, value);
}

bool readPercent(std::string_view text, std::optional<double>& value)
{
    return readBounded(text, 1000, true, value);
}

std::string priceText(const std::optional<double>& value)
{
    if (!value)
        return "";
    const auto thousandths = static_cast<std::int64_t>(std::llround(*value * 1000));
    std::string text = std::to_string(thousandths / 1000);
    if (const std::int64_t fraction = thousandths % 1000) {
        std::string digits = std::to_string(1000 + fraction).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text;
}

CodeFields codeFieldsFrom(const CodeRecord& record)
{
    CodeFields fields;
    fields.alias = record.alias;
    fields.shares = record.shares ? std::to_string(record.shares) : "";
    fields.cost = priceText(record.cost);
    fields.above = priceText(record.above);
    fields.below = priceText(record.below);
    fields.move = priceText(record.move);
    return fields;
}

CodeField readCodeRecord(const CodeFields& texts, std::string_view entry, CodeRecord& record)
{
    record = CodeRecord();
    record.entry = std::string(entry);
    CodeField unread = nullptr;
    const auto note = [&unread](bool read, CodeField field) {
        if (!read && !unread)
            unread = field;
    };
    note(readAlias(texts.alias, record.alias), &CodeFields::alias);
    if (entryTakesHolding(entry)) {
        note(readShares(texts.shares, record.shares), &CodeFields::shares);
        note(readPrice(texts.cost, record.cost), &CodeFields::cost);
    }
    note(readPrice(texts.above, record.above), &CodeFields::above);
    note(readPrice(texts.below, record.below), &CodeFields::below);
    note(readPercent(texts.move, record.move), &CodeFields::move);
    return unread;
}
