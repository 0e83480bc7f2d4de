#pragma once

#include <cstdint>

// Row conversions on the presentation path, vectorised where the processor allows.
namespace pixelrows {

// count 24-bit pixels (blue, green, red) to 32-bit (blue, green, red, 0xFF).
void Bgr24ToBgrx32(const uint8_t* src, uint8_t* dst, int count);

}  // namespace pixelrows
