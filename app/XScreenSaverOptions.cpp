#include "app/XScreenSaverOptions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

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

namespace {

// The settings a command line may give for one run, each with the range the sheet offers.
struct NumberOption {
    const char* pszName;
    SlotRange range;
    std::optional<uint32_t> SettingsOverrides::*pField;
};
constexpr NumberOption NUMBER_OPTIONS[] = {
    {"frame-rate", FRAME_RATE_RANGE, &SettingsOverrides::framesPerSecond},
    {"fade-step", FADE_STEP_RANGE, &SettingsOverrides::fadeStep},
    {"hold", INTERVAL_RANGE, &SettingsOverrides::intervalSeconds},
};

struct SceneName {
    const char* pszName;
    uint32_t dwKind;
};
constexpr SceneName SCENE_NAMES[] = {
    {"colour", SCENE_SINGLE_COLOR}, {"color", SCENE_SINGLE_COLOR}, {"gradation", SCENE_GRADATION},
    {"pictures", SCENE_BITMAP},     {"random", SCENE_RANDOM},
};

std::optional<uint32_t> ParseInRange(const std::string& text, SlotRange range) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const long value = std::stol(text);
    if (value < range.nMin || value > range.nMax) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

const NumberOption* FindNumberOption(const std::string& name) {
    for (const NumberOption& option : NUMBER_OPTIONS) {
        if (name == option.pszName) {
            return &option;
        }
    }
    return nullptr;
}

bool TakesValue(const std::string& name) {
    return name == "scene" || name == "idle" || FindNumberOption(name) != nullptr;
}

// One of our own two-dash options that takes a value; false when the name is none of them.
bool TakeSetting(const std::string& name, const char* pszValue, XScreenSaverOptions& options) {
    const std::string value = pszValue != nullptr ? pszValue : "";
    std::string strError;
    if (const NumberOption* pOption = FindNumberOption(name)) {
        options.overrides.*pOption->pField = ParseInRange(value, pOption->range);
        if (!(options.overrides.*pOption->pField)) {
            strError = "--" + name + " needs a whole number from " +
                       std::to_string(pOption->range.nMin) + " to " +
                       std::to_string(pOption->range.nMax) + ", not \"" + value + "\".";
        }
    } else if (name == "idle") {
        options.idleSeconds = ParseInRange(value, IDLE_SECONDS_RANGE);
        if (!options.idleSeconds) {
            strError = "--idle needs the idle time in seconds, from " +
                       std::to_string(IDLE_SECONDS_RANGE.nMin) + " to " +
                       std::to_string(IDLE_SECONDS_RANGE.nMax) + ", not \"" + value + "\".";
        }
    } else if (name == "scene") {
        const auto scene =
            std::find_if(std::begin(SCENE_NAMES), std::end(SCENE_NAMES),
                         [&value](const SceneName& s) { return value == s.pszName; });
        if (scene != std::end(SCENE_NAMES)) {
            options.overrides.sceneKind = scene->dwKind;
        } else {
            strError =
                "--scene needs colour, gradation, pictures or random, not \"" + value + "\".";
        }
    } else {
        return false;
    }
    if (options.strError.empty()) {
        options.strError = strError;  // the first mistake is the one told
    }
    return true;
}

}  // namespace

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
        } else if (bTwoDashes && *pszName != '\0') {
            // --name value or --name=value; the value is taken whatever it looks like.
            const char* pszEquals = std::strchr(pszName, '=');
            const std::string name =
                pszEquals != nullptr ? std::string(pszName, pszEquals) : std::string(pszName);
            const char* pszValue = nullptr;
            if (pszEquals != nullptr) {
                pszValue = pszEquals + 1;
            } else if (TakesValue(name) && i + 1 < argc) {
                pszValue = argv[++i];
            }
            if (!TakeSetting(name, pszValue, options) && options.strError.empty()) {
                options.strError = std::string("unknown option \"") + argv[i] + "\".";
            }
        }
    }
    return options;
}
