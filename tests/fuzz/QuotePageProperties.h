// What every quote page must hold, whatever the reply and the settings: shared
// by the fuzz targets that build pages. A broken property stops the process.
#pragma once

#include "common/Gb2312.h"
#include "common/WebAddress.h"
#include "quotes/QuoteParser.h"
#include "quotes/QuotePage.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

inline void require(bool property)
{
    if (!property)
        __builtin_trap();
}

// Scanned as GB2312, no lead byte takes markup (or any byte below 0x40) as its
// second byte.
inline void requireWholeCharacters(const char* text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (gb2312::isLeadByte(static_cast<unsigned char>(text[i])))
            require(++i < size && static_cast<unsigned char>(text[i]) >= 0x40);
}

// clang knows no execution character set but UTF-8: there the page's own
// Chinese texts are no GB2312, and only the values' texts can be checked (a
// name in a tooltip up to its "(", and the link texts).
constexpr bool gb2312Literals = sizeof("亿") == 3;

inline void requireWholeCharacters(const std::string& page)
{
    if (gb2312Literals) {
        requireWholeCharacters(page.data(), page.size());
        return;
    }
    for (const auto& [open, close] :
         {std::make_pair("title=\"", "("), std::make_pair("class=\"cjc\">", "</a>")})
        for (std::size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + 1)) {
            const std::size_t start = at + std::strlen(open);
            const std::size_t end = page.find(close, start);
            require(end != std::string::npos);
            requireWholeCharacters(page.data() + start, end - start);
        }
}

// Every link is one the shell may open: the table's start with the link base,
// the upgrade notice's is the home page.
inline void requireSafeLinks(const std::string& page, const PageContext& context)
{
    for (std::size_t at = page.find("<a href="); at != std::string::npos;
         at = page.find("<a href=", at + 1)) {
        std::size_t start = at + 8;
        const bool quoted = page[start] == '"';
        start += quoted;
        const std::size_t end = page.find_first_of(quoted ? "\"" : " >", start);
        require(end != std::string::npos);
        const std::string href = page.substr(start, end - start);
        require(isWebAddress(href));
        require(href.compare(0, context.linkBase.size(), context.linkBase) == 0 || href == context.homePage);
    }
}

// Builds the page of a reply with the given settings, checks its file's text,
// and returns the batch the page was built from.
inline QuoteBatch buildCheckedPage(const UserSettings& settings, const PageContext& context,
                                   const std::string& reply, QuotePageModel& model, std::string& page)
{
    QuoteBatch batch;
    parseQuoteReply(reply.data(), reply.size(), batch);
    buildQuotePage(settings, context, model, [&](QuoteBatch& b) {
        b = batch;
        return 0;
    });
    renderPageHtml(model, page);
    requireWholeCharacters(page);
    requireSafeLinks(page, context);
    require(page.find("<script") == std::string::npos);
    return batch;
}

// Seeds the gcc-built replay driver feeds to a target besides its corpus: there
// the literals are GB2312, as in the program.
std::vector<std::string> fuzzSeeds();
