// The text forms of values in zeb.ini: struct blocks (a record's bytes as
// hexadecimal digits followed by a checksum byte, the form Windows' profile
// struct functions use) and decimal integers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Each byte as two upper-case hexadecimal digits, then the sum of the bytes
// modulo 256 as two more: 2 * size + 2 characters.
std::string encodeStructBlock(const void* data, std::size_t size);

// Fills data only when text has exactly 2 * size + 2 hexadecimal digits
// (either case) and the checksum matches; otherwise data is left untouched
// and the result is false.
bool decodeStructBlock(const std::string& text, void* data, std::size_t size);

// Reads a decimal integer the way the profile functions do: leading blanks,
// an optional sign, then as many digits as there are (wrapping at 32 bits).
// An empty text or one that does not start with a number gives fallback.
std::int32_t parseProfileInt(const std::string& text, std::int32_t fallback);
