#include "config/ProgramIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/128-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/128-32.png"), QSize(32, 32));
    return icon;
}

bool UiIsJapanese() {
    return QLocale().language() == QLocale::Japanese;
}

void UseJapaneseUiFont() {
    // Under a Japanese locale the font database may list the face by its Japanese name.
    const QStringList names = {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")};
    const QStringList families = QFontDatabase::families();
    for (const QString& name : names) {
        if (families.contains(name)) {
            QFont font = QApplication::font();
            font.setFamilies({name});
            QApplication::setFont(font);
            return;
        }
    }
}
