#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>

#include "app/MemoryProfileStore.h"
#include "app/SettingsSlots.h"
#include "saver/SaverWindow.h"

namespace {

// A full-screen saver window on a driven clock, ended only by the exit conditions given.
class SaverWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        delete m_pWindow;  // a QPointer: null when the window already deleted itself
        QCoreApplication::processEvents();
    }

    void Create(uint32_t dwExitConditions) {
        delete m_pWindow;
        SaverWindow::ResetMouseReference();
        MemoryProfileStore profile;
        profile.WriteProfileInt("Settings", "Num_DWORD", 1);
        profile.WriteProfileInt("Settings", "DWORD_0", dwExitConditions);
        m_pWindow = new SaverWindow([this] { return m_dwNow; });
        m_pSpy = std::make_unique<QSignalSpy>(m_pWindow.data(), &SaverWindow::saverDestroyed);
        ASSERT_TRUE(m_pWindow->CreateSaver(profile, QStringLiteral("Velvetfade"),
                                           SaverWindow::Placement::FullScreen, 0, false));
    }

    void At(uint32_t dwMsAfterStart) { m_dwNow = m_pWindow->StartTick() + dwMsAfterStart; }

    // Sends the event to the window; true once the window has closed itself (posted closes
    // get their turn first).
    bool Ends(QEvent&& event) {
        QApplication::sendEvent(m_pWindow, &event);
        QCoreApplication::processEvents();
        return !m_pSpy->isEmpty();
    }
    static QMouseEvent Press() {
        return {QEvent::MouseButtonPress, QPointF(5, 5),  QPointF(5, 5),
                Qt::LeftButton,           Qt::LeftButton, Qt::NoModifier};
    }

    uint32_t m_dwNow = 100000;
    QPointer<SaverWindow> m_pWindow;
    std::unique_ptr<QSignalSpy> m_pSpy;
};

TEST(FramePeriod, FollowsTheFrameRateAndNeverSpins) {
    const uint32_t fps[] = {5, 3, 60, 0, 1001, 0xFFFFFFFF};
    const int periods[] = {200, 333, 16, 1000, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(FrameClock::PeriodMs(fps[i]), periods[i]) << fps[i];
    }
}

TEST_F(SaverWindowTest, InputInTheGraceTimeIsDroppedAndAfterItEnds) {
    Create(EXIT_LEFT_BUTTON);
    At(1000);
    EXPECT_FALSE(Ends(Press()));
    At(1500);
    EXPECT_FALSE(Ends(Press()));
    At(1600);
    EXPECT_TRUE(Ends(Press()));
    EXPECT_FALSE(m_pWindow->isVisible());
}

// Each button and a key end the saver by their own exit bit, and not by the others'.
TEST_F(SaverWindowTest, EachButtonAndAKeyAnswerToTheirOwnBitOnly) {
    const std::pair<Qt::MouseButton, uint32_t> inputs[] = {{Qt::LeftButton, EXIT_LEFT_BUTTON},
                                                           {Qt::RightButton, EXIT_RIGHT_BUTTON},
                                                           {Qt::MiddleButton, EXIT_MIDDLE_BUTTON},
                                                           {Qt::NoButton, EXIT_KEY_DOWN}};
    constexpr uint32_t ALL =
        EXIT_LEFT_BUTTON | EXIT_RIGHT_BUTTON | EXIT_MIDDLE_BUTTON | EXIT_KEY_DOWN;
    for (auto [button, bit] : inputs) {
        for (const uint32_t dwExit : {bit, ALL & ~bit}) {
            Create(dwExit);
            At(2000);
            const bool bEnded =
                button == Qt::NoButton
                    ? Ends(QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier))
                    : Ends(QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                       button, button, Qt::NoModifier));
            EXPECT_EQ(bEnded, dwExit == bit) << "bit " << bit << " with " << dwExit;
        }
    }
}

TEST_F(SaverWindowTest, AnotherApplicationEndsItButAnOutsideCloseRequestDoesNot) {
    Create(EXIT_OTHER_APP_ACTIVE);
    At(2000);
    EXPECT_FALSE(m_pWindow->close());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(Ends(QEvent(QEvent::None)));
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(Ends(QEvent(QEvent::None)));
}

}  // namespace
