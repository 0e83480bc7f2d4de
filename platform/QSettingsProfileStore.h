#pragma once

#include <QSettings>
#include <QString>

#include "app/ProfileStore.h"

// The per-user settings file standing in for the registry:
// $XDG_CONFIG_HOME/Kelsa's Applications/<program name>.ini, one INI group per section.
class QSettingsProfileStore : public ProfileStore {
public:
    static constexpr const char* ORGANIZATION = "Kelsa's Applications";

    // The file for a program called strAppName, under the user's configuration directory.
    explicit QSettingsProfileStore(const QString& strAppName);
    // A file at an explicit path; for tests and tools.
    static QSettingsProfileStore AtPath(const QString& strFilePath);

    uint32_t GetProfileInt(const std::string& section, const std::string& entry,
                           uint32_t nDefault) override;
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& strDefault) override;
    bool WriteProfileInt(const std::string& section, const std::string& entry,
                         uint32_t nValue) override;
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& strValue) override;
    bool Flush() override;

    QString FileName() const { return m_settings.fileName(); }

private:
    struct PathTag {};
    QSettingsProfileStore(PathTag, const QString& strFilePath);
    static QString Key(const std::string& section, const std::string& entry);

    QSettings m_settings;
};

// The program's file name without directory and extension, which names its settings file:
// renaming the program moves its settings. Needs a QCoreApplication.
QString ProgramProfileName();
