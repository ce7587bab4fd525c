// Any page model, at any view size, at 100, 150 or 200 %: the page view lays
// it out without crashing, places nothing outside the view, and measures text
// in proportion to the page's text (the layout runs on the user-interface
// thread).
// The input is read as a small program that builds the model: see readModel.
#include "pageview/PageView.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The layout measures at most its piece budget plus, in each of a cell's
// three passes, one line height per line break.
constexpr std::size_t maxMeasureCalls = 20000 + 3 * 4000;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool done() const { return at >= size; }
    int byte() { return at < size ? data[at++] : 0; }
    // A text of up to 65535 bytes, its length first.
    std::string text()
    {
        std::size_t length = static_cast<std::size_t>(byte());
        length |= static_cast<std::size_t>(byte()) << 8;
        length = std::min(length, size - at);
        std::string out(reinterpret_cast<const char*>(data) + at, length);
        at += length;
        return out;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

// Kind, font size and colours from the first bytes, then steps until the
// input ends, each chosen by a byte: a row (kind and tone), a cell of the
// last row (alignment, span, link, text), the last row's link or a line of
// its tooltip, a text line (tone, text) or the last line's link.
QuotePageModel readModel(Reader& in)
{
    QuotePageModel page;
    page.kind = static_cast<PageKind>(in.byte() % 4);
    page.fontPx = static_cast<std::int8_t>(in.byte());
    page.palette.back = static_cast<Color>(in.byte()) * 0x010101u;
    page.palette.up = static_cast<Color>(in.byte()) << 8;
    while (!in.done()) {
        const int step = in.byte();
        const int choice = step >> 3;
        switch (step & 7) {
        case 0:
            page.rows.emplace_back();
            page.rows.back().kind = static_cast<RowKind>(choice % 5);
            page.rows.back().tone = static_cast<Tone>(choice % 6);
            break;
        case 1: {
            if (page.rows.empty())
                page.rows.emplace_back();
            PageCell cell;
            cell.align = static_cast<CellAlign>(choice % 3);
            cell.linked = (choice & 4) != 0;
            cell.titled = (choice & 8) != 0;
            cell.span = static_cast<std::int8_t>(in.byte());
            cell.text = in.text();
            page.rows.back().cells.push_back(std::move(cell));
            break;
        }
        case 2:
            if (!page.rows.empty())
                page.rows.back().link = in.text();
            break;
        case 3:
            if (!page.rows.empty())
                page.rows.back().tooltip.push_back(in.text());
            break;
        case 4:
            page.lines.push_back({in.text(), static_cast<Tone>(choice % 6), ""});
            break;
        default:
            if (!page.lines.empty())
                page.lines.back().link = in.text();
            break;
        }
    }
    return page;
}

}  // namespace

std::vector<std::string> fuzzSeeds()
{
    const auto text = [](const std::string& s) {
        return std::string{static_cast<char>(s.size() & 0xFF), static_cast<char>(s.size() >> 8)} + s;
    };
    // A quote table: header, rule, a falling quote with two link cells and a
    // figure, and the time; then an upgrade page, a red line and a link line.
    // Each starts with the view's size.
    std::string table = std::string("\x94\x60\x00\x0C\x80\x40", 6);
    table += std::string(1, '\0') + "\x09\x01" + text("代码") + "\x09\x01" + text("最新价");
    table += "\x08\x01\x02" + text("");
    table += "\x10\x21\x01" + text("hk00700") + "\x21\x01" + text("腾讯控股") + "\x11\x01" + text("+1.25");
    table += "\x02" + text("http://x/?Code=hk00700") + "\x03" + text("腾讯控股(hk00700)") + "\x03" +
        text("成交额: 1亿");
    table += "\x18\x11\x02" + text("2023-09-26 16:08");
    const std::string upgrade = std::string("\x50\x40\x03\x0C\xE6\x00", 6) + "\x24" +
        text("版本需要升级才能正常使用") + "\x2C" + text("查看新版本") + "\x05" + text("http://x/");
    return {table, upgrade};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first two bytes choose the view's size, the rest is the page.
    const int width = size > 0 ? data[0] * 2 : 200;
    const int height = size > 1 ? data[1] : 60;
    Reader in(data + std::min<std::size_t>(size, 2), size > 2 ? size - 2 : 0);
    const QuotePageModel page = readModel(in);

    const int dpi = 96 + 48 * static_cast<int>(size % 3);
    std::size_t calls = 0, bytes = 0;
    PageLayout layout = layoutPage(page, width, height, dpi, [&](const std::string& s, int px) {
        ++calls;
        bytes += s.size();
        return TextSize{static_cast<int>(s.size()) * px / 2, px + 2};
    });
    if (calls > maxMeasureCalls || bytes > 3 * size + calls)
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
