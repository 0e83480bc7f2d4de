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
    CreateModeControls(layout);
    CreateColorControls(layout);
    CreatePictureControls(layout);

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

void CVelvetfadeConfigPage1::CreateModeControls(TemplateLayout& layout) {
    const bool bJapanese = UiIsJapanese();
    // Group frames first: they lie under the radio buttons that sit on their top edges, whose
    // texts name them.
    std::vector<QGroupBox*> frames;
    for (const QRect& r : {QRect(115, 5, 120, 35), QRect(5, 45, 230, 35), QRect(5, 85, 230, 126)}) {
        frames.push_back(new QGroupBox(this));
        layout.Add(frames.back(), r.x(), r.y(), r.width(), r.height());
    }
    // The four radio buttons form one group; in creation order they are indices 0 to 3.
    m_pModeGroup = new QButtonGroup(this);
    const struct {
        int id;
        const char* text;
        int x, y, w, wJapanese;
    } radios[] = {
        {IDC_SINGLE_COLOR_RADIO, QT_TR_NOOP("&Single Color"), 130, 5, 55, 38},
        {IDC_GRADATION_RADIO, QT_TR_NOOP("&Gradation"), 14, 45, 80, 71},
        {IDC_BITMAP_RADIO, QT_TR_NOOP("&Bitmap"), 10, 85, 55, 60},
        {IDC_RANDOM_RADIO, QT_TR_NOOP("&Random"), 15, 8, 45, 55},
    };
    for (const auto& r : radios) {
        auto* pRadio = new QRadioButton(tr(r.text), this);
        pRadio->setAutoFillBackground(true);     // covers the group frame's line it sits on
        pRadio->setFocusPolicy(Qt::ClickFocus);  // reached by mnemonic, not by Tab
        layout.Add(pRadio, r.x, r.y, bJapanese ? r.wJapanese : r.w, 10, true);
        m_pModeGroup->addButton(pRadio, static_cast<int>(m_pModeGroup->buttons().size()));
        Register(r.id, pRadio);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        frames[i]->setAccessibleName(PlainText(m_pModeGroup->button(static_cast<int>(i))->text()));
    }
}

void CVelvetfadeConfigPage1::CreateColorControls(TemplateLayout& layout) {
    // Each colour's "random" box, which disables its button, then the button.
    const struct {
        int checkId, buttonId;
        ColorPickerButton& button;
        void (CVelvetfadeConfigPage1::*onClick)();
        int checkX, checkY, checkW, buttonX, buttonY;
        const char* name;
        const char* randomName;  // the boxes read "random" alike; a screen reader tells them apart
    } colors[] = {
        {IDC_RANDOM_SINGLE, IDC_SINGLE_COLOR, m_btnSingleColor,
         &CVelvetfadeConfigPage1::OnRandomSingle, 180, 22, 47, 125, 19, QT_TR_NOOP("Single color"),
         QT_TR_NOOP("Single color at random")},
        {IDC_RANDOM_GRAD1, IDC_GRAD_COLOR1, m_btnGradColor1, &CVelvetfadeConfigPage1::OnRandomGrad1,
         70, 61, 45, 15, 59, QT_TR_NOOP("First color of the gradation"),
         QT_TR_NOOP("First color of the gradation at random")},
        {IDC_RANDOM_GRAD2, IDC_GRAD_COLOR2, m_btnGradColor2, &CVelvetfadeConfigPage1::OnRandomGrad2,
         180, 61, 45, 125, 58, QT_TR_NOOP("Second color of the gradation"),
         QT_TR_NOOP("Second color of the gradation at random")},
    };
    for (const auto& c : colors) {
        auto* pCheck = new QCheckBox(tr("random"), this);
        pCheck->setAccessibleName(tr(c.randomName));
        layout.Add(pCheck, c.checkX, c.checkY, c.checkW, 10, true);
        connect(pCheck, &QCheckBox::clicked, this, c.onClick);
        Register(c.checkId, pCheck);
        c.button.setParent(this);
        c.button.setAccessibleName(tr(c.name));
        layout.Add(&c.button, c.buttonX, c.buttonY, 50, 15);
        c.button.show();
        Register(c.buttonId, &c.button);
    }
}

void CVelvetfadeConfigPage1::CreatePictureControls(TemplateLayout& layout) {
    // Beneath the row of buttons, which a third button fills.
    auto* pOrder = new QCheckBox(tr("Random &Order"), this);
    layout.Add(pOrder, 15, 119, UiIsJapanese() ? 57 : 59, 10, true);
    Register(IDC_RANDOM_ORDER, pOrder);

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
    layout.Add(m_listFiles, 15, 133, 215, 74);
    Register(IDC_FILE_LIST, m_listFiles);
    // The Delete key in the list deletes the selection, as the Delete button does.
    new QShortcut(QKeySequence(Qt::Key_Delete), m_listFiles, this,
                  &CVelvetfadeConfigPage1::OnDeleteFiles, Qt::WidgetShortcut);

    const struct {
        int id;
        const char* text;
        int x, w;
        void (CVelvetfadeConfigPage1::*onClick)();
    } buttons[] = {
        {IDC_ADD, QT_TR_NOOP("&Add..."), 15, 35, &CVelvetfadeConfigPage1::OnAddFiles},
        {IDC_ADD_FOLDER, QT_TR_NOOP("&Folder..."), 54, 40, &CVelvetfadeConfigPage1::OnAddFolder},
        {IDC_DELETE, QT_TR_NOOP("&Delete"), 98, 35, &CVelvetfadeConfigPage1::OnDeleteFiles},
    };
    for (const auto& b : buttons) {
        auto* pButton = new QPushButton(tr(b.text), this);
        layout.Add(pButton, b.x, 99, b.w, 15, true);
        connect(pButton, &QPushButton::clicked, this, b.onClick);
        Register(b.id, pButton);
    }
    Control(IDC_ADD_FOLDER)->setToolTip(tr("Add a folder: every picture in it is shown"));
    Control(IDC_ADD_FOLDER)->setAccessibleName(tr("Add a folder"));

    m_pPlacement = new QComboBox(this);
    m_pPlacement->setEditable(false);
    for (const char* text : {QT_TR_NOOP("Random position"), QT_TR_NOOP("Centered"),
                             QT_TR_NOOP("Tiled"), QT_TR_NOOP("Enlarged to the screen")}) {
        m_pPlacement->addItem(tr(text));
    }
    m_pPlacement->setAccessibleName(tr("Placement of a picture"));
    // The template's height includes the drop-down list; the closed box is one line high.
    layout.Add(m_pPlacement, 160, 101, 70, 12, true);
    Register(IDC_PLACEMENT, m_pPlacement);
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
