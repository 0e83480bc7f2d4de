#pragma once

#include <QWidget>

#include "config/TemplatePage.h"

// The Details page: which inputs end the running saver, one check box each.
class CVelvetfadeConfigPage3 : public QWidget, public ControlMap {
    Q_OBJECT

public:
    enum : int {
        IDC_EXIT_LEFT_BUTTON = 1016,
        IDC_EXIT_RIGHT_BUTTON = 1017,
        IDC_EXIT_MOUSE_MOVE = 1018,
        IDC_EXIT_KEY_DOWN = 1019,
        IDC_EXIT_OTHER_APP = 1020,
    };

    explicit CVelvetfadeConfigPage3(QWidget* pParent = nullptr);

    static QString Title();

    // Makes the controls and moves the members in; once only.
    bool Create();
    bool IsCreated() const { return m_bCreated; }
    void DoDataExchange(bool bSaveAndValidate);

    int m_bExitLeftButton = 0;
    int m_bExitRightButton = 0;
    int m_bExitMouseMove = 0;
    int m_bExitKeyDown = 0;
    int m_bExitOtherApp = 0;

private:
    bool m_bCreated = false;
};
