// Renders the configuration sheet's four pages and the colour popup to PNG files, for the
// documentation. Usage: ui_screenshots OUTPUT_FOLDER [en|ja]   (run on a display, e.g. Xvfb)
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTabWidget>
#include <QTranslator>

#include "config/CVelvetfadeConfigDlg.h"
#include "config/ColorTableMenu.h"
#include "config/ProgramIcon.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("en");
    QTranslator translator, qtTranslator;
    if (language == QStringLiteral("ja") &&
        translator.load(QStringLiteral(":/translations/velvetfade_ja.qm"))) {
        QCoreApplication::installTranslator(&translator);
        if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"),
                              QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(&qtTranslator);
        }
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        UseJapaneseUiFont();
    }
    QDir().mkpath(out);
    CVelvetfadeConfigDlg sheet;
    CVelvetfadeConfigPage1& page = sheet.m_page1;
    page.m_nMode = 1;
    page.m_nPlacement = 1;
    page.m_bRandomGrad2 = 1;
    page.m_btnSingleColor.SetColor(RGB(255, 128, 0));
    page.m_btnGradColor1.SetColor(RGB(0, 0, 128));
    page.m_btnGradColor2.SetColor(RGB(0, 255, 255));
    page.m_arrFiles = {QStringLiteral("/home/user/Pictures/sunset.jpg"),
                       QStringLiteral("/home/user/Pictures/harbour.gif"),
                       QStringLiteral("/home/user/Pictures/tiles.bmp"),
                       QStringLiteral("/home/user/Pictures/Holiday 2026/")};
    sheet.m_page2.m_nFrameRate = 30;
    sheet.m_page2.m_nSmoothness = 5;
    sheet.m_page2.m_nInterval = 10;
    sheet.m_page3.m_bExitLeftButton = sheet.m_page3.m_bExitKeyDown = 1;
    sheet.m_page3.m_bExitMouseMove = sheet.m_page3.m_bExitOtherApp = 1;
    sheet.show();
    app.processEvents();
    const char* names[] = {"mode", "display", "details", "about"};
    for (int i = 0; i < 4; ++i) {
        sheet.Tabs()->setCurrentIndex(i);
        if (i == 3) {
            sheet.m_page4.m_picture.m_nPosition = 60;  // mid-fade
        }
        app.processEvents();
        sheet.grab().save(out + QStringLiteral("/sheet-%1-%2.png").arg(names[i], language));
    }
    sheet.Tabs()->setCurrentIndex(0);
    app.processEvents();

    // The popup of the first gradation button, with the pointer over the red cell.
    page.m_btnGradColor1.OnClicked();
    app.processEvents();
    ColorPopup* pPopup = page.m_btnGradColor1.Popup();
    if (pPopup != nullptr && language == QStringLiteral("en")) {
        QMouseEvent move(QEvent::MouseMove, pPopup->Table().CellRect(13).center() + QPoint(2, 2),
                         QPointF(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pPopup, &move);
        app.processEvents();
        const QRect button = page.m_btnGradColor1.geometry();
        QImage scene(button.width() + pPopup->width() + 20, button.height() + pPopup->height() + 20,
                     QImage::Format_RGB32);
        scene.fill(page.palette().color(QPalette::Window));
        QPainter painter(&scene);
        painter.drawPixmap(10, 10, page.m_btnGradColor1.grab());
        painter.drawPixmap(10, 10 + button.height(), pPopup->grab());
        painter.end();
        scene.scaled(scene.size() * 2).save(out + QStringLiteral("/colour-popup.png"));
    }
    if (pPopup != nullptr) {
        pPopup->close();
    }
    return 0;
}
