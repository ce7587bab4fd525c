#include "pageview/HtmlPage.h"

#include "common/Dpi.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace {

// Work limits: a hostile page file can hold anything, the program's own
// pages stay far below these.
constexpr std::size_t maxInlines = 4000;
constexpr std::size_t maxTextBytes = 4096;
constexpr std::size_t maxBlocks = 200;
constexpr std::size_t maxRows = 500;
constexpr std::size_t maxCells = 64;
constexpr std::size_t maxStrings = 2000;
constexpr std::size_t maxDepth = 64;
constexpr std::size_t maxSelectors = 64;  // per style rule
constexpr Color black = 0x00000000;
constexpr Color linkBlue = 0x00FF0000;

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string toLower(std::string s)
{
    for (char& c : s)
        c = lower(c);
    return s;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isSpace(s[b]))
        ++b;
    while (e > b && isSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// Leading decimal number of "2px", "100%", "12": clamped to 0..limit.
int leadingNumber(const std::string& text, int limit)
{
    std::string s = trim(text);
    long value = 0;
    std::size_t i = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > limit)
            value = limit;
    }
    return static_cast<int>(value);
}

bool isPercent(const std::string& text)
{
    std::string s = trim(text);
    return !s.empty() && s.back() == '%';
}

HtmlAlign parseAlign(const std::string& text, HtmlAlign fallback)
{
    std::string s = toLower(trim(text));
    if (s == "left")
        return HtmlAlign::Left;
    if (s == "center" || s == "middle")
        return HtmlAlign::Center;
    if (s == "right")
        return HtmlAlign::Right;
    return fallback;
}

struct Tag {
    std::string name;
    bool closing = false;
    std::map<std::string, std::string> attributes;

    const std::string* attribute(const char* key) const
    {
        auto it = attributes.find(key);
        return it == attributes.end() ? nullptr : &it->second;
    }
};

// The rules of the <style> block that the page view draws.
struct StyleRules {
    std::map<std::string, Color> classColors;
    bool hasBodyColor = false;
    Color bodyColor = black;
    int bodyFontPx = 0;
    int bodyMargin = -1;
    std::string bodyFontFace;
    int tableFontPx = 0;
};

// What one declaration block sets: the last usable value of each property.
struct Declarations {
    bool hasColor = false;
    Color color = black;
    int fontPx = 0;   // the last positive font-size, 0 when none
    int margin = -1;  // -1 when not given
    std::string fontFace;  // the first family of font-family, "" when none
};

std::string_view trimView(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// The first family name of a font-family value, without its quotes; a name
// too long for a font's face is no name.
std::string firstFontFamily(std::string_view value)
{
    std::string_view first = trimView(value.substr(0, value.find(',')));
    if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') && first.back() == first.front())
        first = trimView(first.substr(1, first.size() - 2));
    if (first.size() > maxFontFaceBytes)
        return {};
    return std::string(first);
}

Declarations parseDeclarations(std::string_view block)
{
    Declarations result;
    while (!block.empty()) {
        std::size_t semi = block.find(';');
        std::string_view declaration = block.substr(0, semi);
        block.remove_prefix(semi == std::string_view::npos ? block.size() : semi + 1);
        std::size_t colon = declaration.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string property = toLower(std::string(trimView(declaration.substr(0, colon))));
        std::string value(trimView(declaration.substr(colon + 1)));
        Color color;
        if (property == "color" && parseHtmlColor(value, color)) {
            result.hasColor = true;
            result.color = color;
        } else if (property == "font-size") {
            int px = leadingNumber(value, 200);
            if (px > 0)
                result.fontPx = px;
        } else if (property == "margin") {
            result.margin = leadingNumber(value, 200);
        } else if (property == "font-family") {
            result.fontFace = firstFontFamily(value);
        }
    }
    return result;
}

void applyDeclarations(const std::string& selector, const Declarations& d, StyleRules& rules)
{
    if (selector == "body") {
        if (d.hasColor) {
            rules.hasBodyColor = true;
            rules.bodyColor = d.color;
        }
        if (d.fontPx > 0)
            rules.bodyFontPx = d.fontPx;
        if (d.margin >= 0)
            rules.bodyMargin = d.margin;
        if (!d.fontFace.empty())
            rules.bodyFontFace = d.fontFace;
    } else if (selector == "table") {
        if (d.fontPx > 0)
            rules.tableFontPx = d.fontPx;
    } else if (selector.size() > 1 && selector[0] == '.' && d.hasColor) {
        std::string name = selector.substr(1);
        if (rules.classColors.size() < maxStrings || rules.classColors.count(name))
            rules.classColors[name] = d.color;
    }
}

// Each declaration block is read once and then given to its selectors, of
// which a rule has at most maxSelectors; work counts the steps.
void parseStyle(std::string_view css, StyleRules& rules, std::size_t& work)
{
    while (!css.empty()) {
        std::size_t open = css.find('{');
        if (open == std::string_view::npos)
            break;
        std::size_t close = css.find('}', open);
        if (close == std::string_view::npos)
            close = css.size();
        std::string_view selectors = css.substr(0, open);
        const Declarations declarations = parseDeclarations(css.substr(open + 1, close - open - 1));
        work += close + 1;
        css.remove_prefix(std::min(close + 1, css.size()));

        for (std::size_t count = 0; count < maxSelectors; ++count) {
            std::size_t comma = selectors.find(',');
            applyDeclarations(toLower(std::string(trimView(selectors.substr(0, comma)))), declarations,
                              rules);
            ++work;
            if (comma == std::string_view::npos)
                break;
            selectors.remove_prefix(comma + 1);
        }
    }
}

// What an open element passes on to the text inside it.
struct Frame {
    std::string tag;
    Color color = black;
    int fontPx = 16;
    int link = -1;
    int title = -1;
    bool underline = false;
    HtmlAlign align = HtmlAlign::Left;
};

class Builder {
public:
    HtmlPage page;

    Builder() { frames.push_back(Frame()); }

    void startTag(const Tag& tag)
    {
        const std::string& name = tag.name;
        if (name == "head") {
            inHead = true;
        } else if (name == "body") {
            inHead = false;
            startBody(tag);
        } else if (name == "table") {
            startTable(tag);
        } else if (name == "tr") {
            startRow(tag);
        } else if (name == "td" || name == "th") {
            startCell(tag);
        } else if (name == "a") {
            Frame f = frames.back();
            f.tag = name;
            const std::string* href = tag.attribute("href");
            if (href && page.links.size() < maxStrings) {
                f.link = static_cast<int>(page.links.size());
                page.links.push_back(decodeCharacterReferences(*href));
                f.color = linkBlue;
                f.underline = true;
            }
            applyCommon(tag, f);
            push(f);
        } else if (name == "font") {
            Frame f = frames.back();
            f.tag = name;
            applyCommon(tag, f);
            push(f);
        } else if (name == "br") {
            HtmlInline item;
            item.lineBreak = true;
            add(item);
        }
    }

    void endTag(const std::string& name)
    {
        if (name == "head") {
            inHead = false;
        } else if (name == "table") {
            if (popTo("table"))
                inTable = false;
        } else if (name == "tr" || name == "td" || name == "th" || name == "a" || name == "font") {
            popTo(name == "th" ? "td" : name);
        }
    }

    void text(const std::string& raw)
    {
        if (inHead || raw.empty())
            return;
        std::string decoded = decodeCharacterReferences(raw);
        std::string collapsed;
        for (char c : decoded) {
            if (isSpace(c)) {
                if (collapsed.empty() || collapsed.back() != ' ')
                    collapsed += ' ';
            } else {
                collapsed += c;
            }
            if (collapsed.size() >= maxTextBytes)
                break;
        }
        HtmlInline item;
        item.text = collapsed;
        add(item);
    }

    void setStyle(std::string_view css) { parseStyle(css, rules, page.work); }

private:
    std::vector<Frame> frames;
    StyleRules rules;
    bool inHead = false;
    bool inTable = false;
    std::size_t inlineCount = 0;

    void push(const Frame& f)
    {
        if (frames.size() < maxDepth)
            frames.push_back(f);
    }

    // Closes the innermost open element called name and all inside it.
    bool popTo(const std::string& name)
    {
        for (std::size_t i = frames.size(); i-- > 1;) {
            if (frames[i].tag == name) {
                frames.resize(i);
                return true;
            }
            if (frames[i].tag == "table")
                return false;  // never close past the table
        }
        return false;
    }

    bool isOpen(const char* name) const
    {
        for (std::size_t i = frames.size(); i-- > 1;)
            if (frames[i].tag == name)
                return true;
        return false;
    }

    int addTitle(const Tag& tag)
    {
        const std::string* title = tag.attribute("title");
        if (!title || page.titles.size() >= maxStrings)
            return -1;
        page.titles.push_back(decodeCharacterReferences(*title));
        return static_cast<int>(page.titles.size() - 1);
    }

    // class, color and title, shared by the elements that carry them.
    void applyCommon(const Tag& tag, Frame& f)
    {
        Color color;
        const std::string* colorText = tag.attribute("color");
        if (colorText && parseHtmlColor(*colorText, color))
            f.color = color;
        const std::string* cls = tag.attribute("class");
        if (cls) {
            auto it = rules.classColors.find(trim(*cls));
            if (it != rules.classColors.end())
                f.color = it->second;
        }
        int title = addTitle(tag);
        if (title >= 0)
            f.title = title;
    }

    void startBody(const Tag& tag)
    {
        Color color;
        const std::string* bg = tag.attribute("bgcolor");
        if (bg && parseHtmlColor(*bg, color))
            page.background = color;
        if (rules.bodyMargin >= 0)
            page.margin = rules.bodyMargin;
        page.fontFace = rules.bodyFontFace;
        Frame& root = frames.front();
        if (rules.hasBodyColor)
            root.color = rules.bodyColor;
        if (rules.bodyFontPx > 0)
            root.fontPx = rules.bodyFontPx;
        frames.resize(1);
        applyCommon(tag, root);
        inTable = false;
    }

    HtmlTable* table()
    {
        return inTable ? &page.blocks.back().table : nullptr;
    }

    void startTable(const Tag& tag)
    {
        if (inTable || page.blocks.size() >= maxBlocks)
            return;  // nested tables are not drawn
        page.blocks.emplace_back();
        HtmlBlock& block = page.blocks.back();
        block.isTable = true;
        HtmlTable& t = block.table;
        if (const std::string* v = tag.attribute("cellpadding"))
            t.cellPadding = leadingNumber(*v, 100);
        if (const std::string* v = tag.attribute("cellspacing"))
            t.cellSpacing = leadingNumber(*v, 100);
        if (const std::string* v = tag.attribute("align"))
            t.align = parseAlign(*v, HtmlAlign::Left);
        if (const std::string* v = tag.attribute("width")) {
            if (isPercent(*v))
                t.widthPercent = leadingNumber(*v, 100);
            else
                t.widthPx = leadingNumber(*v, 10000);
        }
        inTable = true;
        Frame f = frames.back();
        f.tag = "table";
        f.align = HtmlAlign::Left;
        if (rules.tableFontPx > 0)
            f.fontPx = rules.tableFontPx;
        applyCommon(tag, f);
        push(f);
    }

    void startRow(const Tag& tag)
    {
        HtmlTable* t = table();
        if (!t)
            return;
        popTo("tr");
        if (t->rows.size() >= maxRows)
            return;
        t->rows.emplace_back();
        Frame f = frames.back();
        f.tag = "tr";
        if (const std::string* v = tag.attribute("align"))
            f.align = parseAlign(*v, f.align);
        applyCommon(tag, f);
        push(f);
    }

    void startCell(const Tag& tag)
    {
        HtmlTable* t = table();
        if (!t)
            return;
        popTo("td");
        if (!isOpen("tr"))
            startRow(Tag());
        if (t->rows.empty() || t->rows.back().cells.size() >= maxCells)
            return;
        t->rows.back().cells.emplace_back();
        HtmlCell& cell = t->rows.back().cells.back();
        Frame f = frames.back();
        f.tag = "td";
        if (const std::string* v = tag.attribute("align"))
            f.align = parseAlign(*v, f.align);
        cell.align = f.align;
        if (const std::string* v = tag.attribute("colspan"))
            cell.colspan = std::max(1, leadingNumber(*v, static_cast<int>(maxCells)));
        if (const std::string* v = tag.attribute("height"))
            cell.height = leadingNumber(*v, 1000);
        Color color;
        const std::string* bg = tag.attribute("bgcolor");
        if (bg && parseHtmlColor(*bg, color)) {
            cell.hasBackground = true;
            cell.background = color;
        }
        applyCommon(tag, f);
        cell.title = f.title;
        push(f);
    }

    void add(HtmlInline item)
    {
        if (inHead || inlineCount >= maxInlines)
            return;
        const Frame& f = frames.back();
        item.color = f.color;
        item.fontPx = f.fontPx;
        item.link = f.link;
        item.title = f.title;
        item.underline = f.underline;
        if (inTable) {
            HtmlTable& t = page.blocks.back().table;
            if (!isOpen("td") || t.rows.empty() || t.rows.back().cells.empty())
                return;  // text between cells is not shown
            t.rows.back().cells.back().content.push_back(item);
        } else {
            if (page.blocks.empty() || page.blocks.back().isTable) {
                if (page.blocks.size() >= maxBlocks)
                    return;
                page.blocks.emplace_back();
            }
            page.blocks.back().flow.push_back(item);
        }
        ++inlineCount;
    }
};

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Finds "</name" from pos, case-insensitively; size when absent.
std::size_t findEndTag(const char* data, std::size_t size, std::size_t pos, const std::string& name)
{
    for (std::size_t i = pos; i + 2 + name.size() <= size; ++i) {
        if (data[i] != '<' || data[i + 1] != '/')
            continue;
        std::size_t k = 0;
        while (k < name.size() && lower(data[i + 2 + k]) == name[k])
            ++k;
        if (k == name.size())
            return i;
    }
    return size;
}

// Reads one tag starting at data[pos] == '<'; returns the position after it.
std::size_t readTag(const char* data, std::size_t size, std::size_t pos, Tag& tag)
{
    std::size_t i = pos + 1;
    if (i < size && data[i] == '/') {
        tag.closing = true;
        ++i;
    }
    while (i < size && isNameChar(data[i]))
        tag.name += lower(data[i++]);
    while (i < size && data[i] != '>') {
        if (isSpace(data[i]) || data[i] == '/') {
            ++i;
            continue;
        }
        std::string key;
        while (i < size && !isSpace(data[i]) && data[i] != '=' && data[i] != '>' && data[i] != '/')
            key += lower(data[i++]);
        if (key.empty()) {
            ++i;  // a stray '=' or quote
            continue;
        }
        while (i < size && isSpace(data[i]))
            ++i;
        std::string value;
        if (i < size && data[i] == '=') {
            ++i;
            while (i < size && isSpace(data[i]))
                ++i;
            if (i < size && (data[i] == '"' || data[i] == '\'')) {
                char quote = data[i++];
                while (i < size && data[i] != quote)
                    value += data[i++];
                if (i < size)
                    ++i;
            } else {
                while (i < size && !isSpace(data[i]) && data[i] != '>')
                    value += data[i++];
            }
        }
        if (value.size() > maxTextBytes)
            value.resize(maxTextBytes);
        tag.attributes.emplace(key, value);
    }
    return i < size ? i + 1 : size;
}

}  // namespace

std::string decodeCharacterReferences(const std::string& text)
{
    static const struct {
        const char* reference;
        char value;
    } known[] = {{"&#10;", '\n'}, {"&amp;", '&'}, {"&lt;", '<'},
                 {"&gt;", '>'},   {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& k : known) {
                if (text.compare(i, std::char_traits<char>::length(k.reference), k.reference) == 0) {
                    out += k.value;
                    i += std::char_traits<char>::length(k.reference) - 1;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i];
    }
    return out;
}

bool parseHtmlColor(const std::string& text, Color& out)
{
    std::string s = trim(text);
    if (!s.empty() && s[0] == '#')
        s.erase(0, 1);
    if (s.size() != 6 && s.size() != 3)
        return false;
    unsigned digits[6];
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = lower(s[i]);
        if (c >= '0' && c <= '9')
            digits[i] = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digits[i] = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
    }
    unsigned r, g, b;
    if (s.size() == 6) {
        r = digits[0] * 16 + digits[1];
        g = digits[2] * 16 + digits[3];
        b = digits[4] * 16 + digits[5];
    } else {
        r = digits[0] * 17;
        g = digits[1] * 17;
        b = digits[2] * 17;
    }
    out = r | (g << 8) | (b << 16);
    return true;
}

HtmlPage parseHtmlPage(const char* data, std::size_t size)
{
    if (!data)
        size = 0;
    if (size > maxPageBytes)
        size = maxPageBytes;
    Builder builder;
    std::size_t pos = 0;
    while (pos < size) {
        if (data[pos] != '<') {
            std::size_t end = pos;
            while (end < size && data[end] != '<')
                ++end;
            builder.text(std::string(data + pos, end - pos));
            pos = end;
            continue;
        }
        if (size - pos >= 4 && data[pos + 1] == '!' && data[pos + 2] == '-' && data[pos + 3] == '-') {
            std::string_view rest(data + pos + 4, size - pos - 4);
            std::size_t end = rest.find("-->");
            pos = end == std::string::npos ? size : pos + 4 + end + 3;
            continue;
        }
        char next = pos + 1 < size ? data[pos + 1] : '\0';
        if (!isNameChar(next) && next != '/' && next != '!' && next != '?') {
            builder.text("<");
            ++pos;
            continue;
        }
        Tag tag;
        pos = readTag(data, size, pos, tag);
        if (tag.closing) {
            builder.endTag(tag.name);
        } else if (tag.name == "style" || tag.name == "title" || tag.name == "script") {
            std::size_t end = findEndTag(data, size, pos, tag.name);
            if (tag.name == "style")
                builder.setStyle(std::string_view(data + pos, end - pos));
            pos = end;
        } else {
            builder.startTag(tag);
        }
    }
    builder.page.work += size;
    return builder.page;
}

HtmlPage scaledForDpi(const HtmlPage& page, int dpi)
{
    HtmlPage scaled = page;
    if (dpi == defaultDpi)
        return scaled;
    const auto px = [dpi](int px96) { return scaleForDpi(px96, dpi); };
    const auto scaleFlow = [&px](std::vector<HtmlInline>& flow) {
        for (HtmlInline& item : flow)
            item.fontPx = px(item.fontPx);
    };
    scaled.margin = px(page.margin);
    for (HtmlBlock& block : scaled.blocks) {
        scaleFlow(block.flow);
        HtmlTable& t = block.table;
        t.cellPadding = px(t.cellPadding);
        t.cellSpacing = px(t.cellSpacing);
        t.widthPx = px(t.widthPx);
        for (HtmlRow& row : t.rows)
            for (HtmlCell& cell : row.cells) {
                cell.height = px(cell.height);
                scaleFlow(cell.content);
            }
    }
    return scaled;
}
