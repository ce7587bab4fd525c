#include "quotes/PageText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

double fromBits(std::uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Doubles where a fixed-point formatter goes wrong: halves in binary and in
// decimal, neighbours of 2^53 and of the rounding points, signed zeros,
// subnormals, huge, infinite and NaN; then random bit patterns of every
// exponent and random prices.
std::vector<double> trickyDoubles()
{
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.125,
                                  0.375,
                                  2.5,
                                  -2.5,
                                  0.005,
                                  0.0005,
                                  1.005,
                                  2.675,
                                  1.0005,
                                  9007199254740991.0,
                                  9007199254740992.0,
                                  9007199254740993.0,
                                  4503599627370495.5,
                                  1e15 + 0.5,
                                  1e300,
                                  -1e300,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::lowest(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  -std::numeric_limits<double>::quiet_NaN()};
    for (double v : {9007199254740992.0, 0.0005, 0.005, 1.0005})
        for (int step = -3; step <= 3; ++step) {
            double x = v;
            for (int i = 0; i < std::abs(step); ++i)
                x = std::nextafter(x, step < 0 ? 0.0 : 1e300);
            values.push_back(x);
            values.push_back(-x);
        }
    std::mt19937_64 random(20240315);
    for (int i = 0; i < 50000; ++i)
        values.push_back(fromBits(random()));
    std::uniform_int_distribution<std::int64_t> thousandths(-100000000, 100000000);
    for (int i = 0; i < 100000; ++i) {
        const double x = static_cast<double>(thousandths(random)) / 1000;
        values.push_back(x);
        values.push_back(x + 0.0005);             // a decimal tie, near enough in binary
        values.push_back(static_cast<float>(x));  // single-precision prices, as the service's once were
    }
    for (int i = 0; i < 4096; ++i)
        values.push_back(i / 8.0 - 256);  // exact binary ties
    return values;
}

}  // namespace

TEST(PageText, FixedNumbersMatchPrintfForEveryKindOfDouble)
{
    int mismatches = 0;
    for (const double value : trickyDoubles())
        for (int decimals = 0; decimals <= 3; ++decimals) {
            char expected[fixedTextSize];
            std::snprintf(expected, sizeof expected, "%0.*f", decimals, value);
            char text[fixedTextSize];
            const std::size_t length = formatFixed(value, decimals, text);
            if (std::string(text, length) != expected && ++mismatches <= 10)
                ADD_FAILURE() << std::hexfloat << value << " with " << decimals << ": " << text << " for "
                              << expected;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(PageText, AppendsTextsIntegersAndEscapedValues)
{
    std::string page = "<p>";
    PageText out(page);
    out << INT_MIN << " " << INT_MAX << " " << 0 << " " << -7 << " " << Fixed{-0.004, 2} << " "
        << Fixed{2.5, 0};
    out << " " << Escaped{"a<b>&\"c'\x80\xFF"} << " " << Escaped{std::string_view("\xBA\xBA\xB0", 3)};
    out << " " << UrlEncoded{"hk<00 7>"};
    EXPECT_EQ(
        page,
        "<p>-2147483648 2147483647 0 -7 -0.00 2 a&lt;b&gt;&amp;&quot;c&#39;?? \xBA\xBA? hk%3C00%207%3E");
    out.repeat(3, 11);
    EXPECT_EQ(page.substr(page.size() - 11), "-2147483648");
}
