// Any bytes as a quote reply: through the parser, then through the page builder.
#include "tests/fuzz/QuotePageProperties.h"
#include "tests/support/SampleQuotes.h"

#include <cstring>
#include <string>
#include <vector>

std::vector<std::string> fuzzSeeds()
{
    const std::string record = "var hq_str_hk00700=\"TENCENT,腾讯控股,";
    const std::string tail = ",2.200,0.597,370.400,370.600,5218427830,14129590,0.000,0.000,417.000,260.200,"
                             "2023/09/26,16:08\";\n";
    return {
        record + "370.000,368.400,372.800,366.000,370.600" + tail,
        record + "1e300,1e300,1e300,1e300,1e300,0,0,0,0,1e300,99999999999" + tail,
        // A tooltip of numbers that once ended a kilobyte between the two bytes of "亿".
        record +
            "1e112,1e272,1e112,1e112,1,0,0,0,0,1e300,5218427830,14129590,0.000,0.000,417.000,260.200,"
            "2023/09/26,16:08\";\n",
        record + "nan,inf,-inf,1e308,-0" + tail,
        "var hq_str_hk\xB0=\"\xB0\",\xB0\xB0\xB0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,2023/09/26,16:08\";\n"};
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // The reply lives in a buffer of exactly its size, so reading past it is caught.
    const std::string reply(reinterpret_cast<const char*>(data), size);
    static UserSettings settings = [] {
        UserSettings s{};
        std::strcpy(s.stockList, ",hk00700,hkHSI");
        s.displayFlags = 0x7F;
        return s;
    }();
    QuotePageModel model;
    std::string page;
    const QuoteBatch batch = buildCheckedPage(settings, samplePageContext(), reply, model, page);

    require(batch.count >= 0 && batch.count <= maxQuotes && model.rowCount == batch.count &&
            model.columnCount == 5);
    require(std::memchr(batch.dataTime, 0, sizeof batch.dataTime) != nullptr);
    for (int i = 0; i < batch.count; ++i) {
        const StockQuote& q = batch.quotes[i];
        require(std::memchr(q.code, 0, sizeof q.code) &&
                std::memchr(q.primaryName, 0, sizeof q.primaryName) &&
                std::memchr(q.displayName, 0, sizeof q.displayName));
    }
    return 0;
}
