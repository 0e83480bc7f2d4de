#pragma once

#include <QDialog>

#include "config/CVelvetfadeConfigPage1.h"
#include "config/CVelvetfadeConfigPage2.h"
#include "config/CVelvetfadeConfigPage3.h"
#include "config/CVelvetfadeConfigPage4.h"

class QDialogButtonBox;
class QTabWidget;
class SettingsStore;

// The configuration sheet: Mode, Display, Details and About, with OK and Cancel. A page's
// controls are made the first time its tab is shown; a page's values are read back from its
// controls when it is left and, for the page in front, on OK. Tab runs through the tabs, the
// page, OK and Cancel; Ctrl+Tab and Ctrl+Page Down (with Shift, or Page Up: backwards) change
// the page wherever the focus is. The sheet cannot be resized; it grows when a page needs room.
class CVelvetfadeConfigDlg : public QDialog {
    Q_OBJECT

public:
    explicit CVelvetfadeConfigDlg(QWidget* pParent = nullptr);
    ~CVelvetfadeConfigDlg() override;

    static QString Caption();

    // Settings record → page members (before the sheet runs) and back (after OK).
    void LoadFrom(const SettingsStore& settings);
    void SaveTo(SettingsStore& settings) const;

    QTabWidget* Tabs() const { return m_pTabs; }
    void OnOK();

    CVelvetfadeConfigPage1 m_page1;
    CVelvetfadeConfigPage2 m_page2;
    CVelvetfadeConfigPage3 m_page3;
    CVelvetfadeConfigPage4 m_page4;

    void setVisible(bool bVisible) override;

private:
    void OnTabChanged(int nIndex);
    void CreatePage(int nIndex);
    void ReadBack(int nIndex);
    void StepPage(int nStep);
    void KeepFocusInSight(QWidget* pPage);

    QTabWidget* m_pTabs = nullptr;
    QDialogButtonBox* m_pButtons = nullptr;
    int m_nCurrent = -1;
};
