// Colors are Windows COLORREF values throughout: 0x00BBGGRR, red in the low byte.
#pragma once

#include <cstdint>

using Color = std::uint32_t;
