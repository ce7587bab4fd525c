#include "settings/CodesForm.h"

#include <gtest/gtest.h>

#include <map>

TEST(CodeFields, ReadWithTheFileRulesAndAnIndexTakesNoHolding)
{
    CodeFields typed{" 腾讯 ", "1000", "370.5", "400", "", "5"};
    CodeRecord share;
    ASSERT_EQ(readCodeFields(typed, "hk00700", share), nullptr);
    EXPECT_EQ(share.alias, "腾讯");
    EXPECT_EQ(share.shares, 1000);
    EXPECT_EQ(share.cost, 370.5);
    EXPECT_EQ(share.above, 400.0);
    EXPECT_FALSE(share.below);
    EXPECT_EQ(share.move, 5.0);
    EXPECT_EQ(codeFieldsFrom(share).cost, "370.5");
    EXPECT_EQ(codeFieldsFrom(CodeRecord()).shares, "");

    CodeRecord index;
    typed.cost = "abc";  // not read for an index
    ASSERT_EQ(readCodeFields(typed, "hkHSI", index), nullptr);
    EXPECT_EQ(index.shares, 0);
    EXPECT_FALSE(index.cost);

    const std::pair<std::string CodeFields::*, const char*> refusals[] = {
        {&CodeFields::alias, "别名输入不正确"},      {&CodeFields::shares, "持股数量输入不正确"},
        {&CodeFields::cost, "成本价输入不正确"},     {&CodeFields::above, "高于价格输入不正确"},
        {&CodeFields::below, "低于价格输入不正确"}, {&CodeFields::move, "涨跌幅输入不正确"}};
    for (const auto& [field, text] : refusals) {
        CodeFields bad{"", "", "", "", "", ""};
        bad.*field = field == &CodeFields::alias ? "一二三四五六七八九" : "abc";
        CodeRecord out = share;
        EXPECT_STREQ(readCodeFields(bad, "hk00700", out), text);
        EXPECT_EQ(out, share);
    }
    CodeFields tooMuch{"", "", "", "", "", "1000.5"};
    EXPECT_STREQ(readCodeFields(tooMuch, "hk00700", share), "涨跌幅输入不正确");
}

// A settings file of records, counting its reads.
struct FileRecords {
    std::map<std::string, CodeRecord> sections;
    int reads = 0;
    CodesForm::Loader loader()
    {
        return [this](const std::string& entry) {
            ++reads;
            const auto found = sections.find(entry);
            return found == sections.end() ? CodeRecord() : found->second;
        };
    }
};

static CodeRecord record(const char* entry, const char* alias, std::int64_t shares = 0)
{
    CodeRecord r;
    r.entry = entry;
    r.alias = alias;
    r.shares = shares;
    return r;
}

TEST(CodesForm, FollowsTheListAndReadsAReAddedCodeFromTheFile)
{
    FileRecords file;
    file.sections["hk00005"] = record("hk00005", "汇丰", 400);
    CodeBook live;
    live.put(record("hk00700", "腾讯"));
    CodesForm form(live, file.loader());

    form.setCodes({"HSI", "00700"});
    EXPECT_EQ(form.selection(), 0);
    EXPECT_FALSE(form.takesHolding());
    EXPECT_EQ(file.reads, 1);  // HSI, which has no record; read once only
    form.setCodes({"HSI", "00700"});
    EXPECT_EQ(file.reads, 1);

    ASSERT_EQ(form.select(1, form.fields()), nullptr);
    EXPECT_TRUE(form.takesHolding());
    EXPECT_EQ(form.fields().alias, "腾讯");
    // The same code stays selected when the list changes around it.
    form.setCodes({"00005", "00700"});
    EXPECT_EQ(form.selection(), 1);
    EXPECT_EQ(form.edited().find("hk00005")->alias, "汇丰");
    // Read from the file, it is no edit: nothing differs yet.
    EXPECT_EQ(form.edited(), form.original());

    // Codes added since the page was shown are read for the live records;
    // a code that left the list keeps its record in the book.
    file.sections["hk02800"] = record("hk02800", "盈富");
    const CodeBook listed = form.listedRecords({"00005", "02800"});
    EXPECT_EQ(listed.records().size(), 2u);
    EXPECT_EQ(listed.find("hk02800")->alias, "盈富");
    EXPECT_TRUE(form.edited().find("hk00700"));
    form.setCodes({});
    EXPECT_EQ(form.selection(), -1);
    EXPECT_EQ(form.take(CodeFields{"x", "", "", "", "", ""}), nullptr);  // nothing selected, nothing taken
}

TEST(CodesForm, ARefusedFieldKeepsTheCodeAndAClearedRecordStaysCleared)
{
    FileRecords file;
    file.sections["hk00700"] = record("hk00700", "腾讯");
    CodeBook live;
    live.put(record("hk00700", "腾讯"));
    CodesForm form(live, file.loader());
    form.setCodes({"00700", "HSI"});

    CodeFields typed = form.fields();
    typed.cost = "abc";
    EXPECT_STREQ(form.select(1, typed), "成本价输入不正确");
    EXPECT_EQ(form.selection(), 0);
    EXPECT_EQ(form.edited(), form.original());

    typed.cost = "370";
    typed.shares = "100";
    ASSERT_EQ(form.select(1, typed), nullptr);
    EXPECT_EQ(form.selection(), 1);
    EXPECT_EQ(form.edited().find("hk00700")->cost, 370.0);

    // Emptied, the record goes from the book and is not read back.
    ASSERT_EQ(form.select(0, form.fields()), nullptr);
    ASSERT_EQ(form.take(CodeFields()), nullptr);
    form.setCodes({"00700"});
    EXPECT_EQ(form.edited().find("hk00700"), nullptr);
    EXPECT_TRUE(form.original().find("hk00700"));
}
