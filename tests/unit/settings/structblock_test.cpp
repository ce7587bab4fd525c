#include "settings/SettingsStore.h"
#include "settings/StructBlock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cctype>
#include <cstring>
#include <vector>

TEST(StructBlock, WritesTheProfileStructForm)
{
    const UserSettings s = defaultUserSettings();
    EXPECT_EQ(encodeStructBlock(&s.backColor, 28),
              "FFFFE6000000FF0000990000FF00000000000000750000000A000000FA");
    const WindowState zero = {};
    EXPECT_EQ(encodeStructBlock(&zero, sizeof zero), std::string(42, '0'));
    const unsigned char bytes[] = {0x01, 0x02, 0x03, 0xFE};
    EXPECT_EQ(encodeStructBlock(bytes, 4), "010203FE04");
}

TEST(StructBlock, ReadsBackOnlyExactIntactBlocks)
{
    const WindowState stored = {1, {-20, 30, 0x7FFFFFFF, -0x7FFFFFFF - 1}};
    const std::string text = encodeStructBlock(&stored, sizeof stored);
    WindowState read = {};
    ASSERT_TRUE(decodeStructBlock(text, &read, sizeof read));
    EXPECT_EQ(std::memcmp(&read, &stored, sizeof read), 0);

    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    WindowState fromLower = {};
    EXPECT_TRUE(decodeStructBlock(lower, &fromLower, sizeof fromLower));
    EXPECT_EQ(std::memcmp(&fromLower, &stored, sizeof read), 0);

    // Any one digit changed, a length off by one or two, or a non-digit:
    // refused, and the target keeps what it held.
    const WindowState untouched = {7, {7, 7, 7, 7}};
    std::vector<std::string> bad = {"", text.substr(1), text.substr(2), text + "0", text + "00"};
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string changed = text;
        changed[i] = changed[i] == '0' ? '1' : '0';
        bad.push_back(changed);
        for (char junk : {'G', 'g', ' ', '-', '\0'}) {
            changed[i] = junk;
            bad.push_back(changed);
        }
    }
    for (const std::string& b : bad) {
        WindowState target = untouched;
        EXPECT_FALSE(decodeStructBlock(b, &target, sizeof target)) << b;
        EXPECT_EQ(std::memcmp(&target, &untouched, sizeof target), 0) << b;
    }
}

TEST(StructBlock, ReadsIntegersLikeTheProfileFunctions)
{
    EXPECT_EQ(parseProfileInt("", 9), 9);
    EXPECT_EQ(parseProfileInt("7", 9), 7);
    EXPECT_EQ(parseProfileInt(" +12abc", 9), 12);
    EXPECT_EQ(parseProfileInt("-1", 9), -1);
    EXPECT_EQ(parseProfileInt("abc", 9), 0);
    EXPECT_EQ(parseProfileInt("-", 9), 0);
    EXPECT_EQ(parseProfileInt("4294967297", 9), 1);
}
