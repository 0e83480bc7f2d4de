#include "platform/QSettingsProfileStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

QSettingsProfileStore::QSettingsProfileStore(const QString& strAppName)
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QString::fromUtf8(ORGANIZATION),
                 strAppName) {}

QSettingsProfileStore::QSettingsProfileStore(PathTag, const QString& strFilePath)
    : m_settings(strFilePath, QSettings::IniFormat) {}

QSettingsProfileStore QSettingsProfileStore::AtPath(const QString& strFilePath) {
    return QSettingsProfileStore(PathTag{}, strFilePath);
}

QString QSettingsProfileStore::Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(entry);
}

uint32_t QSettingsProfileStore::GetProfileInt(const std::string& section, const std::string& entry,
                                              uint32_t nDefault) {
    const QVariant value = m_settings.value(Key(section, entry));
    // A list (an unquoted comma in a hand-edited file) is a value of the wrong type.
    if (!value.isValid() || value.typeId() == QMetaType::QStringList) {
        return nDefault;
    }
    return ParseProfileInt(value.toString().toStdString(), nDefault);
}

std::string QSettingsProfileStore::GetProfileString(const std::string& section,
                                                    const std::string& entry,
                                                    const std::string& strDefault) {
    const QVariant value = m_settings.value(Key(section, entry));
    if (!value.isValid()) {
        return strDefault;
    }
    // The INI reader splits unquoted text at commas; a hand-edited path may contain one.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

bool QSettingsProfileStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                            uint32_t nValue) {
    m_settings.setValue(Key(section, entry), QString::number(nValue));
    return m_settings.status() == QSettings::NoError;
}

bool QSettingsProfileStore::WriteProfileString(const std::string& section, const std::string& entry,
                                               const std::string& strValue) {
    m_settings.setValue(Key(section, entry), QString::fromStdString(strValue));
    return m_settings.status() == QSettings::NoError;
}

bool QSettingsProfileStore::Flush() {
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

QString ProgramProfileName() {
    const QString strName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return strName.isEmpty() ? QStringLiteral("Velvetfade") : strName;
}
