#include "updater/UpdaterSteps.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// Files by name and every operation in order.
struct FakeSystem {
    std::set<std::string> files;
    std::vector<std::string> log;

    static FakeSystem& of(void* c) { return *static_cast<FakeSystem*>(c); }
    static void note(void* c, const std::string& entry) { of(c).log.push_back(entry); }
    int run(std::vector<const char*> args)
    {
        const UpdaterSystem table = {
            this, [](void* c, const char* text) { note(c, std::string("print ") + text); },
            [](void* c, unsigned ms) { note(c, "sleep " + std::to_string(ms)); },
            [](void* c, const char* path) {
                note(c, std::string("remove ") + path);
                return of(c).files.erase(path) == 1;
            },
            [](void* c, const char* from, const char* to) {
                note(c, std::string("rename ") + from + " " + to);
                std::set<std::string>& files = of(c).files;
                // As rename(): an existing target is not overwritten.
                return files.count(to) == 0 && files.erase(from) == 1 && files.insert(to).second;
            },
            [](void* c, const char* command) { note(c, std::string("start ") + command); }};
        args.insert(args.begin(), "ZebUpdater.exe");
        return runUpdater(static_cast<int>(args.size()), args.data(), table);
    }
};

}  // namespace

TEST(Updater, AnythingButTwoArgumentsEndsAtOnceWithMinusOne)
{
    for (const std::vector<const char*>& args :
         {std::vector<const char*>{}, {"a"}, {"a", "b", "c"}}) {
        FakeSystem system;
        system.files = {"a", "b", "Zeb.exe.old"};
        EXPECT_EQ(system.run(args), -1);
        EXPECT_TRUE(system.log.empty());
    }
}

TEST(Updater, SwapsAndStartsTheNewProgramEvenOverALeftoverPreviousOne)
{
    FakeSystem system;
    system.files = {"C:\\ZEB\\ZEB.EXE", ".\\Zeb.new.exe", "Zeb.exe.old"};
    EXPECT_EQ(system.run({"C:\\ZEB\\ZEB.EXE", ".\\Zeb.new.exe"}), 0);
    const std::vector<std::string> expected = {"print Zeb Update...\n",
                                               "sleep 2000",
                                               "remove Zeb.exe.old",
                                               "rename C:\\ZEB\\ZEB.EXE Zeb.exe.old",
                                               "sleep 2000",
                                               "rename .\\Zeb.new.exe C:\\ZEB\\ZEB.EXE",
                                               "sleep 2000",
                                               "start C:\\ZEB\\ZEB.EXE"};
    EXPECT_EQ(system.log, expected);
    EXPECT_EQ(system.files, (std::set<std::string>{"C:\\ZEB\\ZEB.EXE", "Zeb.exe.old"}));
}

TEST(Updater, FailedRenamesStillEndWithZeroAndAPathWithABlankIsStartedQuoted)
{
    FakeSystem system;  // neither file exists
    EXPECT_EQ(system.run({"C:\\Program Files\\Zeb\\Zeb.exe", ".\\Zeb.new.exe"}), 0);
    EXPECT_EQ(system.log.back(), "start \"C:\\Program Files\\Zeb\\Zeb.exe\"");
}
