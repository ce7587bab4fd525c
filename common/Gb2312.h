// The byte classes of GB2312 text (code page 936), the program's narrow text:
// a lead byte 0x81..0xFE starts a double-byte character, whose trail byte is
// 0x40..0xFE but not 0x7F. Every byte below 0x80 is a character of its own.
#pragma once

#include <cstddef>

namespace gb2312 {

constexpr bool isLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

constexpr bool isTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// The length of the longest prefix of text[0, length) of at most limit bytes
// that does not end between the two bytes of a character.
std::size_t prefixLength(const char* text, std::size_t length, std::size_t limit);

}  // namespace gb2312
