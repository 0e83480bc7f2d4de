#pragma once

#include <map>
#include <string>
#include <utility>

#include "app/ProfileStore.h"

// A profile kept in memory, with values held as text as in the settings file. Used by tests,
// and wherever a throw-away profile is wanted.
class MemoryProfileStore : public ProfileStore {
public:
    uint32_t GetProfileInt(const std::string& section, const std::string& entry,
                           uint32_t nDefault) override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& strDefault) override;
    bool WriteProfileInt(const std::string& section, const std::string& entry,
                         uint32_t nValue) override;
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& strValue) override;
    bool Flush() override { return !m_bFailWrites; }

    // Stores raw text, as a hand-edited file might hold it.
    void SetRaw(const std::string& section, const std::string& entry, const std::string& text);
    bool HasProfileEntry(const std::string& section, const std::string& entry) override;
    size_t Size() const { return m_values.size(); }
    size_t ReadCount() const { return m_nReads; }

    // Simulates a store that cannot be written: writes are dropped and reported as failed.
    void SetFailWrites(bool bFail) { m_bFailWrites = bFail; }

private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, std::string> m_values;
    bool m_bFailWrites = false;
    size_t m_nReads = 0;
};
