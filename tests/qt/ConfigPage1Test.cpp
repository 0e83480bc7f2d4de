#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QTranslator>

#include "CVelvetfadeConfigPage1.h"

namespace {

using Page = CVelvetfadeConfigPage1;

class ConfigPage1Test : public ::testing::Test {
protected:
    ConfigPage1Test() {
        m_page.SetFileDialog([this](QWidget*, const QStringList& filters, const QString& suffix) {
            m_filters = filters;
            m_suffix = suffix;
            return m_answer;
        });
    }

    void Show() {
        m_page.Create();
        m_page.show();
    }
    QCheckBox* Check(int id) { return qobject_cast<QCheckBox*>(m_page.Control(id)); }
    QRadioButton* Radio(int id) { return qobject_cast<QRadioButton*>(m_page.Control(id)); }
    // A click on a radio button's indicator (a click beyond its text does not count).
    void ClickRadio(int id) {
        QRadioButton* pRadio = Radio(id);
        QTest::mouseClick(pRadio, Qt::LeftButton, {}, QPoint(6, pRadio->height() / 2));
    }
    QStringList Listed() {
        QStringList items;
        for (int i = 0; i < m_page.m_listFiles->count(); ++i) {
            items << m_page.m_listFiles->item(i)->text();
        }
        return items;
    }

    Page m_page;
    QStringList m_answer;
    QStringList m_filters;
    QString m_suffix;
};

TEST_F(ConfigPage1Test, ControlsAreMadeOnlyWhenThePageIsCreated) {
    EXPECT_EQ(m_page.Control(Page::IDC_FILE_LIST), nullptr);
    EXPECT_EQ(m_page.m_listFiles, nullptr);
    m_page.m_nMode = 2;
    m_page.m_nPlacement = 3;
    m_page.m_bRandomOrder = 1;
    m_page.m_arrFiles = {"/p/a.jpg", "/p/b.gif"};
    Show();
    for (int id : {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013,
                   1014, 1017}) {
        EXPECT_NE(m_page.Control(id), nullptr) << id;
    }
    EXPECT_TRUE(Radio(Page::IDC_BITMAP_RADIO)->isChecked());
    EXPECT_FALSE(Radio(Page::IDC_SINGLE_COLOR_RADIO)->isChecked());
    EXPECT_EQ(qobject_cast<QComboBox*>(m_page.Control(Page::IDC_PLACEMENT))->currentIndex(), 3);
    EXPECT_TRUE(Check(Page::IDC_RANDOM_ORDER)->isChecked());
    EXPECT_EQ(Listed(), (QStringList{"/p/a.jpg", "/p/b.gif"}));
    EXPECT_EQ(m_page.Control(Page::IDC_SINGLE_COLOR), &m_page.m_btnSingleColor);
    EXPECT_EQ(qobject_cast<QComboBox*>(m_page.Control(Page::IDC_PLACEMENT))->count(), 4);
    EXPECT_EQ(Radio(Page::IDC_SINGLE_COLOR_RADIO)->text(), QStringLiteral("&Single Color"));
    EXPECT_EQ(Check(Page::IDC_RANDOM_ORDER)->text(), QStringLiteral("Random &Order"));
}

TEST_F(ConfigPage1Test, RandomBoxesDisableTheirColourButtons) {
    m_page.m_bRandomGrad1 = 1;
    Show();
    EXPECT_TRUE(m_page.m_btnSingleColor.isEnabled());
    EXPECT_FALSE(m_page.m_btnGradColor1.isEnabled()) << "stored as set: disabled from the start";
    EXPECT_TRUE(m_page.m_btnGradColor2.isEnabled());

    QTest::mouseClick(Check(Page::IDC_RANDOM_SINGLE), Qt::LeftButton);
    EXPECT_FALSE(m_page.m_btnSingleColor.isEnabled());
    QTest::mouseClick(Check(Page::IDC_RANDOM_SINGLE), Qt::LeftButton);
    EXPECT_TRUE(m_page.m_btnSingleColor.isEnabled());
    QTest::mouseClick(Check(Page::IDC_RANDOM_GRAD1), Qt::LeftButton);
    EXPECT_TRUE(m_page.m_btnGradColor1.isEnabled());
    QTest::mouseClick(Check(Page::IDC_RANDOM_GRAD2), Qt::LeftButton);
    EXPECT_FALSE(m_page.m_btnGradColor2.isEnabled());

    // The mode does not grey anything out, and Random Order controls nothing.
    ClickRadio(Page::IDC_GRADATION_RADIO);
    QTest::mouseClick(Check(Page::IDC_RANDOM_ORDER), Qt::LeftButton);
    EXPECT_TRUE(m_page.m_btnSingleColor.isEnabled());
    EXPECT_TRUE(m_page.m_listFiles->isEnabled());
    EXPECT_TRUE(m_page.Control(Page::IDC_ADD)->isEnabled());
    EXPECT_TRUE(m_page.Control(Page::IDC_PLACEMENT)->isEnabled());

    // A disabled button keeps its colour.
    m_page.m_btnGradColor2.SetColor(RGB(1, 2, 3));
    EXPECT_EQ(m_page.m_btnGradColor2.GetColor(), RGB(1, 2, 3));
}

TEST_F(ConfigPage1Test, AddAppendsTheChosenFilesInOrderAndTwiceWhenChosenTwice) {
    Show();
    m_answer = {"/pics/c.jpg", "/pics/a.bmp", "/pics/b.gif"};
    QTest::mouseClick(m_page.Control(Page::IDC_ADD), Qt::LeftButton);
    EXPECT_EQ(m_page.m_arrFiles, m_answer);
    EXPECT_EQ(Listed(), m_answer);
    EXPECT_EQ(m_suffix, QStringLiteral("bmp"));
    EXPECT_EQ(m_filters,
              (QStringList{"Image File (*.bmp, *.dib, *.jpg, *.gif) (*.bmp *.dib *.jpg *.gif)",
                           "Bitmap File(*.bmp, *.dib) (*.bmp *.dib)", "JPEG File (*.jpg) (*.jpg)",
                           "GIF File (*.gif) (*.gif)"}));

    m_answer = {"/pics/a.bmp"};
    QTest::mouseClick(m_page.Control(Page::IDC_ADD), Qt::LeftButton);
    EXPECT_EQ(m_page.m_arrFiles.count(QStringLiteral("/pics/a.bmp")), 2);
    EXPECT_EQ(Listed(), m_page.m_arrFiles);

    m_answer = {};  // Cancel
    QTest::mouseClick(m_page.Control(Page::IDC_ADD), Qt::LeftButton);
    EXPECT_EQ(m_page.m_arrFiles.size(), 4);
}

TEST_F(ConfigPage1Test, DeleteRemovesTheSelectedItemsFromBoth) {
    m_page.m_arrFiles = {"0", "1", "2", "3", "4"};
    Show();
    QTest::mouseClick(m_page.Control(Page::IDC_DELETE), Qt::LeftButton);
    EXPECT_EQ(m_page.m_arrFiles.size(), 5) << "nothing selected, nothing deleted";

    // Each click toggles an item's selection.
    auto clickItem = [this](int row) {
        const QRect r = m_page.m_listFiles->visualItemRect(m_page.m_listFiles->item(row));
        QTest::mouseClick(m_page.m_listFiles->viewport(), Qt::LeftButton, {}, r.center());
    };
    clickItem(1);
    clickItem(3);
    clickItem(2);
    clickItem(2);
    EXPECT_EQ(m_page.m_listFiles->selectedItems().size(), 2);
    QTest::mouseClick(m_page.Control(Page::IDC_DELETE), Qt::LeftButton);
    EXPECT_EQ(m_page.m_arrFiles, (QStringList{"0", "2", "4"}));
    EXPECT_EQ(Listed(), m_page.m_arrFiles);
}

TEST_F(ConfigPage1Test, MembersAreReadBackFromWhatTheUserSet) {
    m_page.m_nMode = 0;
    Show();
    ClickRadio(Page::IDC_RANDOM_RADIO);
    QTest::mouseClick(Check(Page::IDC_RANDOM_GRAD2), Qt::LeftButton);
    QTest::mouseClick(Check(Page::IDC_RANDOM_ORDER), Qt::LeftButton);
    qobject_cast<QComboBox*>(m_page.Control(Page::IDC_PLACEMENT))->setCurrentIndex(2);
    m_page.DoDataExchange(true);
    EXPECT_EQ(m_page.m_nMode, 3);
    EXPECT_EQ(m_page.m_bRandomSingle, 0);
    EXPECT_EQ(m_page.m_bRandomGrad2, 1);
    EXPECT_EQ(m_page.m_bRandomOrder, 1);
    EXPECT_EQ(m_page.m_nPlacement, 2);

    // The radio buttons are one exclusive group.
    ClickRadio(Page::IDC_GRADATION_RADIO);
    EXPECT_FALSE(Radio(Page::IDC_RANDOM_RADIO)->isChecked());
    m_page.DoDataExchange(true);
    EXPECT_EQ(m_page.m_nMode, 1);
}

TEST_F(ConfigPage1Test, ValuesOutsideTheChoicesShowNoChoiceAndReadBackAsMinusOne) {
    m_page.m_nMode = 7;
    m_page.m_nPlacement = -1;
    Show();
    for (int id : {1001, 1004, 1005, 1010}) {
        EXPECT_FALSE(Radio(id)->isChecked()) << id;
    }
    m_page.DoDataExchange(true);
    EXPECT_EQ(m_page.m_nMode, -1);
    EXPECT_EQ(m_page.m_nPlacement, -1);
}

TEST_F(ConfigPage1Test, TabFollowsTheTemplateAndSkipsTheRadioButtons) {
    Show();
    QApplication::setActiveWindow(&m_page);
    m_page.Control(Page::IDC_RANDOM_SINGLE)->setFocus();
    const int expected[] = {1002, 1012, 1006, 1013, 1007, 1014, 1003, 1008, 1009, 1017};
    for (int id : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), m_page.Control(id)) << "expected " << id;
    }
}

}  // namespace
