#include "saver/Translation.h"

#include "config/ProgramIcon.h"

#include <QCoreApplication>
#include <QLibraryInfo>
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
        UseJapaneseUiFont();
    } else {
        delete pTranslator;
    }
    // Qt's own texts (OK, Cancel, the file and colour dialogs), where Qt's translations are
    // installed.
    auto* pQtTranslator = new QTranslator(&app);
    if (pQtTranslator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"),
                            QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(pQtTranslator);
    } else {
        delete pQtTranslator;
    }
}
