#include "Translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

void InstallTranslation(QCoreApplication& app) {
    const QLocale system = QLocale::system();
    if (system.language() != QLocale::Japanese) {
        return;
    }
    auto* pTranslator = new QTranslator(&app);
    if (pTranslator->load(QStringLiteral(":/translations/velvetfade_ja.qm"))) {
        QCoreApplication::installTranslator(pTranslator);
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    } else {
        delete pTranslator;
    }
}
