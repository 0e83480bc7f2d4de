#pragma once

#include <QString>
#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/ProfileStore.h"

// The per-user settings file standing in for the registry:
// $XDG_CONFIG_HOME/Kelsa's Applications/<program name>.ini, one INI section per profile section.
//
// Values are read and written as they stand: a hand-written path may hold "," or ";" and means
// exactly that. A value that would not read back as it is (blanks at either end, control
// characters, a leading double quote) is written in double quotes with backslash escapes, the
// form earlier versions used for many values, which is still read. Lines the program does not
// know (comments, other sections, damaged lines) are kept as they are.
//
// The file is read once, when the store is made; only a regular file is read. Flush replaces a
// regular file (or the regular file a symbolic link leads to) atomically, keeping its mode, and
// refuses anything else: a device, a FIFO, a folder, a link that leads nowhere.
class IniProfileStore : public ProfileStore {
public:
    static constexpr const char* ORGANIZATION = "Kelsa's Applications";
    // A larger file is not a settings record; it is read as none.
    static constexpr long long MAX_FILE_BYTES = 64LL << 20;

    explicit IniProfileStore(std::string strPath);
    // The file for a program called strAppName, under the user's configuration folder.
    static IniProfileStore ForProgram(const QString& strAppName);

    uint32_t GetProfileInt(const std::string& section, const std::string& entry,
                           uint32_t nDefault) override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& strDefault) override;
    bool WriteProfileInt(const std::string& section, const std::string& entry,
                         uint32_t nValue) override;
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& strValue) override;
    bool HasProfileEntry(const std::string& section, const std::string& entry) override;
    bool Flush() override;

    // The text of a document and back; public for the tests.
    static std::string EncodeValue(const std::string& strValue);
    static std::string DecodeValue(const std::string& strText);

private:
    struct Line {
        std::string key;   // empty for a comment, a blank or a line that is no entry
        std::string text;  // the whole line as it stands in the file
    };
    struct Section {
        std::string name;       // empty before the first header
        std::list<Line> lines;  // a list: the index points into it
    };

    void Parse(const std::string& strText);
    std::string Serialize() const;
    Line* Find(const std::string& section, const std::string& entry);

    std::string m_strPath;
    std::vector<Section> m_sections;
    // Each entry's first line, by section and name: a record of thousands of pictures is read
    // entry by entry.
    std::map<std::pair<std::string, std::string>, Line*> m_index;
    bool m_bDirty = false;
};

// The program's file name without directory and extension, which names its settings file:
// renaming the program moves its settings. Needs a QCoreApplication.
QString ProgramProfileName();
