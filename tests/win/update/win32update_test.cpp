#include "update/SelfUpdate.h"
#include "update/Win32Update.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

TEST(Win32Update, FilesWriteReadCheckAndDelete)
{
    Win32Files files;
    const char* path = "win32update test file.bin";
    const std::string exe = [] {
        std::string e(0x48, '\0');
        e.replace(0, 2, "MZ");
        e[0x3C] = 0x40;
        return e.replace(0x40, 4, std::string("PE\0\0", 4));
    }();
    ASSERT_TRUE(files.write(path, exe.data(), exe.size()));
    EXPECT_TRUE(files.exists(path));
    EXPECT_TRUE(isWindowsExecutable(files, path));
    char tail[8] = {};
    EXPECT_EQ(files.read(path, 0x40, tail, sizeof tail), 8u);
    EXPECT_EQ(files.read(path, 0x100, tail, sizeof tail), 0u);

    // The short form names the same file and has no blank.
    const std::string shortForm = files.shortPath(path);
    EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
    EXPECT_TRUE(files.exists(shortForm.c_str()));

    EXPECT_TRUE(files.remove(path));
    EXPECT_FALSE(files.exists(path));
    EXPECT_FALSE(files.remove(path));
    EXPECT_FALSE(files.write("no such folder\\x.exe", "MZ", 2));
    EXPECT_EQ(files.shortPath("no such file"), "no such file");
}

TEST(Win32Update, OwnPathIsTheRunningProgramsShortForm)
{
    Win32Launcher launcher;
    const std::string own = launcher.ownPath();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.find(' '), std::string::npos);
    EXPECT_NE(GetFileAttributesA(own.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32Update, GuidsComeInTheirBracedRegistryForm)
{
    ComGuidSource guids;
    std::string a, b;
    ASSERT_TRUE(guids.create(a));
    ASSERT_TRUE(guids.create(b));
    EXPECT_TRUE(std::regex_match(a, std::regex(R"(\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})"))) << a;
    EXPECT_NE(a, b);
}

TEST(Win32Update, AppValuesReportSuccessAndAbsenceAsTheyAre)
{
    Win32AppValues values;
    const char* name = "win32update test value";
    char buffer[8] = {};
    std::uint32_t type = 0;
    std::uint32_t length = 0;
    EXPECT_FALSE(values.read(name, buffer, sizeof buffer, type, length));

    const std::uint32_t number = 5;
    ASSERT_TRUE(values.write(name, 4, &number, sizeof number));
    std::uint32_t back = 0;
    EXPECT_TRUE(values.read(name, &back, sizeof back, type, length));
    EXPECT_EQ(back, 5u);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(length, 4u);
    EXPECT_FALSE(values.read(name, buffer, 2, type, length));  // does not fit
    EXPECT_TRUE(values.erase(name));
    EXPECT_FALSE(values.read(name, buffer, sizeof buffer, type, length));
    EXPECT_FALSE(values.erase(name));
}

namespace {

// The debug output as a debugger would see it: the system raises each line
// as an exception that a handler may look at before it goes on.
struct TraceCapture {
    TraceCapture() : handler(AddVectoredExceptionHandler(1, &take)) { lines().clear(); }
    ~TraceCapture() { RemoveVectoredExceptionHandler(handler); }
    static std::string& lines()
    {
        static std::string seen;
        return seen;
    }
    static LONG CALLBACK take(EXCEPTION_POINTERS* e)
    {
        const EXCEPTION_RECORD& r = *e->ExceptionRecord;
        if (r.NumberParameters >= 2 && r.ExceptionCode == DBG_PRINTEXCEPTION_C)
            lines().append(reinterpret_cast<const char*>(r.ExceptionInformation[1]));
        return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID handler;
};

}  // namespace

TEST(Win32Update, FailuresAreTracedWithTheirCause)
{
    const TraceCapture traced;
    Win32Files files;
    EXPECT_FALSE(files.write("no such folder\\x.exe", "MZ", 2));
    EXPECT_NE(traced.lines().find("Zeb: update: a file cannot be created (0x00000003)"), std::string::npos)
        << traced.lines();
    Win32Launcher launcher;
    EXPECT_FALSE(launcher.run("no such program.exe"));
    EXPECT_NE(traced.lines().find("Zeb: update: ZebUpdater does not start (0x00000002)"), std::string::npos)
        << traced.lines();
}
