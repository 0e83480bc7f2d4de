#pragma once

#include "app/CommandLineInfo.h"

// The host's command line: /s saver, /c or /c:<handle> configuration, /p <handle> preview.
// Only the lower-case first letter of a flag counts.
class SaverCommandLineInfo : public CommandLineInfo {
public:
    explicit SaverCommandLineInfo(const WindowQuery& windows) : m_windows(windows) {}

    void ParseParam(const char* pszParam, bool bFlag, bool bLast) override;

    bool m_bConfigure = false;
    bool m_bSaver = false;  // an explicit /s: wins over $XSCREENSAVER_WINDOW
    bool m_bPreview = false;
    long m_hPreviewParent = 0;

private:
    const WindowQuery& m_windows;
};

// Saver: full screen. Host: inside a screen-saver host's window (XScreenSaver). Window: an
// ordinary window of our own.
enum class SaverMode { Saver, Preview, Configure, Host, Window };

// Preview wins over configuration; everything else is saver mode.
SaverMode ChooseMode(const SaverCommandLineInfo& info);
