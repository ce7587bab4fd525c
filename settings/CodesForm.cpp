#include "settings/CodesForm.h"

#include <algorithm>
#include <utility>

std::string entryOfCode(std::string_view code)
{
    return "hk" + std::string(code);
}

const char* readCodeFields(const CodeFields& fields, std::string_view entry, CodeRecord& out)
{
    const std::pair<CodeField, const char*> refusals[] = {
        {&CodeFields::alias, "别名输入不正确"},      {&CodeFields::shares, "持股数量输入不正确"},
        {&CodeFields::cost, "成本价输入不正确"},     {&CodeFields::above, "高于价格输入不正确"},
        {&CodeFields::below, "低于价格输入不正确"}, {&CodeFields::move, "涨跌幅输入不正确"}};
    CodeRecord record;
    const CodeField unread = readCodeRecord(fields, entry, record);
    for (const auto& [field, refusal] : refusals)
        if (field == unread)
            return refusal;
    out = record;
    return nullptr;
}

CodesForm::CodesForm(const CodeBook& book, Loader load) : book(book), before(book), load(std::move(load))
{
}

const CodeRecord* CodesForm::recordOf(const std::string& code)
{
    const std::string entry = entryOfCode(code);
    // A record the dialog started with, or one read or cleared since, stays
    // as the book has it.
    if (!before.find(entry) && std::find(looked.begin(), looked.end(), entry) == looked.end()) {
        looked.push_back(entry);
        CodeRecord read = load(entry);
        read.entry = entry;
        // What the file holds counts as the record before the dialog, so
        // that only an edit writes its section.
        before.put(read);
        book.put(read);
    }
    return book.find(entry);
}

void CodesForm::setCodes(const std::vector<std::string>& codes)
{
    const std::string current = selected >= 0 ? list[static_cast<std::size_t>(selected)] : std::string();
    list = codes;
    for (const std::string& code : list)
        recordOf(code);
    const auto found = std::find(list.begin(), list.end(), current);
    if (found != list.end())
        selected = static_cast<int>(found - list.begin());
    else
        selected = list.empty() ? -1 : 0;
}

CodeFields CodesForm::fields() const
{
    if (selected < 0)
        return {};
    const CodeRecord* record = book.find(entryOfCode(list[static_cast<std::size_t>(selected)]));
    return record ? codeFieldsFrom(*record) : CodeFields();
}

bool CodesForm::takesHolding() const
{
    return selected >= 0 && entryTakesHolding(list[static_cast<std::size_t>(selected)]);
}

const char* CodesForm::take(const CodeFields& typed)
{
    if (selected < 0)
        return nullptr;
    const std::string entry = entryOfCode(list[static_cast<std::size_t>(selected)]);
    CodeRecord record;
    if (const char* refusal = readCodeFields(typed, entry, record))
        return refusal;
    // A record left with nothing in it goes from the book; its section is
    // then written empty.
    book.put(record);
    return nullptr;
}

const char* CodesForm::select(int index, const CodeFields& typed)
{
    if (const char* refusal = take(typed))
        return refusal;
    if (index >= -1 && index < static_cast<int>(list.size()))
        selected = index;
    return nullptr;
}

CodeBook CodesForm::listedRecords(const std::vector<std::string>& codes)
{
    CodeBook listed;
    for (const std::string& code : codes) {
        if (const CodeRecord* record = recordOf(code))
            listed.put(*record);
    }
    return listed;
}
