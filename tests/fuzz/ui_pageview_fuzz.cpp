// Any bytes in the page file: the page view parses and lays them out without
// crashing, and places nothing outside the view.
#include "ui/PageView.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first two bytes choose the view's size, the rest is the page.
    int width = size > 0 ? data[0] * 2 : 200;
    int height = size > 1 ? data[1] : 60;
    const char* text = reinterpret_cast<const char*>(data) + (size > 2 ? 2 : size);
    std::size_t length = size > 2 ? size - 2 : 0;

    HtmlPage page = parseHtmlPage(text, length);
    PageLayout layout = layoutPage(page, width, height, [](const std::string& s, int px) {
        return TextSize{static_cast<int>(s.size()) * px / 2, px + 2};
    });
    auto outside = [&](const PageRect& r) {
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
