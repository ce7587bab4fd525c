#include "settings/SettingsFiles.h"

#include <gtest/gtest.h>

TEST(SaveFiles, OnlyTheSettingsFileNameADecimalProcessIdAndNewMakeOne)
{
    std::uint32_t id = 0;
    EXPECT_TRUE(isSaveFile(saveFileName(L"zeb.ini", 4294967295u, 4294967295u), L"zeb.ini", id));
    EXPECT_EQ(id, 4294967295u);
    EXPECT_NE(saveFileName(L"zeb.ini", 12, 1), saveFileName(L"zeb.ini", 12, 2));
    EXPECT_TRUE(isSaveFile(L"ZEB.INI.0012.NEW", L"zeb.ini", id));  // as earlier builds name it
    EXPECT_EQ(id, 12u);
    for (const wchar_t* other : {L"zeb.ini", L"zeb.ini.lock", L"zeb.ini..new", L"zeb.ini.12.new.bak", L"zeb.ini.1a.new",
                                 L"zeb.ini.-1.new", L"zeb.ini.4294967296.new", L"xzeb.ini.12.new", L"zeb.ini.12.old",
                                 L"zeb.ini12.new", L"zeb.ini.12 .new", L"zeb.ini.12..new", L"zeb.ini.1.2.3.new",
                                 L"zeb.ini.12.4294967296.new", L"zeb.ini..12.new"}) {
        id = 7;
        EXPECT_FALSE(isSaveFile(other, L"zeb.ini", id)) << other;
        EXPECT_EQ(id, 7u);
    }
}
