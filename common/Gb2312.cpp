#include "common/Gb2312.h"

namespace gb2312 {

std::size_t prefixLength(const char* text, std::size_t length, std::size_t limit)
{
    if (length <= limit)
        return length;
    std::size_t n = 0;
    while (n < limit) {
        const std::size_t width = isLeadByte(static_cast<unsigned char>(text[n])) ? 2 : 1;
        if (n + width > limit)
            break;
        n += width;
    }
    return n;
}

}  // namespace gb2312
