// Any bytes as a quote reply, built into a page and read back by the page
// view: the table has exactly the rows the builder reported, and every link it
// finds is a code link under the link base.
#include "pageview/HtmlPage.h"
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
    std::string page;
    int rows = -1;
    int columns = -1;
    const QuoteBatch batch = buildCheckedPage(settings, context, reply, page, rows, columns);

    const HtmlPage parsed = parseHtmlPage(page.data(), page.size());
    require(parsed.blocks.size() == 1 && parsed.blocks[0].isTable);
    const std::size_t lines =
        (settings.displayFlags & showHeader ? 2 : 0) + (settings.displayFlags & showRefreshTime ? 1 : 0);
    require(parsed.blocks[0].table.rows.size() == lines + static_cast<std::size_t>(rows) &&
            rows == batch.count);
    const int linksPerRow =
        (settings.displayFlags & showCode ? 1 : 0) + (settings.displayFlags & showName ? 1 : 0);
    require(parsed.links.size() == static_cast<std::size_t>(linksPerRow * rows));
    for (const std::string& link : parsed.links)
        require(isWebAddress(link) &&
                link.compare(0, context.linkBase.size() + 6, context.linkBase + "&Code=") == 0);
    return 0;
}
