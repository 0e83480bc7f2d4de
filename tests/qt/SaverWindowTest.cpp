#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>

#include "app/MemoryProfileStore.h"
#include "app/SettingsSlots.h"
#include "saver/SaverWindow.h"

namespace {

std::string Name(const char* prefix, int n) {
    std::string name(prefix);
    name += std::to_string(n);
    return name;
}

// A saver window on a driven clock, with the settings given as slot values.
class SaverWindowTest : public ::testing::Test {
protected:
    void SetUp() override { SaverWindow::ResetMouseReference(); }

    void TearDown() override {
        delete m_pWindow;  // a QPointer: null when the window already deleted itself
        QCoreApplication::processEvents();
    }

    SaverWindow& Create(std::initializer_list<std::pair<int, uint32_t>> values,
                        bool bAutoDelete = false,
                        SaverWindow::Placement placement = SaverWindow::Placement::FullScreen) {
        MemoryProfileStore profile;
        int nCount = 0;
        for (auto [slot, value] : values) {
            profile.WriteProfileInt("Settings", Name("DWORD_", slot), value);
            nCount = std::max(nCount, slot + 1);
        }
        profile.WriteProfileInt("Settings", "Num_DWORD", static_cast<uint32_t>(nCount));
        m_pWindow = new SaverWindow([this] { return m_dwNow; });
        m_pSpy = std::make_unique<QSignalSpy>(m_pWindow.data(), &SaverWindow::saverDestroyed);
        EXPECT_TRUE(m_pWindow->CreateSaver(profile, QStringLiteral("Velvetfade"), placement, 0,
                                           bAutoDelete));
        return *m_pWindow;
    }

    void At(uint32_t dwMsAfterStart) { m_dwNow = m_pWindow->StartTick() + dwMsAfterStart; }

    void Press(Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(m_pWindow, &event);
    }
    void MoveTo(int x, int y) {
        QMouseEvent event(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_pWindow, &event);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(m_pWindow, &event);
    }

    // True once the window has closed itself; gives posted closes their turn first.
    bool Closed() {
        QCoreApplication::processEvents();
        return !m_pSpy->isEmpty();
    }

    uint32_t m_dwNow = 100000;
    QPointer<SaverWindow> m_pWindow;
    std::unique_ptr<QSignalSpy> m_pSpy;
};

TEST(FramePeriod, FollowsTheFrameRateAndNeverSpins) {
    EXPECT_EQ(SaverWindow::FramePeriodMs(5), 200);
    EXPECT_EQ(SaverWindow::FramePeriodMs(3), 333);
    EXPECT_EQ(SaverWindow::FramePeriodMs(60), 16);
    EXPECT_EQ(SaverWindow::FramePeriodMs(1), 1000);
    EXPECT_EQ(SaverWindow::FramePeriodMs(0), 1000);
    EXPECT_EQ(SaverWindow::FramePeriodMs(1000), 1);
    EXPECT_EQ(SaverWindow::FramePeriodMs(1001), 1);
    EXPECT_EQ(SaverWindow::FramePeriodMs(0xFFFFFFFF), 1);
}

TEST_F(SaverWindowTest, AClickInTheGraceTimeIsDroppedAndOneAfterItCloses) {
    Create({{SLOT_EXIT_CONDITIONS, EXIT_LEFT_BUTTON}});
    At(1000);
    Press(Qt::LeftButton);
    EXPECT_FALSE(Closed());
    At(1500);
    Press(Qt::LeftButton);
    EXPECT_FALSE(Closed());
    At(1600);
    Press(Qt::LeftButton);
    EXPECT_TRUE(Closed());
    EXPECT_FALSE(m_pWindow->isVisible());
}

TEST_F(SaverWindowTest, GraceTimeIsRightAcrossTheTickWrapAround) {
    m_dwNow = 0xFFFFFF00u;
    Create({{SLOT_EXIT_CONDITIONS, EXIT_KEY_DOWN}});
    m_dwNow = 0x00000100u;  // 512 ms later
    Key(Qt::Key_A);
    EXPECT_FALSE(Closed());
    m_dwNow = 0x00000600u;  // 1792 ms later
    Key(Qt::Key_A);
    EXPECT_TRUE(Closed());
}

TEST_F(SaverWindowTest, MovementDuringGraceIsComparedWithTheFirstPositionAfterIt) {
    Create({{SLOT_EXIT_CONDITIONS, EXIT_MOUSE_MOVE}});
    At(100);
    MoveTo(10, 10);
    MoveTo(90, 90);
    EXPECT_FALSE(Closed());
    At(2000);
    MoveTo(10, 10);  // back at the reference: not a movement
    EXPECT_FALSE(Closed());
    MoveTo(90, 90);
    EXPECT_TRUE(Closed());
}

TEST_F(SaverWindowTest, AnotherApplicationBecomingActiveEndsTheSaver) {
    Create({{SLOT_EXIT_CONDITIONS, EXIT_OTHER_APP_ACTIVE}});
    At(2000);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(Closed());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(Closed());
}

TEST_F(SaverWindowTest, AnOutsideCloseRequestIsIgnored) {
    Create({});
    At(5000);
    EXPECT_FALSE(m_pWindow->close());
    EXPECT_TRUE(m_pWindow->isVisible());
    EXPECT_FALSE(Closed());
}

}  // namespace
