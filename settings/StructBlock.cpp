#include "settings/StructBlock.h"

#include "common/Hex.h"

#include <cstring>
#include <vector>

static const char hexDigits[] = "0123456789ABCDEF";

std::string encodeStructBlock(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    text.reserve(2 * size + 2);
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        text += hexDigits[bytes[i] >> 4];
        text += hexDigits[bytes[i] & 0x0F];
        sum += bytes[i];
    }
    text += hexDigits[(sum >> 4) & 0x0F];
    text += hexDigits[sum & 0x0F];
    return text;
}

bool decodeStructBlock(const std::string& text, void* data, std::size_t size)
{
    if (text.size() != 2 * size + 2)
        return false;
    std::vector<unsigned char> bytes(size + 1);
    unsigned sum = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        const int high = hexDigitValue(text[2 * i]);
        const int low = hexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
        if (i < size)
            sum += bytes[i];
    }
    if (bytes[size] != (sum & 0xFF))
        return false;
    if (size)
        std::memcpy(data, bytes.data(), size);
    return true;
}

std::int32_t parseProfileInt(const std::string& text, std::int32_t fallback)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        return text.empty() ? fallback : 0;
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}
