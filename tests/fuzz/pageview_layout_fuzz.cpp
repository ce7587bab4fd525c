// Any bytes in the page file: the page view parses and lays them out without
// crashing, at 100, 150 or 200 %, places nothing outside the view, and works
// in proportion to the input (a page file of 256 KB is read on the
// user-interface thread).
// Unless told otherwise it runs with inputs up to 256 KB, reached from the
// start, and the dictionary beside this file.
#include "pageview/PageView.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The layout measures at most its piece budget plus, in each of a cell's
// three passes, one line height per line break.
constexpr std::size_t maxMeasureCalls = 20000 + 3 * 4000;

bool hasFlag(int argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static std::vector<char*> args;
    static std::string maxLen = "-max_len=" + std::to_string(maxPageBytes + 2);
    static std::string lenControl = "-len_control=0";  // large inputs from the start
    static std::string dictFile = std::string(__FILE__, std::strlen(__FILE__) - 4) + ".dict";
    static std::string dict = "-dict=" + dictFile;
    args.assign(*argv, *argv + *argc);
    if (!hasFlag(*argc, *argv, "-max_len="))
        args.push_back(&maxLen[0]);
    if (!hasFlag(*argc, *argv, "-len_control="))
        args.push_back(&lenControl[0]);
    if (!hasFlag(*argc, *argv, "-dict=") && access(dictFile.c_str(), R_OK) == 0)
        args.push_back(&dict[0]);
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size() - 1);
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first two bytes choose the view's size, the rest is the page.
    int width = size > 0 ? data[0] * 2 : 200;
    int height = size > 1 ? data[1] : 60;
    const char* text = reinterpret_cast<const char*>(data) + (size > 2 ? 2 : size);
    std::size_t length = size > 2 ? size - 2 : 0;

    HtmlPage page = parseHtmlPage(text, length);
    if (page.work > 4 * length + 16)
        std::abort();  // the reader's steps outgrew the input
    const int dpi = 96 + 48 * static_cast<int>(size % 3);
    std::size_t calls = 0, bytes = 0;
    PageLayout layout = layoutPage(scaledForDpi(page, dpi), width, height, [&](const std::string& s, int px) {
        ++calls;
        bytes += s.size();
        return TextSize{static_cast<int>(s.size()) * px / 2, px + 2};
    });
    if (calls > maxMeasureCalls || bytes > 3 * length + calls)
        std::abort();  // each text is measured in at most three passes
    auto outside = [&](const Rect& r) {
        return r.empty() || r.left < 0 || r.top < 0 || r.right > width || r.bottom > height;
    };
    for (const PageTextRun& run : layout.runs)
        if (outside(run.clip))
            std::abort();
    for (const PageFill& fill : layout.fills)
        if (outside(fill.rect))
            std::abort();
    for (const PageLink& link : layout.links)
        if (outside(link.rect))
            std::abort();
    for (const PageTip& tip : layout.tips)
        if (outside(tip.rect))
            std::abort();
    return 0;
}
