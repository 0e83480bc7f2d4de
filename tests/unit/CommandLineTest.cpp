#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "SaverApp.h"
#include "SaverCommandLineInfo.h"
#include "XScreenSaverOptions.h"

namespace {

// Pretends that the windows 1234 and 0x7fffffff exist and records what it was asked.
class FakeWindows : public WindowQuery {
public:
    bool IsWindow(long hWnd) const override {
        asked.push_back(hWnd);
        return existing.count(hWnd) != 0;
    }
    std::set<long> existing{1234, 0x7fffffff};
    mutable std::vector<long> asked;
};

struct Parsed {
    SaverMode mode;
    long handle;
    bool preview;
    bool configure;
    bool saver;
    std::vector<std::string> otherFlags;
    std::string fileName;
};

Parsed Parse(std::vector<const char*> args, FakeWindows& windows) {
    args.insert(args.begin(), "Velvetfade");
    SaverCommandLineInfo info(windows);
    ParseCommandLine(static_cast<int>(args.size()), args.data(), info);
    return {ChooseMode(info), info.m_hPreviewParent, info.m_bPreview,   info.m_bConfigure,
            info.m_bSaver,    info.m_arrOtherFlags,  info.m_strFileName};
}

Parsed Parse(std::vector<const char*> args) {
    FakeWindows windows;
    return Parse(std::move(args), windows);
}

TEST(CommandLine, SaverIsTheDefault) {
    EXPECT_EQ(Parse({}).mode, SaverMode::Saver);
    const Parsed s = Parse({"/s"});
    EXPECT_EQ(s.mode, SaverMode::Saver);
    EXPECT_TRUE(s.saver);
    // An upper-case flag is not ours: the generic parser takes it, and the saver runs.
    const Parsed upper = Parse({"/S"});
    EXPECT_EQ(upper.mode, SaverMode::Saver);
    EXPECT_FALSE(upper.saver);
    EXPECT_EQ(upper.otherFlags, std::vector<std::string>{"S"});
    EXPECT_EQ(Parse({"/x"}).mode, SaverMode::Saver);
    EXPECT_EQ(Parse({"hello"}).mode, SaverMode::Saver);
}

TEST(CommandLine, ConfigurationWithEitherPrefixAndAnyTail) {
    EXPECT_EQ(Parse({"/c"}).mode, SaverMode::Configure);
    EXPECT_EQ(Parse({"/c:1234"}).mode, SaverMode::Configure);
    EXPECT_EQ(Parse({"-c"}).mode, SaverMode::Configure);
    EXPECT_EQ(Parse({"/config"}).mode, SaverMode::Configure);
    EXPECT_EQ(Parse({"/C"}).mode, SaverMode::Saver);
}

TEST(CommandLine, PreviewTakesTheLastArgumentAsAnExistingWindow) {
    FakeWindows windows;
    const Parsed p = Parse({"/p", "1234"}, windows);
    EXPECT_EQ(p.mode, SaverMode::Preview);
    EXPECT_EQ(p.handle, 1234);
    EXPECT_EQ(windows.asked, std::vector<long>{1234});
    EXPECT_EQ(Parse({"-p", "1234"}).mode, SaverMode::Preview);
    // atol reads leading digits only.
    EXPECT_EQ(Parse({"/p", "1234abc"}).handle, 1234);
    EXPECT_EQ(Parse({"/p", " 1234"}).handle, 1234);
}

TEST(CommandLine, APreviewHandleThatNamesNoWindowIsDropped) {
    for (const char* handle : {"12345", "x", "0", "99999999999999999999999", ""}) {
        const Parsed p = Parse({"/p", handle});
        EXPECT_EQ(p.mode, SaverMode::Saver) << handle;
        EXPECT_EQ(p.handle, 0) << handle;
        EXPECT_FALSE(p.preview) << handle;
    }
    // Only the last argument is taken: "x" converts to 0.
    const Parsed last = Parse({"/p", "1234", "x"});
    EXPECT_EQ(last.mode, SaverMode::Saver);
    EXPECT_EQ(last.handle, 0);
}

TEST(CommandLine, PreviewWithoutATrailingHandleRunsWithoutParent) {
    for (auto args : {std::vector<const char*>{"/p", "1234", "/s"},
                      std::vector<const char*>{"/p:1234"}, std::vector<const char*>{"/p"},
                      // a negative number starts with "-", so it is a flag, not a handle
                      std::vector<const char*>{"/p", "-1234"}}) {
        FakeWindows windows;
        const Parsed p = Parse(args, windows);
        EXPECT_EQ(p.mode, SaverMode::Preview);
        EXPECT_EQ(p.handle, 0);
        EXPECT_TRUE(windows.asked.empty());
    }
}

TEST(CommandLine, PreviewWinsOverConfiguration) {
    EXPECT_EQ(Parse({"/c", "/p", "1234"}).mode, SaverMode::Preview);
    EXPECT_EQ(Parse({"/p", "1234", "/c"}).mode, SaverMode::Preview);
    EXPECT_EQ(Parse({"/c", "/p", "4321"}).mode, SaverMode::Configure);
}

TEST(CommandLine, NonFlagArgumentsAreNotTakenAsHandlesWithoutPreview) {
    FakeWindows windows;
    const Parsed p = Parse({"1234"}, windows);
    EXPECT_EQ(p.mode, SaverMode::Saver);
    EXPECT_TRUE(windows.asked.empty());
    EXPECT_EQ(p.fileName, "1234");
}

TEST(CommandLine, AFlagMarkerAloneIsAnEmptyFlag) {
    const Parsed p = Parse({"/", "-"});
    EXPECT_EQ(p.mode, SaverMode::Saver);
    EXPECT_EQ(p.otherFlags.size(), 2u);
}

// Records the windows the application asks for.
class FakeShell : public SaverShell {
public:
    bool IsWindow(long hWnd) const override { return hWnd == 1234; }
    bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) override {
        calls.push_back({pszName, hParent, bAutoDelete});
        return createSucceeds;
    }
    struct Call {
        std::string name;
        long parent;
        bool autoDelete;
    };
    bool CreateHostedWindow(const char* /*pszName*/, long /*hHost*/) override { return false; }
    bool CreateOwnWindow(const char* /*pszName*/) override { return false; }
    void RunConfiguration() override { ++configurations; }
    std::vector<Call> calls;
    bool createSucceeds = true;
    int configurations = 0;
};

bool Init(FakeShell& shell, std::vector<const char*> args) {
    args.insert(args.begin(), "Velvetfade");
    SaverApp app(shell);
    return app.InitInstance(static_cast<int>(args.size()), args.data());
}

TEST(SaverAppStart, SaverModeCreatesAFullScreenSelfDeletingWindow) {
    FakeShell shell;
    EXPECT_TRUE(Init(shell, {}));
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].name, "Velvetfade");
    EXPECT_EQ(shell.calls[0].parent, 0);
    EXPECT_TRUE(shell.calls[0].autoDelete);
}

TEST(SaverAppStart, PreviewModeCreatesAChildThatIsKept) {
    FakeShell shell;
    EXPECT_TRUE(Init(shell, {"/p", "1234"}));
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].parent, 1234);
    EXPECT_FALSE(shell.calls[0].autoDelete);

    FakeShell noHandle;
    EXPECT_TRUE(Init(noHandle, {"/p", "1234", "/s"}));
    ASSERT_EQ(noHandle.calls.size(), 1u);
    EXPECT_EQ(noHandle.calls[0].parent, 0);
    EXPECT_FALSE(noHandle.calls[0].autoDelete);

    FakeShell dropped;
    EXPECT_TRUE(Init(dropped, {"/p", "12345"}));
    ASSERT_EQ(dropped.calls.size(), 1u);
    EXPECT_TRUE(dropped.calls[0].autoDelete);
}

TEST(SaverAppStart, ConfigurationRunsTheSheetThenEndsWithoutAnEventLoop) {
    FakeShell shell;
    EXPECT_FALSE(Init(shell, {"/c:5678"}));
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(shell.configurations, 1);
    FakeShell saver;
    Init(saver, {"/s"});
    EXPECT_EQ(saver.configurations, 0);
}

TEST(SaverAppStart, AWindowThatCannotBeCreatedEndsTheProgram) {
    for (auto args : {std::vector<const char*>{}, std::vector<const char*>{"/p", "1234"}}) {
        FakeShell shell;
        shell.createSucceeds = false;
        EXPECT_FALSE(Init(shell, args));
    }
}

}  // namespace

namespace {

TEST(WindowNumber, DecimalAndHexInTheRangeOfXWindowIds) {
    EXPECT_EQ(ParseWindowNumber("1234"), 1234);
    EXPECT_EQ(ParseWindowNumber("0x4e0000a"), 0x4e0000a);
    EXPECT_EQ(ParseWindowNumber("0X4E0000A"), 0x4e0000a);
    EXPECT_EQ(ParseWindowNumber("4294967295"), 4294967295L);
    EXPECT_EQ(ParseWindowNumber("0xffffffff"), 0xffffffffL);
    EXPECT_EQ(ParseWindowNumber("007"), 7);
    for (const char* bad : {"", "0", "0x", "0x0", "-5", "+5", " 5", "5 ", "12abc", "0x1g",
                            "4294967296", "0x100000000", "99999999999999999999999", "abc"}) {
        EXPECT_FALSE(ParseWindowNumber(bad)) << bad;
    }
    EXPECT_FALSE(ParseWindowNumber(nullptr));
}

XScreenSaverOptions ParseX(std::vector<const char*> args) {
    args.insert(args.begin(), "velvetfade");
    return ParseXScreenSaverOptions(static_cast<int>(args.size()), args.data());
}

TEST(XScreenSaverOptionsTest, OneOrTwoDashesAndExactNamesOnly) {
    for (const char* root : {"--root", "-root"}) {
        const XScreenSaverOptions o = ParseX({root});
        EXPECT_TRUE(o.bRoot) << root;
        EXPECT_FALSE(o.bOwnWindow || o.bWindowId) << root;
    }
    EXPECT_TRUE(ParseX({"-window"}).bOwnWindow);
    EXPECT_TRUE(ParseX({"--window"}).bOwnWindow);
    for (const char* notOurs : {"/root", "root", "---root", "--Root", "--roots", "--win", "--"}) {
        const XScreenSaverOptions o = ParseX({notOurs});
        EXPECT_FALSE(o.bRoot || o.bOwnWindow || o.bWindowId || o.bHelp || o.bVersion) << notOurs;
    }
}

TEST(XScreenSaverOptionsTest, WindowIdTakesTheNextArgumentWhateverItIs) {
    const XScreenSaverOptions hex = ParseX({"--window-id", "0x2a"});
    EXPECT_TRUE(hex.bWindowId);
    EXPECT_EQ(hex.windowId, 42);
    EXPECT_FALSE(hex.bRoot);
    EXPECT_EQ(ParseX({"-window-id", "42"}).windowId, 42);

    // A flag-looking value is still the value, so it is not read as an option of its own.
    const XScreenSaverOptions dashed = ParseX({"--window-id", "--root"});
    EXPECT_TRUE(dashed.bWindowId);
    EXPECT_FALSE(dashed.windowId);
    EXPECT_FALSE(dashed.bRoot);
    EXPECT_EQ(dashed.strWindowIdText, "--root");

    const XScreenSaverOptions missing = ParseX({"--window-id"});
    EXPECT_TRUE(missing.bWindowId);
    EXPECT_FALSE(missing.windowId);
    EXPECT_EQ(missing.strWindowIdText, "");

    EXPECT_EQ(ParseX({"--window-id", "5", "--window-id", "6"}).windowId, 6);
}

TEST(XScreenSaverOptionsTest, WindowsFlagsBesideThemKeepTheirMeaning) {
    // The Windows parser sees the new options as flags that are not its own.
    const Parsed p = Parse({"--root", "-window-id", "1234"});
    EXPECT_EQ(p.mode, SaverMode::Saver);
    EXPECT_EQ(p.otherFlags, (std::vector<std::string>{"-root", "window-id"}));
    EXPECT_EQ(Parse({"--window", "/c"}).mode, SaverMode::Configure);
    EXPECT_EQ(Parse({"--root", "/p", "1234"}).mode, SaverMode::Preview);
}

class XFakeShell : public FakeShell {
public:
    bool IsWindow(long hWnd) const override { return hWnd == 1234 || hWnd == 0x4e0000a; }
    bool CreateHostedWindow(const char* pszName, long hHost) override {
        hosted.push_back({pszName, hHost, false});
        return createSucceeds;
    }
    bool CreateOwnWindow(const char* pszName) override {
        ownWindows.push_back(pszName);
        return createSucceeds;
    }
    std::vector<Call> hosted;
    std::vector<std::string> ownWindows;
};

struct Started {
    bool ok;
    SaverMode mode;
    std::string failure;
};

Started Start(XFakeShell& shell, std::vector<const char*> args, const char* env = nullptr) {
    args.insert(args.begin(), "velvetfade");
    SaverApp app(shell);
    const bool ok = app.InitInstance(static_cast<int>(args.size()), args.data(), env);
    return {ok, app.GetMode(), app.FailureMessage()};
}

TEST(SaverAppXScreenSaver, WindowIdDrawsIntoThatWindow) {
    for (auto args : {std::vector<const char*>{"--window-id", "0x4e0000a"},
                      std::vector<const char*>{"-window-id", "81788938"},
                      // an explicit window wins over --root and the host's variable
                      std::vector<const char*>{"--root", "--window-id", "0x4e0000a"}}) {
        XFakeShell shell;
        const Started s = Start(shell, args, "1234");
        EXPECT_TRUE(s.ok);
        EXPECT_EQ(s.mode, SaverMode::Host);
        ASSERT_EQ(shell.hosted.size(), 1u);
        EXPECT_EQ(shell.hosted[0].name, "Velvetfade");
        EXPECT_EQ(shell.hosted[0].parent, 0x4e0000a);
        EXPECT_TRUE(shell.calls.empty());
    }
}

TEST(SaverAppXScreenSaver, ABadWindowIdEndsTheProgramWithAReason) {
    struct Case {
        std::vector<const char*> args;
        const char* message;
    };
    for (const Case& c :
         {Case{{"--window-id", "0x99"}, "there is no window 0x99."},
          Case{{"--window-id", "soup"},
               "--window-id needs a window number, decimal or 0x-hex, not \"soup\"."},
          Case{{"--window-id"},
               "--window-id needs a window number, decimal or 0x-hex, not \"\"."}}) {
        XFakeShell shell;
        const Started s = Start(shell, c.args);
        EXPECT_FALSE(s.ok);
        EXPECT_EQ(s.failure, c.message);
        // Never a full-screen saver instead: that would lock out whoever typed it.
        EXPECT_TRUE(shell.calls.empty() && shell.hosted.empty());
    }
}

TEST(SaverAppXScreenSaver, RootMeansTheHostsWindowWhenItGaveOne) {
    XFakeShell withHost;
    EXPECT_TRUE(Start(withHost, {"--root"}, "0x4E0000A").ok);
    ASSERT_EQ(withHost.hosted.size(), 1u);
    EXPECT_EQ(withHost.hosted[0].parent, 0x4e0000a);

    for (const char* env : {static_cast<const char*>(nullptr), ""}) {
        XFakeShell noHost;
        const Started s = Start(noHost, {"-root"}, env);
        EXPECT_TRUE(s.ok);
        EXPECT_EQ(s.mode, SaverMode::Host);
        ASSERT_EQ(noHost.hosted.size(), 1u);
        EXPECT_EQ(noHost.hosted[0].parent, 0);  // the root window itself
    }

    XFakeShell gone;
    const Started s = Start(gone, {"--root"}, "777");
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.failure, "XSCREENSAVER_WINDOW=\"777\" names no window.");
    EXPECT_TRUE(gone.hosted.empty() && gone.calls.empty());
}

TEST(SaverAppXScreenSaver, TheHostsVariableAloneIsEnoughButNotOverWindowsFlags) {
    XFakeShell bare;
    EXPECT_TRUE(Start(bare, {}, "1234").ok);
    ASSERT_EQ(bare.hosted.size(), 1u);
    EXPECT_EQ(bare.hosted[0].parent, 1234);

    // /s asks for the full-screen saver, /c and /p for their own modes.
    XFakeShell saver;
    EXPECT_EQ(Start(saver, {"/s"}, "1234").mode, SaverMode::Saver);
    ASSERT_EQ(saver.calls.size(), 1u);
    EXPECT_EQ(saver.calls[0].parent, 0);
    EXPECT_TRUE(saver.hosted.empty());

    XFakeShell config;
    EXPECT_FALSE(Start(config, {"/c"}, "1234").ok);
    EXPECT_EQ(config.configurations, 1);
    EXPECT_TRUE(config.hosted.empty());

    XFakeShell preview;
    EXPECT_TRUE(Start(preview, {"/p", "1234"}, "0x4e0000a").ok);
    ASSERT_EQ(preview.calls.size(), 1u);
    EXPECT_EQ(preview.calls[0].parent, 1234);
    EXPECT_TRUE(preview.hosted.empty());

    // --window is a request for our own window even inside the host's environment.
    XFakeShell own;
    EXPECT_EQ(Start(own, {"--window"}, "1234").mode, SaverMode::Window);
    EXPECT_EQ(own.ownWindows, std::vector<std::string>{"Velvetfade"});
    EXPECT_TRUE(own.hosted.empty());
}

TEST(SaverAppXScreenSaver, WindowsCommandLinesStartAsBefore) {
    XFakeShell plain;
    const Started s = Start(plain, {});
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.mode, SaverMode::Saver);
    EXPECT_TRUE(s.failure.empty());
    EXPECT_TRUE(plain.hosted.empty() && plain.ownWindows.empty());
    ASSERT_EQ(plain.calls.size(), 1u);

    XFakeShell config;
    EXPECT_FALSE(Start(config, {"/c"}).ok);
    EXPECT_TRUE(Start(config, {"/c"}).failure.empty());  // nothing failed: the sheet has closed
}

TEST(SaverAppXScreenSaver, AWindowThatCannotBeMadeIsReported) {
    for (auto args : {std::vector<const char*>{"--root"}, std::vector<const char*>{"--window"},
                      std::vector<const char*>{}}) {
        XFakeShell shell;
        shell.createSucceeds = false;
        const Started s = Start(shell, args);
        EXPECT_FALSE(s.ok);
        EXPECT_FALSE(s.failure.empty());
    }
}

}  // namespace

namespace {

std::optional<std::string> Help(std::vector<const char*> args) {
    args.insert(args.begin(), "velvetfade");
    return SaverApp::HelpOrVersion(static_cast<int>(args.size()), args.data());
}

TEST(SaverAppHelp, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(Help({"--help"}), SaverApp::USAGE);
    EXPECT_EQ(Help({"/c", "--root", "--help"}), SaverApp::USAGE);
    EXPECT_EQ(Help({"--version"}), "Velvetfade " VELVETFADE_TEST_VERSION "\n");
    EXPECT_EQ(Help({"--help", "--version"}), SaverApp::USAGE);
    // The value of --window-id is not an option, whatever it looks like.
    EXPECT_FALSE(Help({"--window-id", "--help"}));
    for (auto args : {std::vector<const char*>{}, std::vector<const char*>{"/s"},
                      std::vector<const char*>{"--root"}, std::vector<const char*>{"/p", "1"}}) {
        EXPECT_FALSE(Help(args));
    }
}

TEST(SaverAppHelp, OneDashWordsKeepTheirWindowsMeaning) {
    // "-help" and "-version" are flags the Windows parser does not know: the saver runs.
    for (const char* word : {"-help", "-version", "/help", "-h"}) {
        EXPECT_FALSE(Help({word})) << word;
        XFakeShell shell;
        const Started s = Start(shell, {word});
        EXPECT_TRUE(s.ok) << word;
        EXPECT_EQ(s.mode, SaverMode::Saver) << word;
        EXPECT_EQ(shell.calls.size(), 1u) << word;
    }
}

}  // namespace
