// Any bytes as a quote reply, built into a page and laid out by the page
// view: the table has exactly the rows the builder reported, and every link it
// shows is a code link under the link base.
#include "pageview/PageView.h"
#include "tests/fuzz/QuotePageProperties.h"
#include "tests/support/SampleQuotes.h"

#include <cstring>
#include <string>
#include <vector>

std::vector<std::string> fuzzSeeds()
{
    return {"var hq_str_hk00700=\"TENCENT,腾讯控股,370.000,368.400,372.800,366.000,370.600,2.200,0.597,"
            "370.400,370.600,5218427830,14129590,0.000,0.000,417.000,260.200,2023/09/26,16:08\";\n",
            "var hq_str_hk<td>=\"</tr></table>\",\"><a "
            "href=x>,1e300,nan,inf,1,2,3,4,5,6,7,8,9,10,2023/09/26,16:08\";\n",
            "var hq_str_hk00700=\"'\",\"&#10;\",1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,\xB0\";\n"};
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // The first byte picks the shown columns, header and time line; the rest is the reply.
    if (size == 0)
        return 0;
    UserSettings settings{};
    std::strcpy(settings.stockList, ",hk00700,hkHSI");
    settings.displayFlags = data[0] & 0x7F;
    const std::string reply(reinterpret_cast<const char*>(data) + 1, size - 1);
    const PageContext context = samplePageContext();
    QuotePageModel page;
    std::string file;
    const QuoteBatch batch = buildCheckedPage(settings, context, reply, page, file);

    const std::size_t lines =
        (settings.displayFlags & showHeader ? 2 : 0) + (settings.displayFlags & showRefreshTime ? 1 : 0);
    require(page.kind == PageKind::quotes &&
            page.rows.size() == lines + static_cast<std::size_t>(page.rowCount) &&
            page.rowCount == batch.count);
    const int linksPerRow =
        (settings.displayFlags & showCode ? 1 : 0) + (settings.displayFlags & showName ? 1 : 0);
    const auto codeLink = [&](const std::string& href) {
        return isWebAddress(href) &&
            href.compare(0, context.linkBase.size() + 6, context.linkBase + "&Code=") == 0;
    };
    std::size_t linked = 0;
    for (const PageRow& row : page.rows)
        for (const PageCell& cell : row.cells)
            if (cell.linked) {
                require(codeLink(row.link));
                ++linked;
            }
    require(linked == static_cast<std::size_t>(linksPerRow * page.rowCount));
    // In a view tall enough for every row, each link drawn is one of them.
    const PageLayout layout = layoutPage(page, 400, 2000, 96, [](const std::string& s, int px) {
        return TextSize{static_cast<int>(s.size()) * px / 2, px + 2};
    });
    for (const PageLink& link : layout.links)
        require(codeLink(link.href));
    return 0;
}
