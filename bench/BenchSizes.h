#pragma once

#include <string>

// The screen sizes every benchmark runs at; names end in "/WIDTHxHEIGHT".
struct BenchSize {
    int width;
    int height;

    // Spelled out with append: GCC 12 warns falsely about "literal" + string.
    std::string Named(std::string base) const {
        base += '/';
        base += std::to_string(width);
        base += 'x';
        base += std::to_string(height);
        return base;
    }
};

inline const BenchSize kBenchSizes[] = {{1920, 1080}, {3840, 2160}};
