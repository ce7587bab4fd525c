// Hexadecimal digits, read in either case.
#pragma once

// The value of a hexadecimal digit; -1 for any other character.
constexpr int hexDigitValue(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}
