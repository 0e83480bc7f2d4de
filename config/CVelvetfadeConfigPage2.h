#pragma once

#include <QWidget>

#include "config/TemplatePage.h"

class QLabel;
class QSlider;

// The Display page: frame rate, smoothness of the cross-fade and the interval, each with a
// slider, a pair of arrows that move it by one, and a label with the number.
class CVelvetfadeConfigPage2 : public QWidget, public ControlMap {
    Q_OBJECT

public:
    enum : int {
        IDC_FRAME_RATE = 1015,
        IDC_INTERVAL = 1016,
        IDC_SMOOTHNESS = 1017,
        IDC_FRAME_RATE_SPIN = 1018,
        IDC_INTERVAL_LABEL = 1019,
        IDC_SMOOTHNESS_SPIN = 1020,
        IDC_FRAME_RATE_LABEL = 1021,
        IDC_INTERVAL_SPIN = 1022,
        IDC_SMOOTHNESS_LABEL = 1023,
    };

    explicit CVelvetfadeConfigPage2(QWidget* pParent = nullptr);

    static QString Title();

    // Makes the controls: the members go into the sliders first (still at their default
    // range of 0 to 100), then the ranges are set, then the labels show the members.
    bool Create();
    bool IsCreated() const { return m_bCreated; }
    void DoDataExchange(bool bSaveAndValidate);
    QSlider* Slider(int nId) const;

    // A spin arrow: delta > 0 subtracts one, otherwise adds one (the left arrow reports a
    // positive delta, the right arrow a negative one).
    void OnDeltaPosFrameRate(int nDelta);
    void OnDeltaPosSmoothness(int nDelta);
    void OnDeltaPosInterval(int nDelta);
    // Any scroll: the members from the sliders, then the labels from the members.
    void OnHScroll();

    int m_nFrameRate = 0;
    int m_nSmoothness = 0;
    int m_nInterval = 0;

private:
    struct SliderRow;
    void CreateRow(TemplateLayout& layout, const SliderRow& row);
    void DeltaPos(int& nMember, int nDelta);
    void ShowMembersInLabels();

    bool m_bCreated = false;
};
