#pragma once

#include <QIcon>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string_view>

#include "config/ColorPickerButton.h"
#include "config/TemplatePage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;

// The Mode page: what the saver shows (colour, gradation, pictures or any of them), the
// colours with their "random" boxes, the picture order and placement, and the picture list.
// The members hold the values; the controls are made the first time the page is shown
// (Create) and exchange values with the members through DoDataExchange.
class CVelvetfadeConfigPage1 : public QWidget, public ControlMap {
    Q_OBJECT

public:
    // Control ids of the page's template.
    enum : int {
        IDC_SINGLE_COLOR_RADIO = 1001,
        IDC_SINGLE_COLOR = 1002,
        IDC_FILE_LIST = 1003,
        IDC_GRADATION_RADIO = 1004,
        IDC_BITMAP_RADIO = 1005,
        IDC_GRAD_COLOR1 = 1006,
        IDC_GRAD_COLOR2 = 1007,
        IDC_ADD = 1008,
        IDC_DELETE = 1009,
        IDC_RANDOM_RADIO = 1010,
        IDC_RANDOM_SINGLE = 1011,
        IDC_RANDOM_GRAD1 = 1012,
        IDC_RANDOM_GRAD2 = 1013,
        IDC_RANDOM_ORDER = 1014,
        IDC_PLACEMENT = 1017,
        IDC_ADD_FOLDER = 1018,
    };

    // The file dialog: full paths of the chosen files in the dialog's order; empty on Cancel.
    using FileDialog = std::function<QStringList(QWidget* pParent, const QStringList& filters,
                                                 const QString& defaultSuffix)>;

    // The folder dialog: the chosen folder; empty on Cancel.
    using FolderDialog = std::function<QString(QWidget* pParent)>;

    // The file dialog's filter, as display text and pattern pairs separated by "|".
    static const char* const FILE_FILTER;

    explicit CVelvetfadeConfigPage1(QWidget* pParent = nullptr);

    // Whether the list takes a path (in the system's encoding): one longer than any path the
    // system accepts names no file.
    static bool AcceptsPath(std::string_view path);

    // Makes the controls, moves the members into them, gives the sheet window the program
    // icon and applies the enabling rules. Once only; later calls do nothing.
    bool Create();
    bool IsCreated() const { return m_bCreated; }
    // Members to controls (false) or controls to members (true).
    void DoDataExchange(bool bSaveAndValidate);

    void OnAddFiles();
    void OnAddFolder();
    void OnDeleteFiles();
    void OnRandomSingle();
    void OnRandomGrad1();
    void OnRandomGrad2();

    void SetFileDialog(FileDialog dialog) { m_fileDialog = std::move(dialog); }
    void SetFolderDialog(FolderDialog dialog) { m_folderDialog = std::move(dialog); }
    // The filters as the Qt file dialog takes them: one "text (patterns)" entry per pair of the
    // described filter, then every picture the saver reads, then every file.
    static QStringList FileDialogFilters();
    // How the list shows a folder entry: its path ends in "/", as the folder dialog stores it.
    static bool IsFolderEntry(const QString& entry);
    // The page's title on its tab.
    static QString Title();

    // ---- members
    QListWidget* m_listFiles = nullptr;
    ColorPickerButton m_btnGradColor2;
    ColorPickerButton m_btnGradColor1;
    ColorPickerButton m_btnSingleColor;
    int m_bRandomSingle = 0;
    int m_bRandomGrad1 = 0;
    int m_bRandomGrad2 = 0;
    int m_bRandomOrder = 0;
    int m_nMode = 0;
    int m_nPlacement = 0;
    QIcon m_hIcon;
    QStringList m_arrFiles;

private:
    void CreateControls();
    // The radio buttons of the four scenes on their group frames.
    void CreateModeControls(TemplateLayout& layout);
    // The colour buttons with their "random" boxes.
    void CreateColorControls(TemplateLayout& layout);
    // The picture order, list, buttons and placement.
    void CreatePictureControls(TemplateLayout& layout);
    void ApplyEnablingRule(int nCheckId, ColorPickerButton& button);
    // Appends entries to the list box, each with a file's or a folder's icon.
    void AddListItems(const QStringList& entries);

    bool m_bCreated = false;
    QButtonGroup* m_pModeGroup = nullptr;
    QComboBox* m_pPlacement = nullptr;
    FileDialog m_fileDialog;
    FolderDialog m_folderDialog;
};
