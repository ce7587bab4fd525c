// Reads the small HTML pages the program writes (the quote table, the notice
// pages and the error page) into a flat model the page view can lay out.
// Understands html, head, meta, title, style, body, table, tr, td, a, font and
// br, the color classes and the body/table rules of the <style> block; every
// other tag is skipped. Text stays in GB2312 bytes.
#pragma once

#include "common/Color.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Largest page file read; the program writes pages of a few kilobytes.
constexpr std::size_t maxPageBytes = 256 * 1024;
// Longest font face name kept, in bytes (a face name has at most 31 characters).
constexpr std::size_t maxFontFaceBytes = 62;

// One piece of inline text, or a line break when lineBreak is set.
struct HtmlInline {
    std::string text;
    Color color = 0;
    int fontPx = 16;
    bool lineBreak = false;
    bool underline = false;
    int link = -1;   // index into HtmlPage::links, -1 when not in a link
    int title = -1;  // index into HtmlPage::titles, -1 when it has none
};

enum class HtmlAlign { Left, Center, Right };

struct HtmlCell {
    std::vector<HtmlInline> content;
    HtmlAlign align = HtmlAlign::Left;
    int colspan = 1;
    int height = 0;  // the height attribute in pixels, 0 when absent
    bool hasBackground = false;
    Color background = 0;
    int title = -1;
};

struct HtmlRow {
    std::vector<HtmlCell> cells;
};

struct HtmlTable {
    std::vector<HtmlRow> rows;
    int cellPadding = 1;
    int cellSpacing = 2;
    HtmlAlign align = HtmlAlign::Left;
    int widthPercent = 0;  // width=N%; 0 when not given as a percentage
    int widthPx = 0;       // width=N; 0 when not given in pixels
};

// The body in document order: runs of inline text and tables.
struct HtmlBlock {
    bool isTable = false;
    std::vector<HtmlInline> flow;
    HtmlTable table;
};

struct HtmlPage {
    Color background = 0x00FFFFFF;
    int margin = 8;
    std::string fontFace;  // the body's font-family (its first name, GB2312); "" when none
    std::vector<HtmlBlock> blocks;
    std::vector<std::string> links;   // href values
    std::vector<std::string> titles;  // title values, character references decoded
    // Steps the reader took: bytes looked at, and style rules applied to a
    // selector. Grows in proportion to the input, whatever the input.
    std::size_t work = 0;
};

// Any bytes give a page; input beyond maxPageBytes is ignored.
HtmlPage parseHtmlPage(const char* data, std::size_t size);

// The page as it is drawn at dpi: every size in pixels (font sizes, margin,
// cell padding, spacing and heights, table widths) scaled from 96 DPI.
HtmlPage scaledForDpi(const HtmlPage& page, int dpi);

// Decodes &#10; &amp; &lt; &gt; &quot; and &#39;; anything else stays as it is.
std::string decodeCharacterReferences(const std::string& text);

// "#RRGGBB" or "#RGB" (the '#' may be left out) into a COLORREF.
bool parseHtmlColor(const std::string& text, Color& out);
