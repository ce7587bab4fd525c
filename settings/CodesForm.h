// What the "自选股" page holds, as plain values: the codes of the list as the
// dialog has it, the records being edited and the selected code's fields as
// typed, with the rules between them. The page's window code moves the
// fields to and from its controls; nothing here touches a window.
#pragma once

#include "settings/CodeBook.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The list entry of a code as the stock list page shows it: "hk00700" of "00700".
std::string entryOfCode(std::string_view code);

// Reads typed fields into a record of entry, with the rules of zeb.ini's
// values; an index takes no holding (its shares and cost are not read).
// nullptr when every field reads, else the refusal for the status line
// ("别名输入不正确", "持股数量输入不正确", "成本价输入不正确", "高于价格输入不正确",
// "低于价格输入不正确", "涨跌幅输入不正确"); out is then untouched.
const char* readCodeFields(const CodeFields& fields, std::string_view entry, CodeRecord& out);

class CodesForm {
public:
    // A record the book lacks, read from the settings file (an empty one
    // when the file has none).
    using Loader = std::function<CodeRecord(const std::string& entry)>;

    // Starts from the live records.
    CodesForm(const CodeBook& book, Loader load);

    // The list as it now stands (codes as the stock list page shows them).
    // The same code stays selected where it is still listed, else the first;
    // none on an empty list. A listed code's record that the book lacks is
    // read once, through the loader.
    void setCodes(const std::vector<std::string>& codes);
    const std::vector<std::string>& codes() const { return list; }
    int selection() const { return selected; }

    // The selected code's fields as they stand in the book ("" everywhere
    // with none selected), and whether it takes shares and cost.
    CodeFields fields() const;
    bool takesHolding() const;

    // Takes the typed fields into the selected code's record: nullptr, or
    // the refusal, which leaves the book as it was.
    const char* take(const CodeFields& typed);
    // Takes the typed fields, then selects index; a refusal keeps the
    // selection where it was, so nothing typed is lost.
    const char* select(int index, const CodeFields& typed);

    // The records as edited (codes that left the list keep theirs), and as
    // they were before the dialog, with those read through the loader.
    // Saving writes the sections that differ between them.
    const CodeBook& edited() const { return book; }
    const CodeBook& original() const { return before; }

    // The records of the listed codes, each read where the book lacks it:
    // the live records after OK.
    CodeBook listedRecords(const std::vector<std::string>& codes);

private:
    const CodeRecord* recordOf(const std::string& code);

    CodeBook book;
    CodeBook before;
    Loader load;
    std::vector<std::string> looked;  // entries already read through the loader
    std::vector<std::string> list;
    int selected = -1;
};
