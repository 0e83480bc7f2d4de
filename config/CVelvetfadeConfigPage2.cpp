#include "config/CVelvetfadeConfigPage2.h"
#include "app/SettingsView.h"

#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <tuple>

#include "config/DialogUnits.h"

CVelvetfadeConfigPage2::CVelvetfadeConfigPage2(QWidget* pParent) : QWidget(pParent) {}

QString CVelvetfadeConfigPage2::Title() {
    return tr("Display");
}

QSlider* CVelvetfadeConfigPage2::Slider(int nId) const {
    return qobject_cast<QSlider*>(Control(nId));
}

// One setting's row: its group frame, slider, arrows, value and unit.
struct CVelvetfadeConfigPage2::SliderRow {
    const char* group;
    int top;
    int slider, spin, label;
    int spinX, sliderH;
    const char* unit;
    void (CVelvetfadeConfigPage2::*delta)(int);
};

bool CVelvetfadeConfigPage2::Create() {
    if (m_bCreated) {
        return true;
    }
    TemplateLayout layout(*this);
    const SliderRow rows[] = {
        {QT_TR_NOOP("&Frame rate"), 5, IDC_FRAME_RATE, IDC_FRAME_RATE_SPIN, IDC_FRAME_RATE_LABEL,
         178, 29, QT_TR_NOOP("fps"), &CVelvetfadeConfigPage2::OnDeltaPosFrameRate},
        {QT_TR_NOOP("&Smoothness of a permeation "), 65, IDC_SMOOTHNESS, IDC_SMOOTHNESS_SPIN,
         IDC_SMOOTHNESS_LABEL, 179, 30, nullptr, &CVelvetfadeConfigPage2::OnDeltaPosSmoothness},
        {QT_TR_NOOP("&The interval before and behind a display"), 125, IDC_INTERVAL,
         IDC_INTERVAL_SPIN, IDC_INTERVAL_LABEL, 178, 30, QT_TR_NOOP("sec"),
         &CVelvetfadeConfigPage2::OnDeltaPosInterval},
    };
    for (const SliderRow& row : rows) {
        CreateRow(layout, row);
    }
    const DialogUnits& du = layout.Apply();
    // The two arrows of each spin split it in half.
    for (int nId : {IDC_FRAME_RATE_SPIN, IDC_SMOOTHNESS_SPIN, IDC_INTERVAL_SPIN}) {
        QWidget* pSpin = Control(nId);
        auto* pLeft = pSpin->findChild<QToolButton*>(QStringLiteral("left"));
        auto* pRight = pSpin->findChild<QToolButton*>(QStringLiteral("right"));
        const int half = pSpin->width() / 2;
        pLeft->setGeometry(0, 0, half, pSpin->height());
        pRight->setGeometry(half, 0, pSpin->width() - half, pSpin->height());
    }
    setMinimumSize(du.X(239), du.Y(183));
    CentreControls(*this);

    m_bCreated = true;
    // The first exchange happens before the ranges are set, so that a stored
    // 0 puts the frame-rate slider at 1 while its label still says 0.
    const QSignalBlocker b1(Slider(IDC_FRAME_RATE)), b2(Slider(IDC_SMOOTHNESS)),
        b3(Slider(IDC_INTERVAL));
    DoDataExchange(false);
    Slider(IDC_FRAME_RATE)->setRange(FRAME_RATE_RANGE.nMin, FRAME_RATE_RANGE.nMax);
    Slider(IDC_FRAME_RATE)->setTickInterval(5);
    Slider(IDC_SMOOTHNESS)->setRange(FADE_STEP_RANGE.nMin, FADE_STEP_RANGE.nMax);
    Slider(IDC_SMOOTHNESS)->setTickInterval(1);
    Slider(IDC_INTERVAL)->setRange(INTERVAL_RANGE.nMin, INTERVAL_RANGE.nMax);
    Slider(IDC_INTERVAL)->setTickInterval(5);
    ShowMembersInLabels();
    return true;
}

void CVelvetfadeConfigPage2::CreateRow(TemplateLayout& layout, const SliderRow& row) {
    auto* pGroup = new LabelGroupBox(tr(row.group), this);
    layout.Add(pGroup, 5, row.top, 230, 50);

    auto* pSlider = new QSlider(Qt::Horizontal, this);
    pSlider->setRange(0, 100);  // until Create() sets the real ranges, after the first exchange
    pSlider->setTickPosition(QSlider::TicksBothSides);
    pSlider->setAccessibleName(PlainText(pGroup->title()));
    Register(row.slider, pSlider);
    layout.Add(pSlider, 15, row.top + 13, 160, row.sliderH);
    connect(pSlider, &QSlider::valueChanged, this, &CVelvetfadeConfigPage2::OnHScroll);

    // The spin: a left and a right arrow side by side.
    auto* pSpin = new QWidget(this);
    pSpin->setAccessibleName(PlainText(pGroup->title()));
    const auto delta = row.delta;
    for (const auto& [arrow, name, text, nDelta] :
         {std::tuple{Qt::LeftArrow, "left", QT_TR_NOOP("Less"), +1},
          std::tuple{Qt::RightArrow, "right", QT_TR_NOOP("More"), -1}}) {
        auto* pArrow = new QToolButton(pSpin);
        pArrow->setArrowType(arrow);
        pArrow->setObjectName(QLatin1String(name));
        pArrow->setAccessibleName(tr(text));
        // Like the template's spin control, the arrows are no Tab stops of their own.
        pArrow->setAutoRepeat(true);
        pArrow->setFocusPolicy(Qt::NoFocus);
        connect(pArrow, &QToolButton::clicked, this,
                [this, delta, n = nDelta] { (this->*delta)(n); });
    }
    Register(row.spin, pSpin);
    layout.Add(pSpin, row.spinX, row.top + 12, 50, 15);

    auto* pLabel = new QLabel(this);
    pLabel->setAlignment(Qt::AlignCenter);
    Register(row.label, pLabel);
    layout.Add(pLabel, row.spinX, row.top + 29 + (row.top == 65 ? 1 : 0), 27, 13);

    if (row.unit != nullptr) {
        auto* pUnit = new QLabel(tr(row.unit), this);
        layout.Add(pUnit, 209, row.top + 32, 20, 10, true);
    }
}

void CVelvetfadeConfigPage2::DoDataExchange(bool bSaveAndValidate) {
    if (!m_bCreated) {
        return;
    }
    const std::pair<int, int*> sliders[] = {{IDC_FRAME_RATE, &m_nFrameRate},
                                            {IDC_SMOOTHNESS, &m_nSmoothness},
                                            {IDC_INTERVAL, &m_nInterval}};
    for (auto [nId, pMember] : sliders) {
        if (bSaveAndValidate) {
            *pMember = Slider(nId)->value();
        } else {
            // Quietly: a slider's change must not read the others back before they are set.
            const QSignalBlocker blocker(Slider(nId));
            Slider(nId)->setValue(*pMember);  // clamped to the slider's range
        }
    }
}

void CVelvetfadeConfigPage2::ShowMembersInLabels() {
    static_cast<QLabel*>(Control(IDC_FRAME_RATE_LABEL))->setText(QString::number(m_nFrameRate));
    static_cast<QLabel*>(Control(IDC_SMOOTHNESS_LABEL))->setText(QString::number(m_nSmoothness));
    static_cast<QLabel*>(Control(IDC_INTERVAL_LABEL))->setText(QString::number(m_nInterval));
}

void CVelvetfadeConfigPage2::OnHScroll() {
    if (!m_bCreated) {
        return;
    }
    DoDataExchange(true);
    ShowMembersInLabels();
}

void CVelvetfadeConfigPage2::DeltaPos(int& nMember, int nDelta) {
    nMember += nDelta > 0 ? -1 : 1;
    DoDataExchange(false);
    // The spin's scroll notification: the clamped positions come back into the members.
    OnHScroll();
}

void CVelvetfadeConfigPage2::OnDeltaPosFrameRate(int nDelta) {
    DeltaPos(m_nFrameRate, nDelta);
}

void CVelvetfadeConfigPage2::OnDeltaPosSmoothness(int nDelta) {
    DeltaPos(m_nSmoothness, nDelta);
}

void CVelvetfadeConfigPage2::OnDeltaPosInterval(int nDelta) {
    DeltaPos(m_nInterval, nDelta);
}
