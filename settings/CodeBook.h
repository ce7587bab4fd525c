// The user's own record of each code of the list, kept in zeb.ini's section
// "Code <entry>" (e.g. "[Code hk00700]"): a name of their own, a holding and
// price alerts. Every key may be missing; a value that does not read as the
// key's kind counts as missing, and nothing else is lost for it.
#pragma once

#include "common/ProfileText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t maxAliasBytes = 16;

// The code of an entry without its "hk": "00700" of "hk00700".
std::string_view bareCode(std::string_view entry);

// Whether an entry takes a holding: a share's code is five digits ("hk00700");
// an index ("hkHSI") takes an alias and alerts only.
bool entryTakesHolding(std::string_view entry);

struct CodeRecord {
    std::string entry;  // the list entry as stored, e.g. "hk00700" or "hkHSI"
    std::string alias;  // GB2312, at most maxAliasBytes, "" for none
    std::int64_t shares = 0;      // shares held
    std::optional<double> cost;   // price paid per share, HK dollars
    std::optional<double> above;  // alert: the price rises to this or higher
    std::optional<double> below;  // alert: the price falls to this or lower
    std::optional<double> move;   // alert: the day's change reaches this many percent either way

    // A holding to count: shares and a cost, of a share (an index holds nothing).
    bool holds() const { return shares > 0 && cost.has_value() && entryTakesHolding(entry); }
    bool watched() const { return above || below || move; }
    bool empty() const { return alias.empty() && shares == 0 && !cost && !watched(); }
    bool operator==(const CodeRecord& other) const;
    bool operator!=(const CodeRecord& other) const { return !(*this == other); }
};

// The records the program knows, in no particular order.
class CodeBook {
public:
    // The record of an entry; nullptr when it has none.
    const CodeRecord* find(std::string_view entry) const;
    // Sets an entry's record (an empty one is dropped).
    void put(const CodeRecord& record);
    const std::vector<CodeRecord>& records() const { return list; }
    bool operator==(const CodeBook& other) const;

private:
    std::vector<CodeRecord> list;
};

// Calls visit with each entry of a stock list text as stored, e.g. "hkHSI"
// and "hk00700" of ",hkHSI,hk00700": the pieces between commas, blanks
// around them ignored. Allocates nothing.
template <typename Visit>
void forEachListEntry(std::string_view stockList, Visit&& visit)
{
    while (!stockList.empty()) {
        const std::size_t comma = stockList.find(',');
        const std::string_view piece = withoutBlanks(stockList.substr(0, comma));
        if (!piece.empty())
            visit(piece);
        stockList.remove_prefix(comma == std::string_view::npos ? stockList.size() : comma + 1);
    }
}

// The profile section of an entry: "Code " + entry.
std::string codeSection(std::string_view entry);

// The readings of the keys' values, for zeb.ini and the settings page alike:
// each is true when the text reads, and only then sets value. Blanks around
// the text are ignored; a blank text reads as none ("", 0, nullopt).
//
// An alias: GB2312 text of at most 16 bytes, no control characters, not
// cut inside a character.
bool readAlias(std::string_view text, std::string& value);
// Shares: a whole number from 0 to 10^12, digits only.
bool readShares(std::string_view text, std::int64_t& value);
// A price: a decimal number ("370", "370.5", "0.045") with at most three
// decimals, more than 0 and less than 10^7.
bool readPrice(std::string_view text, std::optional<double>& value);
// A percentage: as a price, more than 0 and at most 1000.
bool readPercent(std::string_view text, std::optional<double>& value);

// A price or percentage as written back: the shortest decimal form, at most
// three decimals ("300", "369.5", "0.045"); "" for none.
std::string priceText(const std::optional<double>& value);

// A record's six values as text, as zeb.ini's keys and the settings page's
// fields hold them.
struct CodeFields {
    std::string alias;
    std::string shares;
    std::string cost;
    std::string above;
    std::string below;
    std::string move;
};
using CodeField = std::string CodeFields::*;

// The keys of a code's section, in the order they are written, each with
// the text it holds.
struct CodeKey {
    const char* name;
    CodeField field;
};
constexpr CodeKey codeKeys[] = {{"alias", &CodeFields::alias}, {"shares", &CodeFields::shares},
                                {"cost", &CodeFields::cost},   {"above", &CodeFields::above},
                                {"below", &CodeFields::below}, {"move", &CodeFields::move}};

// The texts that write a record: no shares and no prices are "".
CodeFields codeFieldsFrom(const CodeRecord& record);

// Reads the texts into a record of entry (replaced whole) with the rules
// above; a value that does not read is left as none. An index's shares and
// cost are not read: an index holds nothing. Returns the first field, in
// the order of CodeFields, that did not read; nullptr when all did.
CodeField readCodeRecord(const CodeFields& texts, std::string_view entry, CodeRecord& record);
