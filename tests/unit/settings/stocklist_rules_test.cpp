#include "settings/StockListRules.h"

#include <gtest/gtest.h>

#include <cstring>

using Codes = std::vector<std::string>;

TEST(StockListText, SplitsTrimsThePrefixAndJoinsBack)
{
    const char text[] = ",hkHSI,,hk00700,khkHSCEI,hk";
    EXPECT_EQ(codesFromStockList(text, sizeof text), (Codes{"HSI", "00700", "HSCEI"}));
    EXPECT_EQ(codesFromStockList(",", 2), Codes{});
    // A buffer without a terminator is read to its end only.
    const char unterminated[6] = {',', 'h', 'k', 'H', 'S', 'I'};
    EXPECT_EQ(codesFromStockList(unterminated, sizeof unterminated), Codes{"HSI"});

    char stockList[512];
    std::memset(stockList, 'x', sizeof stockList);
    writeStockList({"HSI", "00700"}, stockList);
    EXPECT_STREQ(stockList, ",hkHSI,hk00700");
    EXPECT_EQ(stockList[sizeof stockList - 1], '\0');
    writeStockList({}, stockList);
    EXPECT_STREQ(stockList, ",");
}

TEST(StockListText, AnOverlongListEndsAfterTheLastWholeEntry)
{
    // 60 entries of ",hk" + 5 = 8 characters: 63 fit in 504, the 64th would not.
    Codes codes;
    for (int i = 0; i < 70; ++i)
        codes.push_back(std::to_string(10000 + i));
    char stockList[512];
    writeStockList(codes, stockList);
    EXPECT_EQ(std::strlen(stockList), 63u * 8);
    EXPECT_EQ(std::string(stockList).substr(62 * 8), ",hk10062");
}

TEST(StockListAdd, NormalisesTheTypedCode)
{
    StockListForm form;
    for (const char* typed : {"700", "hsi", "5", " 00388 ", "h1"}) {
        const ListChange c = addCode(form, typed);
        EXPECT_TRUE(c.changed) << typed;
        EXPECT_STREQ(c.status, "") << typed;
    }
    EXPECT_EQ(form.codes, (Codes{"00700", "HSI", "00005", "00388", "H1"}));

    // Nothing typed adds nothing and leaves the status line alone.
    const ListChange blank = addCode(form, "  ");
    EXPECT_FALSE(blank.changed);
    EXPECT_EQ(blank.status, nullptr);
    EXPECT_FALSE(addCode(form, "1,2").changed);  // would be two entries in the stored list
    EXPECT_EQ(form.codes.size(), 5u);
}

TEST(StockListAdd, RefusesLongCodesAndCodesAnEntryBeginsWith)
{
    StockListForm form;
    form.codes = {"HSI", "HSCEI", "hscci"};
    EXPECT_STREQ(addCode(form, "007000").status, "代码长度最长为5位");
    EXPECT_STREQ(addCode(form, "hsc").status, "已添加过此项");
    EXPECT_STREQ(addCode(form, "hscei").status, "已添加过此项");
    EXPECT_STREQ(addCode(form, "HSCCI").status, "已添加过此项");  // the entry's case does not matter
    EXPECT_EQ(form.codes.size(), 3u);
    // HSCEIX is longer than every entry: no entry begins with it.
    EXPECT_STREQ(addCode(form, "HSCEX").status, "");
}

TEST(StockListAdd, StopsAtThirtyEntriesEvenForALongerLoadedList)
{
    StockListForm form;
    for (int i = 1; i <= 30; ++i)
        ASSERT_TRUE(addCode(form, std::to_string(i)).changed);
    EXPECT_STREQ(addCode(form, "31").status, "达到上限不能再添加");
    // The limit comes first: even a too-long code gets that message.
    EXPECT_STREQ(addCode(form, "1234567").status, "达到上限不能再添加");

    form.codes.resize(33, "HSI");
    EXPECT_STREQ(addCode(form, "31").status, "达到上限不能再添加");
    form.codes.resize(29);
    EXPECT_TRUE(addCode(form, "31").changed);
}

TEST(StockListEdit, DeleteSelectsTheNextOrTheNewLastEntry)
{
    StockListForm form;
    EXPECT_STREQ(deleteSelectedCode(form).status, "列表中没有数据");

    form.codes = {"A", "B", "C"};
    form.selection = -1;
    EXPECT_FALSE(deleteSelectedCode(form).changed);

    form.selection = 0;
    const ListChange c = deleteSelectedCode(form);
    EXPECT_TRUE(c.changed);
    EXPECT_EQ(c.status, nullptr);
    EXPECT_EQ(form.codes, (Codes{"B", "C"}));
    EXPECT_EQ(form.selection, 0);

    form.selection = 1;
    deleteSelectedCode(form);
    EXPECT_EQ(form.codes, Codes{"B"});
    EXPECT_EQ(form.selection, 0);

    deleteSelectedCode(form);
    EXPECT_TRUE(form.codes.empty());
    EXPECT_EQ(form.selection, -1);
}

TEST(StockListEdit, MovesSwapWithTheNeighbourAndKeepTheSelection)
{
    StockListForm form;
    form.codes = {"A", "B", "C"};
    form.selection = 0;
    EXPECT_FALSE(moveSelectedCode(form, -1).changed);
    form.selection = 2;
    EXPECT_FALSE(moveSelectedCode(form, +1).changed);
    form.selection = -1;
    EXPECT_FALSE(moveSelectedCode(form, +1).changed);
    EXPECT_EQ(form.codes, (Codes{"A", "B", "C"}));

    form.selection = 1;
    EXPECT_TRUE(moveSelectedCode(form, -1).changed);
    EXPECT_EQ(form.codes, (Codes{"B", "A", "C"}));
    EXPECT_EQ(form.selection, 0);
    EXPECT_TRUE(moveSelectedCode(form, +1).changed);
    EXPECT_TRUE(moveSelectedCode(form, +1).changed);
    EXPECT_EQ(form.codes, (Codes{"A", "C", "B"}));
    EXPECT_EQ(form.selection, 2);
}

TEST(RefreshSlider, PositionAndLabel)
{
    EXPECT_EQ(sliderPositionFor(0), 0);
    EXPECT_EQ(sliderPositionFor(30), 3);
    EXPECT_EQ(sliderPositionFor(300), 30);
    for (int odd : {35, 310, -10, 5})
        EXPECT_EQ(sliderPositionFor(odd), 0) << odd;
    EXPECT_EQ(refreshLabel(0), "刷新频率： 不刷新");
    EXPECT_EQ(refreshLabel(1), "刷新频率： 10 秒");
    EXPECT_EQ(refreshLabel(30), "刷新频率： 300 秒");
}

TEST(HotKeyForms, ConvertBothWays)
{
    // Alt+H, Ctrl+Shift+F12, Ctrl+Left (an extended key).
    EXPECT_EQ(hotKeyControlValue(modAlt, 'H'), 0x0448);
    EXPECT_EQ(hotKeyControlValue(modControl | modShift, 0x7B), 0x037B);
    EXPECT_EQ(hotKeyControlValue(modControl, 0x25), 0x0A25);

    std::uint32_t modifiers = 0, key = 0;
    EXPECT_EQ(hotKeyFromControlValue(0x0448, modifiers, key), nullptr);
    EXPECT_EQ(modifiers, modAlt);
    EXPECT_EQ(key, 0x48u);
    EXPECT_EQ(hotKeyFromControlValue(0x0F25, modifiers, key), nullptr);
    EXPECT_EQ(modifiers, modAlt | modControl | modShift);
    EXPECT_EQ(key, 0x25u);
}

TEST(HotKeyForms, RefusesKeysWithoutAltCtrlOrShift)
{
    std::uint32_t modifiers = 7, key = 7;
    EXPECT_STREQ(hotKeyFromControlValue(0x0000, modifiers, key), "热键过于简单");  // cleared control
    EXPECT_STREQ(hotKeyFromControlValue(0x0048, modifiers, key), "热键过于简单");  // H alone
    EXPECT_STREQ(hotKeyFromControlValue(0x0825, modifiers, key), "热键过于简单");  // Left alone
    EXPECT_STREQ(hotKeyFromControlValue(0x0400, modifiers, key), "热键过于简单");  // Alt, no key
    EXPECT_EQ(modifiers, 7u);
    EXPECT_EQ(key, 7u);
}
