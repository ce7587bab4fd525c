#include "settings/DialogInit.h"

#include <cstdint>
#include <cstring>

static std::uint32_t littleEndian(const unsigned char* bytes, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = value << 8 | bytes[i];
    return value;
}

bool parseDialogInit(const void* data, std::size_t size, std::vector<DialogInitItem>& items)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t at = 0;
    for (;;) {
        if (size - at < 2)
            return false;
        const std::uint32_t controlId = littleEndian(bytes + at, 2);
        if (controlId == 0)
            return true;
        if (size - at < 8)
            return false;
        const std::uint32_t message = littleEndian(bytes + at + 2, 2);
        const std::uint32_t length = littleEndian(bytes + at + 4, 4);
        at += 8;
        if (length > size - at)
            return false;
        const char* text = reinterpret_cast<const char*>(bytes + at);
        items.push_back({static_cast<int>(controlId), static_cast<int>(message),
                         std::string(text, strnlen(text, length))});
        at += length;
    }
}
