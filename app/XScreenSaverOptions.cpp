#include "app/XScreenSaverOptions.h"

#include <cstdint>
#include <cstring>

namespace {

// The option's name without its one or two leading dashes; null when it is not dashed.
const char* DashedName(const char* pszArg) {
    if (pszArg == nullptr || pszArg[0] != '-') {
        return nullptr;
    }
    return pszArg[1] == '-' ? pszArg + 2 : pszArg + 1;
}

int DigitValue(char ch, int base) {
    int value = -1;
    if (ch >= '0' && ch <= '9') {
        value = ch - '0';
    } else if (base == 16 && ch >= 'a' && ch <= 'f') {
        value = ch - 'a' + 10;
    } else if (base == 16 && ch >= 'A' && ch <= 'F') {
        value = ch - 'A' + 10;
    }
    return value;
}

}  // namespace

std::optional<long> ParseWindowNumber(const char* psz) {
    if (psz == nullptr) {
        return std::nullopt;
    }
    int base = 10;
    if (psz[0] == '0' && (psz[1] == 'x' || psz[1] == 'X')) {
        base = 16;
        psz += 2;
    }
    if (*psz == '\0') {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (; *psz != '\0'; ++psz) {
        const int digit = DigitValue(*psz, base);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<long>(value);
}

XScreenSaverOptions ParseXScreenSaverOptions(int argc, const char* const* argv) {
    XScreenSaverOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* pszName = DashedName(argv[i]);
        if (pszName == nullptr) {
            continue;
        }
        const bool bTwoDashes = pszName == argv[i] + 2;
        if (bTwoDashes && std::strcmp(pszName, "help") == 0) {
            options.bHelp = true;
        } else if (bTwoDashes && std::strcmp(pszName, "version") == 0) {
            options.bVersion = true;
        } else if (std::strcmp(pszName, "root") == 0) {
            options.bRoot = true;
        } else if (std::strcmp(pszName, "wayland") == 0) {
            options.bWayland = true;
        } else if (std::strcmp(pszName, "window") == 0) {
            options.bOwnWindow = true;
        } else if (std::strcmp(pszName, "window-id") == 0) {
            options.bWindowId = true;
            // The value is the next argument, whatever it looks like; a later --window-id wins.
            const char* pszValue = i + 1 < argc && argv[i + 1] != nullptr ? argv[++i] : "";
            options.strWindowIdText = pszValue;
            options.windowId = ParseWindowNumber(pszValue);
        }
    }
    return options;
}
