#include "config/CVelvetfadeConfigPage3.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>

#include "config/DialogUnits.h"
#include "config/ProgramIcon.h"

CVelvetfadeConfigPage3::CVelvetfadeConfigPage3(QWidget* pParent) : QWidget(pParent) {}

QString CVelvetfadeConfigPage3::Title() {
    return tr("Details");
}

bool CVelvetfadeConfigPage3::Create() {
    if (m_bCreated) {
        return true;
    }
    TemplateLayout layout(*this);
    const bool bJapanese = UiIsJapanese();

    // Creation order is the tab order: by id, although 1020 sits above 1019 on screen.
    struct Box {
        int id;
        const char* text;
        int y, w;
    } boxes[] = {
        {IDC_EXIT_LEFT_BUTTON, QT_TR_NOOP("&Left button down of a mouse"), 20, 135},
        {IDC_EXIT_RIGHT_BUTTON, QT_TR_NOOP("&Right button down of a mouse"), 40, 135},
        {IDC_EXIT_MOUSE_MOVE, QT_TR_NOOP("&Movement of a Mouse"), 60, 135},
        {IDC_EXIT_KEY_DOWN, QT_TR_NOOP("&Key down"), 100, 95},
        {IDC_EXIT_OTHER_APP, QT_TR_NOOP("&Other applications are active. "), 80, 115},
    };
    for (const Box& b : boxes) {
        layout.Add(Register(b.id, new QCheckBox(tr(b.text), this)), 15, b.y, bJapanese ? 125 : b.w,
                   15, true);
    }
    auto* pGroup = new QGroupBox(tr("The conditions which end a screen saver"), this);
    pGroup->lower();  // under the check boxes it frames
    layout.Add(pGroup, 5, 5, bJapanese ? 165 : 185, 135);
    auto* pWarning = new QLabel(tr("!!! It becomes impossible to end no to remove checks. "), this);
    pWarning->setTextFormat(Qt::PlainText);
    layout.Add(pWarning, 10, 125, bJapanese ? 155 : 175, 10, true);
    const DialogUnits& du = layout.Apply();
    // The group box must hold the widened texts too.
    pGroup->resize(std::max(pGroup->width(), pWarning->x() + pWarning->width() + du.X(5)),
                   pGroup->height());
    setMinimumSize(std::max(du.X(239), pGroup->x() + pGroup->width() + du.X(5)), du.Y(183));
    CentreControls(*this);

    m_bCreated = true;
    DoDataExchange(false);
    return true;
}

void CVelvetfadeConfigPage3::DoDataExchange(bool bSaveAndValidate) {
    if (!m_bCreated) {
        return;
    }
    ExchangeChecks(bSaveAndValidate, {{IDC_EXIT_LEFT_BUTTON, &m_bExitLeftButton},
                                      {IDC_EXIT_RIGHT_BUTTON, &m_bExitRightButton},
                                      {IDC_EXIT_MOUSE_MOVE, &m_bExitMouseMove},
                                      {IDC_EXIT_KEY_DOWN, &m_bExitKeyDown},
                                      {IDC_EXIT_OTHER_APP, &m_bExitOtherApp}});
}
