#pragma once

#include <cstdint>
#include <string>

// The per-user key-value store behind the settings record: section + entry + default, like the
// registry profile functions the program was designed around. Integers are unsigned 32-bit;
// a stored value that is absent or does not read as an integer gives the default.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;

    virtual uint32_t GetProfileInt(const std::string& section, const std::string& entry,
                                   uint32_t nDefault) = 0;
    virtual std::string GetProfileString(const std::string& section, const std::string& entry,
                                         const std::string& strDefault) = 0;
    [[nodiscard]] virtual bool WriteProfileInt(const std::string& section, const std::string& entry,
                                               uint32_t nValue) = 0;
    [[nodiscard]] virtual bool WriteProfileString(const std::string& section,
                                                  const std::string& entry,
                                                  const std::string& strValue) = 0;
    // Whether the entry is stored at all, whatever its value.
    virtual bool HasProfileEntry(const std::string& section, const std::string& entry) = 0;

    // Makes the writes so far durable. False when they could not be stored.
    [[nodiscard]] virtual bool Flush() { return true; }
};

// Reads a stored integer the way the profile store does: optional surrounding blanks, an
// optional sign, decimal digits only. Values from INT32_MIN to UINT32_MAX are accepted (a
// negative number is its 32-bit two's complement); anything else gives nDefault.
uint32_t ParseProfileInt(const std::string& text, uint32_t nDefault);
