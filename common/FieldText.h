// The text of a fixed-size char field, as the settings and quote records hold
// them: up to its terminator, or the whole field when it has none.
#pragma once

#include <cstring>
#include <string_view>

template <std::size_t N>
std::string_view fieldText(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}
