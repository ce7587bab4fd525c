// Writing the quote page and its texts: fixed texts, values from the quote
// service made safe for HTML, and numbers in exactly the forms printf gives them with "%d",
// "%0.2f" and "%0.3f". printf would do, but it is most of a refresh's work.
#pragma once

#include "common/FieldText.h"
#include "common/Gb2312.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

// Room for any double in "%0.3f": 309 integer digits, a sign, a point, three
// decimals and the terminator.
constexpr std::size_t fixedTextSize = 320;

// Writes value as printf's "%0.<decimals>f" does (decimals 0 to 3) and
// returns the length. Below 2^53 the digits come from the exact binary value
// by integer arithmetic, rounded half to even as printf rounds; larger
// numbers, infinities and NaN are left to printf itself.
inline std::size_t formatFixed(double value, int decimals, char (&out)[fixedTextSize])
{
    static const std::uint64_t scales[] = {1, 10, 100, 1000};
    const double exactLimit = 9007199254740992.0;  // 2^53
    if (!(value < exactLimit && value > -exactLimit))
        return static_cast<std::size_t>(std::snprintf(out, sizeof out, "%0.*f", decimals, value));

    // value = ±mantissa * 2^-shift, with shift >= 0 below 2^53.
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 63 != 0;
    const int exponent = static_cast<int>(bits >> 52 & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa = exponent ? fraction | std::uint64_t{1} << 52 : fraction;
    const int shift = 1075 - (exponent ? exponent : 1);

    // value * 10^decimals = scaled * 2^-shift; scaled < 2^63. Keep the
    // integer part and round on the bits shifted out.
    const std::uint64_t scale = scales[decimals];
    const std::uint64_t scaled = mantissa * scale;
    std::uint64_t units = 0;
    if (shift == 0) {
        units = scaled;
    } else if (shift < 64) {
        units = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (units & 1)))
            ++units;
    }  // else less than half a unit: 0

    char digits[24];
    std::size_t n = 0;
    for (int i = 0; i < decimals; ++i, units /= 10)
        digits[n++] = static_cast<char>('0' + units % 10);
    if (decimals)
        digits[n++] = '.';
    do {
        digits[n++] = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units);

    std::size_t length = 0;
    if (negative)  // printf keeps the sign of a value that rounds to zero
        out[length++] = '-';
    while (n)
        out[length++] = digits[--n];
    out[length] = '\0';
    return length;
}

// A number for PageText: "%0.2f" is Fixed{value, 2}.
struct Fixed {
    double value;
    int decimals;
};

// A value from the quote service, made safe for the page's text and quoted
// attributes. A GB2312 lead byte without a trail byte becomes '?', so that it
// cannot swallow the markup after it.
struct Escaped {
    std::string_view text;
};

// A value from the quote service as the page shows it: a GB2312 lead byte
// without a trail byte becomes '?', as in Escaped.
struct Shown {
    std::string_view text;
};

// The code as a URL query value: everything but letters, digits and "-._~"
// percent-encoded.
struct UrlEncoded {
    std::string_view text;
};

// Appends to a page.
class PageText {
public:
    explicit PageText(std::string& page) : page(page) {}

    PageText& operator<<(std::string_view text)
    {
        page.append(text.data(), text.size());
        return *this;
    }

    PageText& operator<<(const char* text) { return *this << std::string_view(text); }

    std::size_t size() const { return page.size(); }

    // Appends again the length bytes written from start on.
    void repeat(std::size_t start, std::size_t length) { page.append(page, start, length); }

    PageText& operator<<(int value)  // "%d"
    {
        char text[12];
        char* const end = text + sizeof text;
        char* start = end;  // written backwards from the end
        std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : value;
        do {
            *--start = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0)
            *--start = '-';
        return *this << std::string_view(start, static_cast<std::size_t>(end - start));
    }

    PageText& operator<<(Fixed number)
    {
        char text[fixedTextSize];
        return *this << std::string_view(text, formatFixed(number.value, number.decimals, text));
    }

    PageText& operator<<(Escaped value)
    {
        return replacing(value.text, [](unsigned char c) {
            return c == '&' ? "&amp;"
                : c == '<'  ? "&lt;"
                : c == '>'  ? "&gt;"
                : c == '"'  ? "&quot;"
                : c == '\'' ? "&#39;"
                : c >= 0x80 ? "?"  // a lone lead byte, 0x80 or 0xFF
                            : nullptr;
        });
    }

    PageText& operator<<(Shown value)
    {
        return replacing(value.text, [](unsigned char c) { return c >= 0x80 ? "?" : nullptr; });
    }

    PageText& operator<<(UrlEncoded value)
    {
        static const char hex[] = "0123456789ABCDEF";
        for (const char ch : value.text) {
            const unsigned char c = static_cast<unsigned char>(ch);
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                c == '.' || c == '_' || c == '~') {
                page += ch;
            } else {
                page += '%';
                page += hex[c >> 4];
                page += hex[c & 15];
            }
        }
        return *this;
    }

private:
    std::string& page;

    // Appends text with each byte that is not part of a whole GB2312
    // character and for which replacement gives a text replaced by it.
    template <typename Replacement>
    PageText& replacing(std::string_view text, Replacement replacement)
    {
        std::size_t kept = 0;  // text[kept, i) goes into the page as it is
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (gb2312::isLeadByte(c) && i + 1 < text.size() &&
                gb2312::isTrailByte(static_cast<unsigned char>(text[i + 1]))) {
                ++i;
                continue;
            }
            if (const char* with = replacement(c)) {
                *this << text.substr(kept, i - kept) << with;
                kept = i + 1;
            }
        }
        return *this << text.substr(kept);
    }
};
