#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ProfileStore;

// The program's whole configuration: an ordered list of 32-bit values (DWORD slots) and an
// ordered list of strings, loaded and saved as a whole. Reading past the end of a list gives 0
// or the empty string; writing grows the list. Slot meanings live in SettingsSlots.h.
class SettingsStore {
public:
    SettingsStore() = default;
    virtual ~SettingsStore() = default;
    SettingsStore(const SettingsStore&) = default;
    SettingsStore& operator=(const SettingsStore&) = default;

    uint32_t GetDWordAt(int nIndex) const;
    void SetDWordAt(int nIndex, uint32_t dwValue);
    std::string GetStringAt(int nIndex) const;
    void SetStringAt(int nIndex, const std::string& strValue);

    int GetDWordCount() const { return static_cast<int>(m_arrDWords.size()); }
    int GetStringCount() const { return static_cast<int>(m_arrStrings.size()); }

    // Cuts the string list to nCount entries, or grows it with empty strings.
    void SetStringCount(int nCount);

    // bLoad true: reads the record from the profile; slots the profile does not hold keep what
    // the caller put there (that is how defaults work). bLoad false: writes the whole record.
    // Returns false only when a save could not be stored.
    [[nodiscard]] bool ExchangeProfile(ProfileStore& profile, bool bLoad);
    // The load, which cannot fail: a slot the profile lacks or holds badly keeps its value.
    void LoadFrom(ProfileStore& profile) { (void)ExchangeProfile(profile, true); }
    // Whether the profile holds a record at all (either count), however odd its values.
    static bool IsStoredIn(ProfileStore& profile);

    // A stored count larger than this loads only this many slots. Keeps a damaged or hostile
    // settings file from making the load loop for ever or exhaust memory; a real record has
    // ten DWORDs and one string per picture.
    static constexpr int MAX_LOADED_SLOTS = 65536;

    static constexpr const char* SECTION = "Settings";

private:
    std::vector<uint32_t> m_arrDWords;
    std::vector<std::string> m_arrStrings;
};
