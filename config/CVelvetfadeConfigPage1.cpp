#include "config/CVelvetfadeConfigPage1.h"

#include <climits>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>

#include "config/DialogUnits.h"
#include "config/ProgramIcon.h"
#include "imaging/PictureFile.h"
#include "platform/QtPictureDecoder.h"

const char* const CVelvetfadeConfigPage1::FILE_FILTER =
    "Image File (*.bmp, *.dib, *.jpg, *.gif)|*.bmp; *.dib; *.jpg; *.gif|"
    "Bitmap File(*.bmp, *.dib)|*.bmp; *.dib|JPEG File (*.jpg)|*.jpg|GIF File (*.gif)|*.gif||";

CVelvetfadeConfigPage1::CVelvetfadeConfigPage1(QWidget* pParent) : QWidget(pParent) {
    m_fileDialog = [](QWidget* pDialogParent, const QStringList& filters,
                      const QString& defaultSuffix) {
        QFileDialog dialog(pDialogParent);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(defaultSuffix);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    m_folderDialog = [](QWidget* pDialogParent) {
        QFileDialog dialog(pDialogParent);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().constFirst()
                   : QString();
    };
}

QString CVelvetfadeConfigPage1::Title() {
    return tr("Mode");
}

QStringList CVelvetfadeConfigPage1::FileDialogFilters() {
    // "text|patterns|text|patterns||" → "text (pattern pattern)"
    const QStringList parts = QString::fromLatin1(FILE_FILTER).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')');
    }
    // Every kind the saver reads here, as the installed image plugins report them.
    QtPictureDecoder decoder;
    QStringList patterns;
    for (const std::string& suffix : ReadablePictureSuffixes(&decoder)) {
        patterns << QStringLiteral("*.") + QString::fromStdString(suffix);
    }
    filters << tr("All pictures") + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')')
            << tr("All files") + QStringLiteral(" (*)");
    return filters;
}

bool CVelvetfadeConfigPage1::IsFolderEntry(const QString& entry) {
    return entry.endsWith(QLatin1Char('/'));
}

void CVelvetfadeConfigPage1::AddListItems(const QStringList& entries) {
    // All at once: a long list is not inserted row by row.
    const int first = m_listFiles->count();
    m_listFiles->addItems(entries);
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon file = style()->standardIcon(QStyle::SP_FileIcon);
    for (int i = 0; i < entries.size(); ++i) {
        m_listFiles->item(first + i)->setIcon(IsFolderEntry(entries[i]) ? folder : file);
    }
}

bool CVelvetfadeConfigPage1::Create() {
    if (m_bCreated) {
        return true;
    }
    CreateControls();
    m_bCreated = true;
    DoDataExchange(false);

    m_hIcon = ProgramIcon();
    window()->setWindowIcon(m_hIcon);  // the sheet's small and big icon

    OnRandomSingle();
    OnRandomGrad1();
    OnRandomGrad2();
    AddListItems(m_arrFiles);
    return true;
}

bool CVelvetfadeConfigPage1::AcceptsPath(std::string_view path) {
    // PATH_MAX counts the terminating zero: a longer path names no file.
    return path.size() < PATH_MAX;
}

void CVelvetfadeConfigPage1::CreateControls() {
    // Every control with its template rectangle; placed at the end, once the widths needed by
    // the texts are known.
    TemplateLayout layout(*this);
    const bool bJapanese = UiIsJapanese();
    auto place = [&layout](QWidget* pWidget, int x, int y, int w, int h, bool fitText = false) {
        layout.Add(pWidget, x, y, w, h, fitText);
    };
    auto add = [this](int nId, QWidget* pWidget) { return Register(nId, pWidget); };

    // Group frames first: they lie under the radio buttons that sit on their top edges, whose
    // texts name them.
    std::vector<QGroupBox*> frames;
    for (const QRect& r : {QRect(115, 5, 120, 35), QRect(5, 45, 230, 35), QRect(5, 85, 230, 126)}) {
        frames.push_back(new QGroupBox(this));
        place(frames.back(), r.x(), r.y(), r.width(), r.height());
    }

    // The four radio buttons form one group; in creation order they are indices 0 to 3.
    m_pModeGroup = new QButtonGroup(this);
    struct Radio {
        int id;
        const char* text;
        int x, y, w, wJapanese;
    } radios[] = {
        {IDC_SINGLE_COLOR_RADIO, QT_TR_NOOP("&Single Color"), 130, 5, 55, 38},
        {IDC_GRADATION_RADIO, QT_TR_NOOP("&Gradation"), 14, 45, 80, 71},
        {IDC_BITMAP_RADIO, QT_TR_NOOP("&Bitmap"), 10, 85, 55, 60},
        {IDC_RANDOM_RADIO, QT_TR_NOOP("&Random"), 15, 8, 45, 55},
    };
    auto makeRadio = [&](const Radio& r) {
        auto* pRadio = new QRadioButton(tr(r.text), this);
        pRadio->setAutoFillBackground(true);     // covers the group frame's line it sits on
        pRadio->setFocusPolicy(Qt::ClickFocus);  // reached by mnemonic, not by Tab
        place(pRadio, r.x, r.y, bJapanese ? r.wJapanese : r.w, 10, true);
        const int index = static_cast<int>(m_pModeGroup->buttons().size());
        m_pModeGroup->addButton(pRadio, index);
        add(r.id, pRadio);
    };
    for (const Radio& r : radios) {
        makeRadio(r);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        frames[i]->setAccessibleName(PlainText(m_pModeGroup->button(static_cast<int>(i))->text()));
    }

    auto makeCheck = [&](int nId, const QString& text, int x, int y, int w) {
        auto* pCheck = new QCheckBox(text, this);
        place(pCheck, x, y, w, 10, true);
        add(nId, pCheck);
        return pCheck;
    };
    auto placeColor = [&](int nId, ColorPickerButton& button, int x, int y, const QString& name) {
        button.setParent(this);
        button.setAccessibleName(name);
        place(&button, x, y, 50, 15);
        button.show();
        add(nId, &button);
    };

    auto* pRandomSingle = makeCheck(IDC_RANDOM_SINGLE, tr("random"), 180, 22, 47);
    connect(pRandomSingle, &QCheckBox::clicked, this, &CVelvetfadeConfigPage1::OnRandomSingle);
    placeColor(IDC_SINGLE_COLOR, m_btnSingleColor, 125, 19, tr("Single color"));
    auto* pRandomGrad1 = makeCheck(IDC_RANDOM_GRAD1, tr("random"), 70, 61, 45);
    connect(pRandomGrad1, &QCheckBox::clicked, this, &CVelvetfadeConfigPage1::OnRandomGrad1);
    placeColor(IDC_GRAD_COLOR1, m_btnGradColor1, 15, 59, tr("First color of the gradation"));
    auto* pRandomGrad2 = makeCheck(IDC_RANDOM_GRAD2, tr("random"), 180, 61, 45);
    connect(pRandomGrad2, &QCheckBox::clicked, this, &CVelvetfadeConfigPage1::OnRandomGrad2);
    placeColor(IDC_GRAD_COLOR2, m_btnGradColor2, 125, 58, tr("Second color of the gradation"));
    // The three boxes read "random" alike: a screen reader tells them apart by these names.
    pRandomSingle->setAccessibleName(tr("Single color at random"));
    pRandomGrad1->setAccessibleName(tr("First color of the gradation at random"));
    pRandomGrad2->setAccessibleName(tr("Second color of the gradation at random"));
    // Beneath the row of buttons, which a third button fills.
    makeCheck(IDC_RANDOM_ORDER, tr("Random &Order"), 15, 119, bJapanese ? 57 : 59);

    m_listFiles = new QListWidget(this);
    m_listFiles->setSelectionMode(QAbstractItemView::MultiSelection);  // each click toggles
    m_listFiles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listFiles->setSortingEnabled(false);
    // Every row one line high: nothing measures the texts of rows out of sight, so a long list
    // opens at once.
    m_listFiles->setUniformItemSizes(true);
    // Icons of the text's height tell folders from files without making the rows taller.
    const int iconSide = m_listFiles->fontMetrics().height();
    m_listFiles->setIconSize(QSize(iconSide, iconSide));
    m_listFiles->setAccessibleName(tr("Pictures"));
    place(m_listFiles, 15, 133, 215, 74);
    add(IDC_FILE_LIST, m_listFiles);
    // The Delete key in the list deletes the selection, as the Delete button does.
    new QShortcut(QKeySequence(Qt::Key_Delete), m_listFiles, this,
                  &CVelvetfadeConfigPage1::OnDeleteFiles, Qt::WidgetShortcut);

    auto* pAdd = new QPushButton(tr("&Add..."), this);
    place(pAdd, 15, 99, 35, 15, true);
    connect(pAdd, &QPushButton::clicked, this, &CVelvetfadeConfigPage1::OnAddFiles);
    add(IDC_ADD, pAdd);
    auto* pFolder = new QPushButton(tr("&Folder..."), this);
    pFolder->setToolTip(tr("Add a folder: every picture in it is shown"));
    pFolder->setAccessibleName(tr("Add a folder"));
    place(pFolder, 54, 99, 40, 15, true);
    connect(pFolder, &QPushButton::clicked, this, &CVelvetfadeConfigPage1::OnAddFolder);
    add(IDC_ADD_FOLDER, pFolder);
    auto* pDelete = new QPushButton(tr("&Delete"), this);
    place(pDelete, 98, 99, 35, 15, true);
    connect(pDelete, &QPushButton::clicked, this, &CVelvetfadeConfigPage1::OnDeleteFiles);
    add(IDC_DELETE, pDelete);

    m_pPlacement = new QComboBox(this);
    m_pPlacement->setEditable(false);
    for (const char* text : {QT_TR_NOOP("Random position"), QT_TR_NOOP("Centered"),
                             QT_TR_NOOP("Tiled"), QT_TR_NOOP("Enlarged to the screen")}) {
        m_pPlacement->addItem(tr(text));
    }
    m_pPlacement->setAccessibleName(tr("Placement of a picture"));
    // The template's height includes the drop-down list; the closed box is one line high.
    place(m_pPlacement, 160, 101, 70, 12, true);
    add(IDC_PLACEMENT, m_pPlacement);

    // Tab order as in the template; the radio buttons are reached by their mnemonics.
    const int tabOrder[] = {IDC_RANDOM_SINGLE, IDC_SINGLE_COLOR, IDC_RANDOM_GRAD1, IDC_GRAD_COLOR1,
                            IDC_RANDOM_GRAD2,  IDC_GRAD_COLOR2,  IDC_RANDOM_ORDER, IDC_FILE_LIST,
                            IDC_ADD,           IDC_ADD_FOLDER,   IDC_DELETE,       IDC_PLACEMENT};
    for (size_t i = 0; i + 1 < std::size(tabOrder); ++i) {
        setTabOrder(Control(tabOrder[i]), Control(tabOrder[i + 1]));
    }

    const DialogUnits& du = layout.Apply();
    // A radio button on a group's frame covers the frame's line with its background: no wider
    // than its text, so the gap fits the caption.
    for (QAbstractButton* pRadio : m_pModeGroup->buttons()) {
        pRadio->resize(std::min(pRadio->width(), pRadio->sizeHint().width()), pRadio->height());
    }
    setMinimumSize(du.X(239), du.Y(214));
    // The radio buttons sitting on the group frames take the page's background.
    CentreControls(*this);
}

void CVelvetfadeConfigPage1::ApplyEnablingRule(int nCheckId, ColorPickerButton& button) {
    if (auto* pCheck = qobject_cast<QCheckBox*>(Control(nCheckId))) {
        button.setEnabled(!pCheck->isChecked());
    }
}

void CVelvetfadeConfigPage1::OnRandomSingle() {
    ApplyEnablingRule(IDC_RANDOM_SINGLE, m_btnSingleColor);
}

void CVelvetfadeConfigPage1::OnRandomGrad1() {
    ApplyEnablingRule(IDC_RANDOM_GRAD1, m_btnGradColor1);
}

void CVelvetfadeConfigPage1::OnRandomGrad2() {
    ApplyEnablingRule(IDC_RANDOM_GRAD2, m_btnGradColor2);
}

void CVelvetfadeConfigPage1::DoDataExchange(bool bSaveAndValidate) {
    if (!m_bCreated) {
        return;
    }
    ExchangeChecks(bSaveAndValidate, {{IDC_RANDOM_SINGLE, &m_bRandomSingle},
                                      {IDC_RANDOM_GRAD1, &m_bRandomGrad1},
                                      {IDC_RANDOM_GRAD2, &m_bRandomGrad2},
                                      {IDC_RANDOM_ORDER, &m_bRandomOrder}});
    if (bSaveAndValidate) {
        m_nMode = m_pModeGroup->checkedId();  // -1 when none is checked
        m_nPlacement = m_pPlacement->currentIndex();
    } else {
        // A value that names no button leaves them all unchecked, as a stored mode outside
        // 0-3 would.
        m_pModeGroup->setExclusive(false);
        for (QAbstractButton* pButton : m_pModeGroup->buttons()) {
            pButton->setChecked(m_pModeGroup->id(pButton) == m_nMode);
        }
        m_pModeGroup->setExclusive(true);
        m_pPlacement->setCurrentIndex(
            m_nPlacement >= 0 && m_nPlacement < m_pPlacement->count() ? m_nPlacement : -1);
    }
}

void CVelvetfadeConfigPage1::OnAddFiles() {
    if (!m_fileDialog) {
        return;
    }
    const QStringList chosen = m_fileDialog(this, FileDialogFilters(), QStringLiteral("bmp"));
    QStringList accepted;
    for (const QString& path : chosen) {
        if (AcceptsPath(QFile::encodeName(path).toStdString())) {
            accepted.append(path);
        }
    }
    AddListItems(accepted);
    m_arrFiles.append(accepted);
}

void CVelvetfadeConfigPage1::OnAddFolder() {
    if (!m_folderDialog) {
        return;
    }
    QString folder = m_folderDialog(this);
    if (folder.isEmpty()) {
        return;
    }
    if (!IsFolderEntry(folder)) {
        folder += QLatin1Char('/');
    }
    if (AcceptsPath(QFile::encodeName(folder).toStdString())) {
        AddListItems({folder});
        m_arrFiles.append(folder);
    }
}

void CVelvetfadeConfigPage1::OnDeleteFiles() {
    // The items that stay, in order, are put back at once: taking items out one by one costs
    // time in proportion to the list's length for each.
    QStringList kept;
    for (int i = 0; i < m_listFiles->count(); ++i) {
        if (!m_listFiles->item(i)->isSelected()) {
            kept.append(m_arrFiles.value(i));
        }
    }
    if (kept.size() == m_listFiles->count()) {
        return;
    }
    const int scrolled = m_listFiles->verticalScrollBar()->value();
    m_listFiles->clear();
    AddListItems(kept);
    m_listFiles->verticalScrollBar()->setValue(scrolled);
    m_arrFiles = kept;
}
