#include "quotes/QuoteParser.h"

#include "common/Gb2312.h"

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A piece of the reply: never NUL-terminated, never read past size.
struct Span {
    const char* data;
    std::size_t size;

    void drop(std::size_t n)
    {
        if (n > size)
            n = size;
        data += n;
        size -= n;
    }
    const char* find(char c) const
    {
        return size ? static_cast<const char*>(std::memchr(data, c, size)) : nullptr;
    }
    bool contains(const char* text) const
    {
        const std::size_t n = std::strlen(text);
        for (std::size_t i = 0; i + n <= size; ++i)
            if (std::memcmp(data + i, text, n) == 0)
                return true;
        return false;
    }
};

// Takes the text before the next ',' and drops it with the comma. Without a
// further ',' the field is empty and nothing is dropped.
Span nextField(Span& rest)
{
    const char* comma = rest.find(',');
    if (!comma)
        return Span{rest.data, 0};
    Span field{rest.data, static_cast<std::size_t>(comma - rest.data)};
    rest.drop(field.size + 1);
    return field;
}

template <std::size_t N>
void copyText(char (&out)[N], Span text)
{
    const std::size_t n = gb2312::prefixLength(text.data, text.size, N - 1);
    std::memcpy(out, text.data, n);
    out[n] = '\0';
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// atof: the longest numeric prefix after leading blanks, 0 when there is none.
double toDouble(Span field)
{
    while (field.size && isBlank(*field.data))
        field.drop(1);

    // The service's plain decimals: with at most 15 digits both the digits and
    // the power of ten are exact doubles, so one division rounds as strtod does
    // (where doubles are computed as doubles, not in the x87's wider format).
    static const double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = field.size && (*field.data == '-' || *field.data == '+') ? 1 : 0;
    std::uint64_t digits = 0;
    int digitCount = 0;
    int decimals = -1;  // digits after the point, once there is one
    for (; i < field.size && digitCount <= 15; ++i) {
        const char c = field.data[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++digitCount;
            if (decimals >= 0)
                ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    const char next = i < field.size ? field.data[i] : '\0';
    const bool plain = next != 'e' && next != 'E' && next != 'x' && next != 'X';
    if (FLT_EVAL_METHOD == 0 && digitCount > 0 && digitCount <= 15 && plain) {
        const double value = static_cast<double>(digits) / powersOfTen[decimals > 0 ? decimals : 0];
        return *field.data == '-' ? -value : value;
    }

    // Exponents, hexadecimal, inf, nan and long digit strings.
    char text[64];
    const std::size_t n = field.size < sizeof text - 1 ? field.size : sizeof text - 1;
    std::memcpy(text, field.data, n);
    text[n] = '\0';
    return std::strtod(text, nullptr);
}

// atoi over 64 bits: the volume of an index passes 2^31 shares on a busy
// day. A value beyond the 64-bit range stops at its nearer limit.
std::int64_t toInt64(Span field)
{
    while (field.size && isBlank(*field.data))
        field.drop(1);
    bool negative = false;
    if (field.size && (*field.data == '+' || *field.data == '-')) {
        negative = *field.data == '-';
        field.drop(1);
    }
    // Gathered as a magnitude, which has room for the negative limit.
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : INT64_MAX;
    std::uint64_t value = 0;
    for (; field.size && *field.data >= '0' && *field.data <= '9'; field.drop(1)) {
        const unsigned digit = static_cast<unsigned>(*field.data - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (!negative)
        return static_cast<std::int64_t>(value);
    return value == limit ? INT64_MIN : -static_cast<std::int64_t>(value);
}

// The record of one line that passed the line checks. Returns what is left
// of the line after field 11.
Span parseRecord(Span line, StockQuote& q)
{
    line.drop(11);  // "var hq_str_"
    const char* equals = line.find('=');
    if (equals) {
        copyText(q.code, Span{line.data, static_cast<std::size_t>(equals - line.data)});
        line.drop(static_cast<std::size_t>(equals - line.data) + 2);  // through '=' and the quote
    } else {
        q.code[0] = '\0';
    }

    const Span name = nextField(line);
    const bool emptyFirstField = name.size == 0;
    if (emptyFirstField)
        std::memcpy(q.primaryName, q.code, sizeof q.code);
    else
        copyText(q.primaryName, name);
    copyText(q.displayName, nextField(line));
    q.openPrice = toDouble(nextField(line));
    q.prevClose = toDouble(nextField(line));
    q.highPrice = toDouble(nextField(line));
    q.lowPrice = toDouble(nextField(line));
    q.lastPrice = toDouble(nextField(line));
    for (int i = 7; i <= 10; ++i)
        nextField(line);
    const double turnover = toDouble(nextField(line));
    q.turnoverYi = turnover / (emptyFirstField ? 100000.0 : 100000000.0);
    Span volume = line;
    q.volumeWan = emptyFirstField ? 0 : toInt64(nextField(volume)) / 10000;
    return line;
}

// Whether text has the shape of pattern, where '9' stands for a digit.
bool shaped(Span text, const char* pattern)
{
    if (text.size != std::strlen(pattern))
        return false;
    for (std::size_t i = 0; i < text.size; ++i) {
        const char c = text.data[i];
        if (pattern[i] == '9' ? c < '0' || c > '9' : c != pattern[i])
            return false;
    }
    return true;
}

// The record's last two fields, before the closing "\";": its trade date
// "YYYY/MM/DD" and time "HH:MM:SS" or "HH:MM". Left empty when they are not
// there in that form.
void takeTradeTime(Span line, StockQuote& q)
{
    q.tradeDate[0] = q.tradeTime[0] = '\0';
    if (line.size < 2 || line.data[line.size - 1] != ';' || line.data[line.size - 2] != '"')
        return;
    line.size -= 2;
    std::size_t comma = line.size;
    while (comma && line.data[comma - 1] != ',')
        --comma;
    const Span time{line.data + comma, line.size - comma};
    if (comma < 12)
        return;
    const Span date{line.data + comma - 11, 10};
    if (line.data[comma - 12] != ',' || !shaped(date, "9999/99/99") ||
        !(shaped(time, "99:99:99") || shaped(time, "99:99")))
        return;
    copyText(q.tradeDate, date);
    copyText(q.tradeTime, time);
}

// The line after field 11 ends with the date, the time and "\";": the date
// and the time to the minute become "YYYY-MM-DD HH:MM". Without a trade time
// in its known form, the 16 characters "YYYY/MM/DD,HH:MM" before the last two.
void takeDataTime(Span line, const StockQuote& q, char (&dataTime)[20])
{
    if (q.tradeDate[0]) {
        std::memcpy(dataTime, q.tradeDate, 10);
        dataTime[4] = dataTime[7] = '-';
        dataTime[10] = ' ';
        std::memcpy(dataTime + 11, q.tradeTime, 5);
        dataTime[16] = '\0';
        return;
    }
    if (line.size < 18)
        return;
    const char* from = line.data + line.size - 18;
    for (int i = 0; i < 16; ++i)
        dataTime[i] = from[i] == ',' ? ' ' : from[i] == '/' ? '-' : from[i];
    dataTime[16] = '\0';
}

int digitsOf(const char* text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

}  // namespace

void parseQuoteReply(const char* reply, std::size_t size, QuoteBatch& batch)
{
    Span rest{reply, size};
    int count = 0;
    while (rest.size && count < maxQuotes) {
        const char* newline = rest.find('\n');
        Span line{rest.data, newline ? static_cast<std::size_t>(newline - rest.data) : rest.size};
        rest.drop(line.size + 1);
        if (line.size && line.data[line.size - 1] == '\r')
            --line.size;

        if (line.size < 50)
            continue;
        // Short records that share a line with a longer one go first.
        while (const char* semicolon = Span{line.data, line.size < 50 ? line.size : 50}.find(';'))
            line.drop(static_cast<std::size_t>(semicolon - line.data) + 1);
        if (!line.find(';') || !line.contains("var hq_str"))
            continue;

        StockQuote& q = batch.quotes[count];
        const Span tail = parseRecord(line, q);
        takeTradeTime(tail, q);
        if (count == 0)
            takeDataTime(tail, q, batch.dataTime);
        ++count;
    }
    batch.count = count;
}

QuoteStamp quoteStamp(const StockQuote& quote)
{
    if (!quote.tradeDate[0])
        return 0;
    const char* d = quote.tradeDate;
    const char* t = quote.tradeTime;
    const QuoteStamp date = digitsOf(d, 4) * 10000 + digitsOf(d + 5, 2) * 100 + digitsOf(d + 8, 2);
    const int seconds = t[5] == ':' ? digitsOf(t + 6, 2) : 0;
    return date * 1000000 + digitsOf(t, 2) * 10000 + digitsOf(t + 3, 2) * 100 + seconds;
}

QuoteStamp newestStamp(const StockQuote* quotes, int count)
{
    QuoteStamp newest = 0;
    for (int i = 0; i < count; ++i)
        newest = std::max(newest, quoteStamp(quotes[i]));
    return newest;
}
