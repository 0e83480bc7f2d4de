// Renders the configuration pages and the colour popup to PNG files, for the documentation.
// Usage: ui_screenshots OUTPUT_FOLDER [en|ja]   (run on a display, e.g. under Xvfb)
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTranslator>

#include "CVelvetfadeConfigPage1.h"
#include "ColorTableMenu.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("en");
    QTranslator translator;
    if (language == QStringLiteral("ja") &&
        translator.load(QStringLiteral(":/translations/velvetfade_ja.qm"))) {
        QCoreApplication::installTranslator(&translator);
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    }
    QDir().mkpath(out);

    CVelvetfadeConfigPage1 page;
    page.m_nMode = 1;
    page.m_nPlacement = 1;
    page.m_bRandomGrad2 = 1;
    page.m_btnSingleColor.SetColor(RGB(255, 128, 0));
    page.m_btnGradColor1.SetColor(RGB(0, 0, 128));
    page.m_btnGradColor2.SetColor(RGB(0, 255, 255));
    page.m_arrFiles = {QStringLiteral("/home/user/Pictures/sunset.jpg"),
                       QStringLiteral("/home/user/Pictures/harbour.gif"),
                       QStringLiteral("/home/user/Pictures/tiles.bmp")};
    page.Create();
    page.setWindowTitle(CVelvetfadeConfigPage1::Title());
    page.adjustSize();
    page.show();
    app.processEvents();
    page.grab().save(out + QStringLiteral("/mode-page-%1.png").arg(language));

    // The popup of the first gradation button, with the pointer over the red cell.
    page.m_btnGradColor1.OnClicked();
    app.processEvents();
    ColorPopup* pPopup = page.m_btnGradColor1.Popup();
    if (pPopup != nullptr) {
        QMouseEvent move(QEvent::MouseMove, pPopup->Table().CellRect(13).center() + QPoint(2, 2),
                         QPointF(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pPopup, &move);
        app.processEvents();
        // The popup below its button, as the user sees it.
        const QRect button = page.m_btnGradColor1.geometry();
        QImage scene(button.width() + pPopup->width() + 20, button.height() + pPopup->height() + 20,
                     QImage::Format_RGB32);
        scene.fill(page.palette().color(QPalette::Window));
        QPainter painter(&scene);
        painter.drawPixmap(10, 10, page.m_btnGradColor1.grab());
        painter.drawPixmap(10, 10 + button.height(), pPopup->grab());
        painter.end();
        scene.scaled(scene.size() * 2).save(out + QStringLiteral("/colour-popup.png"));
        pPopup->close();
    }
    return 0;
}
