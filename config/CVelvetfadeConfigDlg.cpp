#include "config/CVelvetfadeConfigDlg.h"

#include <QCursor>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/SettingsStore.h"
#include "app/SettingsView.h"

CVelvetfadeConfigDlg::CVelvetfadeConfigDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(Caption());
    m_pTabs = new QTabWidget(this);
    m_pTabs->addTab(&m_page1, CVelvetfadeConfigPage1::Title());
    m_pTabs->addTab(&m_page2, CVelvetfadeConfigPage2::Title());
    m_pTabs->addTab(&m_page3, CVelvetfadeConfigPage3::Title());
    m_pTabs->addTab(&m_page4, CVelvetfadeConfigPage4::Title());
    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &CVelvetfadeConfigDlg::OnOK);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pTabs);
    pLayout->addWidget(m_pButtons);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CVelvetfadeConfigDlg::OnTabChanged);
    // Shortcuts come before the focused control, which would take Ctrl+Tab for a search (the
    // placement box) or leave it to nobody (OK and Cancel are outside the tab widget).
    auto* pNext = new QShortcut(this);
    pNext->setKeys(
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    connect(pNext, &QShortcut::activated, this, [this] { StepPage(1); });
    auto* pPrevious = new QShortcut(this);
    pPrevious->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                        QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    connect(pPrevious, &QShortcut::activated, this, [this] { StepPage(-1); });
}

void CVelvetfadeConfigDlg::StepPage(int nStep) {
    const int count = m_pTabs->count();
    m_pTabs->setCurrentIndex((m_pTabs->currentIndex() + nStep + count) % count);
}

CVelvetfadeConfigDlg::~CVelvetfadeConfigDlg() {
    // The pages are members: take them out of the tab widget before it would delete them,
    // without taking that for page changes.
    disconnect(m_pTabs, nullptr, this, nullptr);
    while (m_pTabs->count() > 0) {
        QWidget* pPage = m_pTabs->widget(0);
        m_pTabs->removeTab(0);
        pPage->setParent(nullptr);
    }
}

QString CVelvetfadeConfigDlg::Caption() {
    return tr("Setting of Velvetfade");
}

void CVelvetfadeConfigDlg::setVisible(bool bVisible) {
    if (bVisible && m_nCurrent < 0) {
        // The first page is made before the sheet appears, so that the sheet is centred at its
        // final size (a window that is moved is not placed again by QDialog).
        OnTabChanged(m_pTabs->currentIndex());
        const QScreen* pScreen = QGuiApplication::screenAt(QCursor::pos());
        if (pScreen == nullptr) {
            pScreen = screen();
        }
        if (pScreen != nullptr) {
            const QRect area = pScreen->availableGeometry();
            move(area.x() + std::max(0, (area.width() - width()) / 2),
                 area.y() + std::max(0, (area.height() - height()) / 2));
        }
    }
    QDialog::setVisible(bVisible);
    if (bVisible) {
        // The focus shows from the start, not only once Tab has been pressed.
        setAttribute(Qt::WA_KeyboardFocusChange);
    }
}

void CVelvetfadeConfigDlg::CreatePage(int nIndex) {
    switch (nIndex) {
        case 0:
            m_page1.Create();
            break;
        case 1:
            m_page2.Create();
            break;
        case 2:
            m_page3.Create();
            break;
        case 3:
            if (m_page4.IsCreated()) {
                m_page4.OnSetActive();
            } else {
                m_page4.Create();
            }
            break;
        default:
            break;
    }
}

void CVelvetfadeConfigDlg::ReadBack(int nIndex) {
    switch (nIndex) {
        case 0:
            m_page1.DoDataExchange(true);
            break;
        case 1:
            m_page2.DoDataExchange(true);
            break;
        case 2:
            m_page3.DoDataExchange(true);
            break;
        case 3:
            m_page4.OnKillActive();
            break;
        default:
            break;
    }
}

void CVelvetfadeConfigDlg::OnTabChanged(int nIndex) {
    if (m_nCurrent >= 0 && m_nCurrent != nIndex) {
        ReadBack(m_nCurrent);
    }
    m_nCurrent = nIndex;
    CreatePage(nIndex);
    // The page's controls were just made, after OK and Cancel: those go back to the end of the
    // Tab order, in the order they are shown. (Tab order is only set between focusable widgets.
    // The button box, before the pages in the chain, would pass Tab on to its first button.)
    m_pButtons->setFocusProxy(nullptr);
    QWidget* pLast = previousInFocusChain();
    while (pLast != this &&
           (pLast->focusPolicy() == Qt::NoFocus || m_pButtons->isAncestorOf(pLast))) {
        pLast = pLast->previousInFocusChain();
    }
    QLayout* pRow = m_pButtons->layout();
    for (int i = 0; i < pRow->count(); ++i) {
        if (auto* pButton = qobject_cast<QPushButton*>(pRow->itemAt(i)->widget())) {
            setTabOrder(pLast, pButton);
            pLast = pButton;
        }
    }
    KeepFocusInSight(m_pTabs->widget(nIndex));
    // A page that needs more room widens the sheet about its centre; otherwise it stays put.
    // The move is relative: under a window manager pos() is the frame's corner and geometry()
    // the client area's, so mixing the two would walk the sheet across the screen. The sheet
    // is of fixed size, as nothing on the pages would grow with it.
    if (!isVisible()) {
        adjustSize();
        setFixedSize(size());
        return;
    }
    // The page's new size reaches the sheet's layout only through posted events: look now.
    m_pTabs->updateGeometry();
    const QSize before = size();
    const QSize after = before.expandedTo(sizeHint());
    if (after != before) {
        setFixedSize(after);
        move(pos() -
             QPoint((after.width() - before.width()) / 2, (after.height() - before.height()) / 2));
    }
}

void CVelvetfadeConfigDlg::KeepFocusInSight(QWidget* pPage) {
    // Focus on the page itself (a control of the page left before was focused) is nowhere to
    // be seen: it goes to the page's first Tab stop, or to the tabs on a page without one.
    if (pPage == nullptr || focusWidget() != pPage) {
        return;
    }
    for (QWidget* pNext = pPage->nextInFocusChain(); pNext != pPage;
         pNext = pNext->nextInFocusChain()) {
        if (pPage->isAncestorOf(pNext) && (pNext->focusPolicy() & Qt::TabFocus) != 0 &&
            pNext->isVisibleTo(pPage) && pNext->isEnabled()) {
            pNext->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    m_pTabs->tabBar()->setFocus(Qt::TabFocusReason);
}

void CVelvetfadeConfigDlg::OnOK() {
    if (m_nCurrent >= 0) {
        ReadBack(m_nCurrent);
    }
    accept();
}

namespace {

// Each box of the Details page and the exit bit it stands for, for loading and saving alike.
constexpr std::pair<int CVelvetfadeConfigPage3::*, uint32_t> EXIT_BOXES[] = {
    {&CVelvetfadeConfigPage3::m_bExitLeftButton, EXIT_LEFT_BUTTON},
    {&CVelvetfadeConfigPage3::m_bExitRightButton, EXIT_RIGHT_BUTTON},
    {&CVelvetfadeConfigPage3::m_bExitMouseMove, EXIT_MOUSE_MOVE},
    {&CVelvetfadeConfigPage3::m_bExitKeyDown, EXIT_KEY_DOWN},
    {&CVelvetfadeConfigPage3::m_bExitOtherApp, EXIT_OTHER_APP_ACTIVE},
};

// Each random box of the Mode page and its flag.
constexpr std::pair<int CVelvetfadeConfigPage1::*, uint32_t> RANDOM_BOXES[] = {
    {&CVelvetfadeConfigPage1::m_bRandomSingle, RANDOM_SINGLE_COLOR},
    {&CVelvetfadeConfigPage1::m_bRandomGrad1, RANDOM_GRADATION_COLOR1},
    {&CVelvetfadeConfigPage1::m_bRandomGrad2, RANDOM_GRADATION_COLOR2},
    {&CVelvetfadeConfigPage1::m_bRandomOrder, RANDOM_ORDER},
};

}  // namespace

void CVelvetfadeConfigDlg::LoadFrom(const SettingsStore& s) {
    const SettingsView v(s);
    m_page1.m_nMode = static_cast<int>(v.SceneKind());
    for (auto [box, flag] : RANDOM_BOXES) {
        m_page1.*box = v.IsRandom(flag) ? 1 : 0;
    }
    m_page1.m_btnSingleColor.SetColor(v.SingleColor());
    m_page1.m_btnGradColor1.SetColor(v.GradationColor1());
    m_page1.m_btnGradColor2.SetColor(v.GradationColor2());
    m_page1.m_nPlacement = v.PicturePlacement();
    m_page2.m_nFrameRate = static_cast<int>(v.FramesPerSecond());
    m_page2.m_nSmoothness = static_cast<int>(v.FadeStep());
    m_page2.m_nInterval = static_cast<int>(v.IntervalSeconds());
    for (auto [box, bit] : EXIT_BOXES) {
        m_page3.*box = v.ExitsOn(bit) ? 1 : 0;
    }
    for (int i = 0; i < v.PictureCount(); ++i) {
        // Only a damaged file holds an entry longer than any path; it names no file, and it
        // would take seconds and hundreds of megabytes to show. It is left out.
        const std::string path = v.Picture(i);
        if (CVelvetfadeConfigPage1::AcceptsPath(path)) {
            m_page1.m_arrFiles.append(QString::fromStdString(path));
        }
    }
}

void CVelvetfadeConfigDlg::SaveTo(SettingsStore& s) const {
    s.SetDWordAt(SLOT_SCENE_KIND, static_cast<uint32_t>(m_page1.m_nMode));
    uint32_t dwRandom = 0;
    for (auto [box, flag] : RANDOM_BOXES) {
        dwRandom |= m_page1.*box != 0 ? flag : 0;
    }
    s.SetDWordAt(SLOT_RANDOM_FLAGS, dwRandom);
    s.SetDWordAt(SLOT_SINGLE_COLOR, m_page1.m_btnSingleColor.GetColor());
    s.SetDWordAt(SLOT_GRADATION_COLOR1, m_page1.m_btnGradColor1.GetColor());
    s.SetDWordAt(SLOT_GRADATION_COLOR2, m_page1.m_btnGradColor2.GetColor());
    s.SetDWordAt(SLOT_PICTURE_PLACEMENT, static_cast<uint32_t>(m_page1.m_nPlacement));
    s.SetDWordAt(SLOT_FRAMES_PER_SECOND, static_cast<uint32_t>(m_page2.m_nFrameRate));
    s.SetDWordAt(SLOT_FADE_STEP, static_cast<uint32_t>(m_page2.m_nSmoothness));
    s.SetDWordAt(SLOT_INTERVAL_SECONDS, static_cast<uint32_t>(m_page2.m_nInterval));
    // The exit conditions are rebuilt from the boxes: other stored bits do not survive.
    uint32_t dwExit = EXIT_ALWAYS_STORED;
    for (auto [box, bit] : EXIT_BOXES) {
        dwExit |= m_page3.*box != 0 ? bit : 0;
    }
    s.SetDWordAt(SLOT_EXIT_CONDITIONS, dwExit);
    s.SetStringCount(FIRST_PICTURE_SLOT);
    for (int i = 0; i < m_page1.m_arrFiles.size(); ++i) {
        s.SetStringAt(FIRST_PICTURE_SLOT + i, m_page1.m_arrFiles[i].toStdString());
    }
}
