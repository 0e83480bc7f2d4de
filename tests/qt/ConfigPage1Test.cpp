#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QTranslator>

#include "config/CVelvetfadeConfigPage1.h"

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

}  // namespace
