#pragma once

#include <QWidget>

#include "config/AnimatedPicture.h"
#include "platform/QtDesktopSource.h"

// The About page: the animated name, the version line and two lines about the maker. The
// animation runs only while the page is the one in front.
class CVelvetfadeConfigPage4 : public QWidget {
    Q_OBJECT

public:
    enum : int { IDC_PICTURE = 1020 };
    static constexpr unsigned FIRST_PICTURE = 131;
    static constexpr unsigned SECOND_PICTURE = 132;
    static constexpr int TICK_MS = 100;

    explicit CVelvetfadeConfigPage4(QWidget* pParent = nullptr);

    static QString Title();
    static QString VersionLine() {
        return QStringLiteral("Velvetfade Version " VELVETFADE_VERSION);
    }

    // Loads the pictures, puts them on the button-face colour and starts the animation.
    bool Create();
    bool IsCreated() const { return m_bCreated; }
    void OnSetActive();
    void OnKillActive();

    QtBitmapResources m_resources;  // the program's embedded pictures
    AnimatedPicture m_picture;

private:
    bool m_bCreated = false;
};
