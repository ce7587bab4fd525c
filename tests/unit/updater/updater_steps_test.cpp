#include "updater/UpdaterSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Files by name (with their content), every operation in order, files held
// in use for a number of attempts (-1: for good), and whether Zeb ends.
struct FakeSystem {
    std::map<std::string, std::string> files;
    std::map<std::string, int> busyFor;
    std::set<std::string> broken;  // moves from these fail outright
    std::vector<std::string> log;
    bool zebEnds = true;
    bool newStarts = true;  // the build in place takes the mutex once started

    static FakeSystem& of(void* c) { return *static_cast<FakeSystem*>(c); }
    static void note(void* c, const std::string& entry) { of(c).log.push_back(entry); }
    int run(std::vector<const char*> args)
    {
        const UpdaterSystem table = {
            this,
            [](void* c, unsigned ms) { note(c, "sleep " + std::to_string(ms)); },
            [](void* c, unsigned ms) {
                note(c, "wait " + std::to_string(ms));
                return of(c).zebEnds;
            },
            [](void* c, const char* path) {
                note(c, std::string("remove ") + path);
                return of(c).files.erase(path) == 1;
            },
            [](void* c, const char* from, const char* to) {
                note(c, std::string("copy ") + from + " " + to);
                FakeSystem& s = of(c);
                if (s.broken.count(from) || !s.files.count(from))
                    return false;
                s.files[to] = s.files[from];
                return true;
            },
            [](void* c, const char* from, const char* to) {
                note(c, std::string("move ") + from + " " + to);
                FakeSystem& s = of(c);
                for (const char* path : {from, to}) {
                    auto held = s.busyFor.find(path);
                    if (held != s.busyFor.end() && held->second != 0) {
                        --held->second;
                        return MoveResult::busy;
                    }
                }
                if (s.broken.count(from) || !s.files.count(from))
                    return MoveResult::failed;
                // As MoveFileEx with MOVEFILE_REPLACE_EXISTING.
                s.files[to] = s.files[from];
                s.files.erase(from);
                return MoveResult::moved;
            },
            [](void* c, const char* command) {
                note(c, std::string("start ") + command);
                return true;
            },
            [](void* c, unsigned ms) {
                note(c, "wait start " + std::to_string(ms));
                return of(c).newStarts;
            },
            [](void* c) {
                note(c, "mark");
                of(c).files[failedUpdateMarkName] = "";
            }};
        args.insert(args.begin(), "ZebUpdater.exe");
        return runUpdater(static_cast<int>(args.size()), args.data(), table);
    }
    int count(const std::string& entry) const { return static_cast<int>(std::count(log.begin(), log.end(), entry)); }
};

const char* const zeb = "C:\\ZEB\\ZEB.EXE";
const char* const fresh = ".\\Zeb.new.exe";

}  // namespace

TEST(Updater, AnythingButTwoArgumentsEndsAtOnceWithMinusOne)
{
    for (const std::vector<const char*>& args :
         {std::vector<const char*>{}, {"a"}, {"a", "b", "c"}}) {
        FakeSystem system;
        system.files = {{"a", ""}, {"b", ""}, {"Zeb.exe.old", ""}};
        EXPECT_EQ(system.run(args), -1);
        EXPECT_TRUE(system.log.empty());
    }
}

TEST(Updater, WaitsForZebToEndKeepsACopyThenReplacesInOneMoveAndWaitsForTheNewProgram)
{
    FakeSystem system;
    system.files = {{zeb, "old"}, {fresh, "new"}, {"Zeb.exe.old", "older"}};
    EXPECT_EQ(system.run({zeb, fresh}), 0);
    const std::vector<std::string> expected = {"wait 60000",
                                               "remove Zeb.exe.old",
                                               "copy C:\\ZEB\\ZEB.EXE Zeb.exe.old",
                                               "move .\\Zeb.new.exe C:\\ZEB\\ZEB.EXE",
                                               "start C:\\ZEB\\ZEB.EXE",
                                               "wait start 30000"};
    EXPECT_EQ(system.log, expected);
    EXPECT_EQ(system.files, (std::map<std::string, std::string>{{zeb, "new"}, {"Zeb.exe.old", "old"}}));
}

TEST(Updater, ZebThatDoesNotEndKeepsItsProgramAndNothingIsStarted)
{
    FakeSystem system;
    system.zebEnds = false;
    system.files = {{zeb, "old"}, {fresh, "new"}};
    EXPECT_EQ(system.run({zeb, fresh}), updaterZebStillRuns);
    EXPECT_EQ(system.log, (std::vector<std::string>{"wait 60000", "mark"}));
    EXPECT_EQ(system.files.at(zeb), "old");
    EXPECT_EQ(system.files.at(fresh), "new");
}

TEST(Updater, FilesInUseAreTriedAgainForAFewSecondsOnly)
{
    // The fresh file is scanned for a second: the swap waits for it.
    FakeSystem system;
    system.files = {{zeb, "old"}, {fresh, "new"}};
    system.busyFor[fresh] = 4;
    EXPECT_EQ(system.run({zeb, fresh}), 0);
    EXPECT_EQ(system.count("sleep 250"), 4);
    EXPECT_EQ(system.files.at(zeb), "new");
    EXPECT_EQ(system.count("mark"), 0);

    // Held for good: given up after busyRetries attempts, about 5 s.
    FakeSystem held;
    held.files = {{zeb, "old"}, {fresh, "new"}};
    held.busyFor[fresh] = -1;
    EXPECT_EQ(held.run({zeb, fresh}), updaterNotReplaced);
    EXPECT_EQ(held.count("move .\\Zeb.new.exe C:\\ZEB\\ZEB.EXE"), busyRetries);
    EXPECT_GE(static_cast<unsigned>(busyRetries - 1) * busyRetryMs, 4000u);
}

TEST(Updater, NewProgramThatCannotBePutInPlaceLeavesTheOldOneStartedAndMarked)
{
    FakeSystem system;
    system.files = {{zeb, "old"}, {fresh, "new"}};
    system.busyFor[fresh] = -1;
    EXPECT_EQ(system.run({zeb, fresh}), updaterNotReplaced);
    EXPECT_EQ(system.files, (std::map<std::string, std::string>{
                                {zeb, "old"}, {fresh, "new"}, {"Zeb.exe.old", "old"}, {failedUpdateMarkName, ""}}));
    EXPECT_EQ(system.log.back(), "start C:\\ZEB\\ZEB.EXE");

    // The old program cannot even be copied: nothing moves, it is started
    // again and the failure marked.
    FakeSystem stuck;
    stuck.files = {{zeb, "old"}, {fresh, "new"}};
    stuck.broken = {zeb};
    EXPECT_EQ(stuck.run({zeb, fresh}), updaterNotReplaced);
    EXPECT_EQ(stuck.files.at(zeb), "old");
    EXPECT_EQ(stuck.count("move .\\Zeb.new.exe C:\\ZEB\\ZEB.EXE"), 0);
    EXPECT_EQ(stuck.count("mark"), 1);
    EXPECT_EQ(stuck.log.back(), "start C:\\ZEB\\ZEB.EXE");
}

TEST(Updater, NewProgramThatDoesNotStartIsReplacedByTheOldOneStartedAndMarked)
{
    FakeSystem system;
    system.newStarts = false;
    system.files = {{zeb, "old"}, {fresh, "new"}};
    EXPECT_EQ(system.run({zeb, fresh}), updaterNewDidNotStart);
    EXPECT_EQ(system.files, (std::map<std::string, std::string>{{zeb, "old"}, {failedUpdateMarkName, ""}}));
    EXPECT_EQ(system.count("start C:\\ZEB\\ZEB.EXE"), 2);
    EXPECT_EQ(system.log.back(), "start C:\\ZEB\\ZEB.EXE");

    // Not even the way back: the old program is started where it lies.
    FakeSystem lost;
    lost.newStarts = false;
    lost.files = {{zeb, "old"}, {fresh, "new"}};
    lost.broken = {"Zeb.exe.old"};
    EXPECT_EQ(lost.run({zeb, fresh}), updaterNotRestored);
    EXPECT_EQ(lost.files.at("Zeb.exe.old"), "old");
    EXPECT_EQ(lost.log.back(), "start Zeb.exe.old");
}

TEST(Updater, PathWithABlankIsStartedQuoted)
{
    FakeSystem system;
    system.files = {{"C:\\Program Files\\Zeb\\Zeb.exe", "old"}, {fresh, "new"}};
    EXPECT_EQ(system.run({"C:\\Program Files\\Zeb\\Zeb.exe", fresh}), 0);
    EXPECT_EQ(system.count("start \"C:\\Program Files\\Zeb\\Zeb.exe\""), 1);
}
