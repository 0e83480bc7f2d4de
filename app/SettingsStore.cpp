#include "app/SettingsStore.h"

#include <algorithm>

#include "app/ProfileStore.h"

namespace {

std::string EntryName(const char* prefix, int nIndex) {
    std::string strName(prefix);
    strName += std::to_string(nIndex);
    return strName;
}

// A stored count is read as a signed number: a negative count loads nothing.
int ClampedCount(uint32_t stored) {
    const auto n = static_cast<int32_t>(stored);
    return std::clamp<int32_t>(n, 0, SettingsStore::MAX_LOADED_SLOTS);
}

}  // namespace

uint32_t SettingsStore::GetDWordAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetDWordCount()) {
        return 0;
    }
    return m_arrDWords[static_cast<size_t>(nIndex)];
}

void SettingsStore::SetDWordAt(int nIndex, uint32_t dwValue) {
    if (nIndex < 0) {
        return;
    }
    const auto i = static_cast<size_t>(nIndex);
    if (i >= m_arrDWords.size()) {
        m_arrDWords.resize(i + 1, 0);
    }
    m_arrDWords[i] = dwValue;
}

std::string SettingsStore::GetStringAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetStringCount()) {
        return {};
    }
    return m_arrStrings[static_cast<size_t>(nIndex)];
}

void SettingsStore::SetStringAt(int nIndex, const std::string& strValue) {
    if (nIndex < 0) {
        return;
    }
    const auto i = static_cast<size_t>(nIndex);
    if (i >= m_arrStrings.size()) {
        m_arrStrings.resize(i + 1);
    }
    m_arrStrings[i] = strValue;
}

void SettingsStore::SetStringCount(int nCount) {
    m_arrStrings.resize(static_cast<size_t>(std::max(nCount, 0)));
}

bool SettingsStore::IsStoredIn(ProfileStore& profile) {
    return profile.HasProfileEntry(SECTION, "Num_DWORD") ||
           profile.HasProfileEntry(SECTION, "Num_String");
}

bool SettingsStore::ExchangeProfile(ProfileStore& profile, bool bLoad) {
    if (bLoad) {
        const int nDWords = ClampedCount(profile.GetProfileInt(SECTION, "Num_DWORD", 0));
        for (int i = 0; i < nDWords; ++i) {
            SetDWordAt(i, profile.GetProfileInt(SECTION, EntryName("DWORD_", i), GetDWordAt(i)));
        }
        const int nStrings = ClampedCount(profile.GetProfileInt(SECTION, "Num_String", 0));
        for (int i = 0; i < nStrings; ++i) {
            SetStringAt(i,
                        profile.GetProfileString(SECTION, EntryName("String_", i), GetStringAt(i)));
        }
        return true;
    }

    // Every write is attempted even after a failure, so that as much as possible is stored.
    bool bOk = true;
    for (int i = 0; i < GetDWordCount(); ++i) {
        bOk &= profile.WriteProfileInt(SECTION, EntryName("DWORD_", i), GetDWordAt(i));
    }
    bOk &= profile.WriteProfileInt(SECTION, "Num_DWORD", static_cast<uint32_t>(GetDWordCount()));
    for (int i = 0; i < GetStringCount(); ++i) {
        bOk &= profile.WriteProfileString(SECTION, EntryName("String_", i), GetStringAt(i));
    }
    bOk &= profile.WriteProfileInt(SECTION, "Num_String", static_cast<uint32_t>(GetStringCount()));
    bOk &= profile.Flush();
    return bOk;
}
