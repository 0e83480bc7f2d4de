#include "ProgramIcon.h"

#include <QCoreApplication>
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
