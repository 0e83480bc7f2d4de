#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "SaverApp.h"
#include "SaverCommandLineInfo.h"

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
