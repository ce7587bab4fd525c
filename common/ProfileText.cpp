#include "common/ProfileText.h"

#include <algorithm>

namespace {

std::string trimmed(const std::string& text, std::size_t begin, std::size_t end)
{
    return std::string(withoutBlanks(std::string_view(text).substr(begin, end - begin)));
}

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (lowered(a[i]) != lowered(b[i]))
            return false;
    return i == a.size() && !b[i];
}

// One line of a profile text: where it starts and ends (before its line
// break), and where the next one starts.
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

class Lines {
public:
    explicit Lines(const std::string& text)
        : text(text), pos(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0)
    {
    }

    bool next(Line& line)
    {
        if (pos >= text.size())
            return false;
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::size_t next = end;
        if (next < text.size() && text[next] == '\r')
            ++next;
        if (next < text.size() && text[next] == '\n')
            ++next;
        line = {pos, end, next};
        pos = next;
        return true;
    }

private:
    const std::string& text;
    std::size_t pos;
};

// The name of a section line ("[name]"), or false for any other line.
bool sectionName(const std::string& text, const Line& line, std::string& name)
{
    const std::string content = trimmed(text, line.begin, line.end);
    if (content.empty() || content[0] != '[')
        return false;
    const std::size_t close = content.find(']');
    name = trimmed(content, 1, close == std::string::npos ? content.size() : close);
    return true;
}

// The key of a line inside a section (the whole line when it has no '=').
std::string keyOf(const std::string& text, const Line& line)
{
    const std::size_t equals = text.find('=', line.begin);
    return trimmed(text, line.begin, equals < line.end ? equals : line.end);
}

// The first section of a name: its lines other than blank ones, and where
// the line after its last such line (or its header) starts; end is npos
// when there is no such section.
struct Section {
    std::vector<Line> lines;
    std::size_t end = std::string::npos;
};

Section findSection(const std::string& text, const char* name)
{
    Section found;
    Lines lines(text);
    Line line{};
    bool inSection = false;
    std::string header;
    while (lines.next(line)) {
        if (sectionName(text, line, header)) {
            if (inSection)
                break;
            inSection = sameName(header, name);
            if (inSection)
                found.end = line.next;
            continue;
        }
        if (!inSection || trimmed(text, line.begin, line.end).empty())
            continue;
        found.lines.push_back(line);
        found.end = line.next;
    }
    return found;
}

}  // namespace

std::string_view withoutBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string profileValue(const std::string& text, const char* section, const char* key)
{
    for (const Line& line : findSection(text, section).lines) {
        if (!sameName(keyOf(text, line), key))
            continue;
        const std::size_t equals = text.find('=', line.begin);
        if (equals >= line.end)
            return "";
        std::string value = trimmed(text, equals + 1, line.end);
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return "";
}

std::string withProfileValues(const std::string& text, const char* section,
                              const std::vector<ProfileEntry>& entries)
{
    const Section found = findSection(text, section);
    std::string added;  // the lines of keys the section lacks
    std::vector<std::pair<Line, std::string>> replaced;
    for (const ProfileEntry& entry : entries) {
        const std::string newLine = std::string(entry.first) + "=" + entry.second;
        const auto line = std::find_if(found.lines.begin(), found.lines.end(),
                                       [&](const Line& l) { return sameName(keyOf(text, l), entry.first); });
        if (line != found.lines.end())
            replaced.emplace_back(*line, newLine);
        else
            added += newLine + "\r\n";
    }

    std::string out;
    std::size_t copied = 0;
    auto copyTo = [&](std::size_t pos) {
        out.append(text, copied, pos - copied);
        copied = pos;
    };
    std::sort(replaced.begin(), replaced.end(),
              [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
    for (const auto& [line, newLine] : replaced) {
        if (line.begin < copied)
            continue;  // the same key twice in entries: the first value holds
        copyTo(line.begin);
        out += newLine;
        copied = line.end;
    }
    if (found.end == std::string::npos) {
        copyTo(text.size());
        if (!out.empty() && out.back() != '\n')
            out += "\r\n";
        out += "[" + std::string(section) + "]\r\n" + added;
        return out;
    }
    copyTo(found.end);
    // A section's last line without a line break (the end of the file) gets one.
    if (!added.empty() && !out.empty() && out.back() != '\n')
        out += "\r\n";
    out += added;
    copyTo(text.size());
    return out;
}
