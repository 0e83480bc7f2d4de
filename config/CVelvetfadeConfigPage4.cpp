#include "config/CVelvetfadeConfigPage4.h"

#include "config/TemplatePage.h"

#include <QLabel>

#include "config/ColorTableMenu.h"
#include "config/DialogUnits.h"
#include "config/ProgramIcon.h"

CVelvetfadeConfigPage4::CVelvetfadeConfigPage4(QWidget* pParent) : QWidget(pParent) {
    m_picture.hide();
}

QString CVelvetfadeConfigPage4::Title() {
    return tr("About");
}

bool CVelvetfadeConfigPage4::Create() {
    if (m_bCreated) {
        return true;
    }
    DialogUnits du(*this);
    const bool bJapanese = UiIsJapanese();
    m_picture.setParent(this);
    m_picture.setAccessibleName(QStringLiteral("Velvetfade"));
    // The picture keeps its own size, centred on its template box (whose dialog units are
    // wider here than the pixels of the picture).
    const QRect box(du.X(bJapanese ? 80 : 75), du.Y(bJapanese ? 80 : 85), du.X(bJapanese ? 73 : 85),
                    du.Y(bJapanese ? 21 : 23));
    QRect picture(0, 0, 128, 32);
    picture.moveCenter(box.center());
    m_picture.setGeometry(picture);
    m_picture.show();

    struct Line {
        QString text;
        int x, y, w;
    } lines[] = {
        {tr("A screen saver that fades the desktop into colours and pictures."), 60, 151, 119},
        {VersionLine(), 60, 163, 119},
        {tr("Made by the Velvetfade developers."), bJapanese ? 60 : 55, 177, bJapanese ? 119 : 130},
    };
    int width = du.X(239);
    for (const Line& line : lines) {
        auto* pLabel = new QLabel(line.text, this);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setAlignment(Qt::AlignCenter);
        // Centred on the template's line, widened where the text needs it.
        const int w = std::max(du.X(line.w), pLabel->sizeHint().width());
        const int centre = du.X(line.x) + du.X(line.w) / 2;
        pLabel->setGeometry(centre - w / 2, du.Y(line.y), w, du.Y(8) + 4);
        pLabel->show();
        width = std::max(width, centre + w / 2 + du.X(5));
    }
    setMinimumSize(width, du.Y(193));
    CentreControls(*this);

    m_bCreated = true;
    m_picture.LoadPictures(m_resources, FIRST_PICTURE, SECOND_PICTURE);
    // The picture's magenta becomes whatever is painted behind it.
    const QColor behind = palette().color(backgroundRole());
    m_picture.ReplaceColor(RGB(255, 0, 255), RGB(static_cast<uint8_t>(behind.red()),
                                                 static_cast<uint8_t>(behind.green()),
                                                 static_cast<uint8_t>(behind.blue())));
    m_picture.StartTimer(TICK_MS);
    return true;
}

void CVelvetfadeConfigPage4::OnSetActive() {
    m_picture.StartTimer(TICK_MS);
}

void CVelvetfadeConfigPage4::OnKillActive() {
    m_picture.StopTimer();
}
