#include "app/MemoryProfileStore.h"

uint32_t MemoryProfileStore::GetProfileInt(const std::string& section, const std::string& entry,
                                           uint32_t nDefault) {
    ++m_nReads;
    auto it = m_values.find({section, entry});
    return it == m_values.end() ? nDefault : ParseProfileInt(it->second, nDefault);
}

std::string MemoryProfileStore::GetProfileString(const std::string& section,
                                                 const std::string& entry,
                                                 const std::string& strDefault) {
    ++m_nReads;
    auto it = m_values.find({section, entry});
    return it == m_values.end() ? strDefault : it->second;
}

bool MemoryProfileStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                         uint32_t nValue) {
    return WriteProfileString(section, entry, std::to_string(nValue));
}

bool MemoryProfileStore::WriteProfileString(const std::string& section, const std::string& entry,
                                            const std::string& strValue) {
    if (m_bFailWrites) {
        return false;
    }
    m_values[{section, entry}] = strValue;
    return true;
}

void MemoryProfileStore::SetRaw(const std::string& section, const std::string& entry,
                                const std::string& text) {
    m_values[{section, entry}] = text;
}

bool MemoryProfileStore::HasProfileEntry(const std::string& section, const std::string& entry) {
    return m_values.count({section, entry}) != 0;
}
