#include "app/ProfileStore.h"

#include <cctype>
#include <cstdint>

uint32_t ParseProfileInt(const std::string& text, uint32_t nDefault) {
    size_t i = 0;
    const size_t n = text.size();
    auto blank = [&](size_t k) { return std::isspace(static_cast<unsigned char>(text[k])) != 0; };
    while (i < n && blank(i)) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t firstDigit = i;
    uint64_t value = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX) {
            return nDefault;  // out of range, and stops the accumulator from overflowing
        }
        ++i;
    }
    if (i == firstDigit) {
        return nDefault;
    }
    while (i < n && blank(i)) {
        ++i;
    }
    if (i != n) {
        return nDefault;
    }
    if (negative) {
        if (value > static_cast<uint64_t>(INT32_MAX) + 1) {
            return nDefault;
        }
        return static_cast<uint32_t>(0u - static_cast<uint32_t>(value));
    }
    return static_cast<uint32_t>(value);
}
