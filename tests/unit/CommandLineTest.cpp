#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/IdleWatch.h"
#include "app/SaverApp.h"
#include "app/XScreenSaverOptions.h"

namespace {

// Windows 1234 and 0x4e0000a exist. Records what the application made, as one line.
class FakeShell : public SaverShell {
public:
    bool IsWindow(long hWnd) const override { return hWnd == 1234 || hWnd == 0x4e0000a; }
    bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) override {
        made = std::string(pszName) +
               (hParent == 0 ? " full screen" : " in " + std::to_string(hParent)) +
               (bAutoDelete ? ", deleted with its window" : ", kept");
        return createSucceeds;
    }
    bool CreateHostedWindow(const char* pszName, long hHost) override {
        made = std::string(pszName) + " hosted in " +
               (hHost == 0 ? "the root" : std::to_string(hHost));
        return createSucceeds;
    }
    bool CreateOwnWindow(const char* pszName) override {
        made = std::string(pszName) + " in its own window";
        return createSucceeds;
    }
    void RunConfiguration() override { made = "the sheet"; }
    void SetSettingsOverrides(const SettingsOverrides& o) override { overrides = o; }
    std::string made;
    bool createSucceeds = true;
    SettingsOverrides overrides;
};

struct Case {
    std::vector<const char*> args;
    const char* hostVariable;  // $XSCREENSAVER_WINDOW, null when unset
    const char* made;
    bool runsOn;  // whether the event loop runs afterwards
    const char* failure = "";
};

TEST(CommandLine, EachCommandLineStartsTheRightWindow) {
    const char* kSaver = "Velvetfade full screen, deleted with its window";
    const char* kBadNumber = "--window-id needs a window number, decimal or 0x-hex, not \"soup\".";
    const Case cases[] = {
        {{}, nullptr, kSaver, true},
        {{"/s"}, nullptr, kSaver, true},
        // Upper-case flags, unknown flags, words, lone markers and one-dash GNU words are not
        // ours: the saver runs.
        {{"/C", "hello", "/", "-", "--", "-help"}, nullptr, kSaver, true},
        {{"/c"}, nullptr, "the sheet", false},
        {{"/p", "1234"}, nullptr, "Velvetfade in 1234, kept", true},
        {{"-p", " 1234abc"}, nullptr, "Velvetfade in 1234, kept", true},
        {{"/c", "/p", "1234"}, nullptr, "Velvetfade in 1234, kept", true},
        // Without a trailing handle: a preview window without a parent.
        {{"/p", "1234", "/s"}, nullptr, "Velvetfade full screen, kept", true},
        {{"/p:1234"}, nullptr, "Velvetfade full screen, kept", true},
        {{"/p", "-1234"}, nullptr, "Velvetfade full screen, kept", true},
        // A handle that names no window (or reads as 0) drops the preview altogether.
        {{"/p", "12345"}, nullptr, kSaver, true},
        {{"/p", "1234", "x"}, nullptr, kSaver, true},
        {{"/c", "/p", "4321"}, nullptr, "the sheet", false},
        // XScreenSaver's options.
        {{"--window-id", "0x4e0000a"}, nullptr, "Velvetfade hosted in 81788938", true},
        {{"-window-id", "81788938"}, nullptr, "Velvetfade hosted in 81788938", true},
        {{"--root", "--window-id", "0X4E0000A"}, "1234", "Velvetfade hosted in 81788938", true},
        {{"--window-id", "0x99"}, nullptr, "", false, "there is no window 0x99."},
        {{"--window-id", "soup"}, nullptr, "", false, kBadNumber},
        {{"--root"}, "0x4E0000A", "Velvetfade hosted in 81788938", true},
        {{"-root"}, "", "Velvetfade hosted in the root", true},
        {{"--root"}, "777", "", false, "XSCREENSAVER_WINDOW=\"777\" names no window."},
        {{}, "1234", "Velvetfade hosted in 1234", true},
        {{"/s"}, "1234", kSaver, true},
        {{"/c"}, "1234", "the sheet", false},
        {{"/p", "1234"}, "0x4e0000a", "Velvetfade in 1234, kept", true},
        {{"--window"}, "1234", "Velvetfade in its own window", true},
        {{"-window", "/c"}, nullptr, "the sheet", false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = c.args;
        argv.insert(argv.begin(), "velvetfade");
        const std::string line = ::testing::PrintToString(c.args);
        FakeShell shell;
        SaverApp app(shell);
        EXPECT_EQ(app.InitInstance(static_cast<int>(argv.size()), argv.data(), c.hostVariable),
                  c.runsOn)
            << line;
        // A bad window id never falls back to a full-screen saver: that would lock out
        // whoever typed it.
        EXPECT_EQ(shell.made, c.made) << line;
        EXPECT_EQ(app.FailureMessage(), c.failure) << line;
        // Nor does a window that cannot be made: the program ends, and says why.
        FakeShell failing;
        failing.createSucceeds = false;
        SaverApp failed(failing);
        if (c.runsOn) {
            EXPECT_FALSE(
                failed.InitInstance(static_cast<int>(argv.size()), argv.data(), c.hostVariable) ||
                failed.FailureMessage().empty())
                << line;
        }
    }
}

std::optional<std::string> UsageErrorOf(std::vector<const char*> args) {
    args.insert(args.begin(), "velvetfade");
    return SaverApp::UsageError(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, MistypedLongOptionsAndBadSettingsAreUsageErrors) {
    // XScreenSaver's own --fps (show the frame rate) is not ours.
    for (const char* bad : {"--windw", "---root", "--Root", "--root=1", "--fps"}) {
        EXPECT_EQ(UsageErrorOf({"/s", bad}), "unknown option \"" + std::string(bad) + "\".");
    }
    const std::pair<std::vector<const char*>, const char*> errors[] = {
        {{"--frame-rate", "0"}, "--frame-rate needs a whole number from 1 to 60, not \"0\"."},
        {{"--frame-rate=61"}, "--frame-rate needs a whole number from 1 to 60, not \"61\"."},
        {{"--fade-step", "2.5"}, "--fade-step needs a whole number from 1 to 20, not \"2.5\"."},
        {{"--hold", "-1"}, "--hold needs a whole number from 0 to 60, not \"-1\"."},
        {{"--root", "--hold"}, "--hold needs a whole number from 0 to 60, not \"\"."},
        {{"--scene", "sky", "--windw"},
         "--scene needs colour, gradation, pictures or random, not \"sky\"."},
        {{"--idle", "0"}, "--idle needs the idle time in seconds, from 1 to 86400, not \"0\"."},
        {{"--idle=5m"}, "--idle needs the idle time in seconds, from 1 to 86400, not \"5m\"."},
    };
    for (const auto& [args, message] : errors) {
        EXPECT_EQ(UsageErrorOf(args), message) << args.front();
    }
    // The idle watch starts the full-screen saver, nothing else.
    for (std::vector<const char*> other : {std::vector<const char*>{"--idle", "60", "/c"},
                                           {"--window", "--idle", "60"},
                                           {"--idle=60", "--root"},
                                           {"/p", "1234", "--idle", "60"}}) {
        EXPECT_EQ(UsageErrorOf(other),
                  "--idle starts the full-screen saver; it does not go with /c, /p, --root, "
                  "--window-id or --window.")
            << other.front();
    }
    // The Windows switches and one-dash words keep their meaning; every value is taken whole.
    for (std::vector<const char*> fine :
         {std::vector<const char*>{"-fps", "-x", "/windw", "--", "/p", "1234"},
          {"--window-id", "--hlep"},
          {"--root", "--frame-rate", "60", "--fade-step=20", "--hold", "0", "--scene", "color"},
          {"--idle", "86400", "--wayland", "/s"}}) {
        EXPECT_FALSE(UsageErrorOf(fine)) << fine.front();
    }
}

TEST(CommandLine, SettingsGivenForOneRunReachTheShowsButNotTheSheet) {
    const char* argv[] = {"velvetfade", "--root", "--frame-rate", "30",       "--fade-step=7",
                          "--hold",     "0",      "--scene",      "gradation"};
    FakeShell shell;
    SaverApp app(shell);
    ASSERT_TRUE(app.InitInstance(9, argv, nullptr));
    EXPECT_EQ(shell.made, "Velvetfade hosted in the root");
    SettingsStore store;
    PutSaverDefaults(store);
    store.SetDWordAt(SLOT_SINGLE_COLOR, 0xFF);
    shell.overrides.ApplyTo(store);
    const uint32_t expected[] = {SAVER_DEFAULT_EXIT_CONDITIONS, 30, SCENE_GRADATION, 0, 7, 0xFF};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(store.GetDWordAt(i), expected[i]) << i;
    }
    EXPECT_EQ(store.GetDWordAt(SLOT_INTERVAL_SECONDS), 0u);
    EXPECT_EQ(store.GetDWordCount(), SLOT_COUNT);
    // Nothing given, nothing replaced.
    const char* plain[] = {"velvetfade", "--scene", "pictures", "/s"};
    FakeShell other;
    EXPECT_TRUE(SaverApp(other).InitInstance(4, plain, nullptr));
    EXPECT_EQ(other.overrides.sceneKind, SCENE_BITMAP);
    EXPECT_FALSE(other.overrides.framesPerSecond || other.overrides.fadeStep ||
                 other.overrides.intervalSeconds);
}

TEST(CommandLine, TheIdleWatchStartsTheSaverWithTheRestOfItsCommandLine) {
    auto saverArgs = [](std::vector<const char*> args) {
        args.insert(args.begin(), "velvetfade");
        return SaverApp::IdleSaverArguments(static_cast<int>(args.size()), args.data());
    };
    EXPECT_EQ(saverArgs({"--scene", "colour", "--idle", "300", "--hold=5"}),
              (std::vector<std::string>{"--scene", "colour", "--hold=5", "/s"}));
    EXPECT_EQ(saverArgs({"--idle=300"}), std::vector<std::string>{"/s"});
    EXPECT_FALSE(saverArgs({"/s", "--hold", "5"}));
}

// Readings of the idle counter (ms) and the compositor's word, against the timeout of 1000 ms:
// one start each time the user goes idle, none over a running saver, none after a saver that
// ended until the user has been back.
TEST(IdleWatch, StartsOnceEachTimeTheUserGoesIdle) {
    IdleWatch watch(1000);
    EXPECT_EQ(watch.NextReadingMs(), 1010u);
    EXPECT_FALSE(watch.Reading(400));
    EXPECT_EQ(watch.NextReadingMs(), 610u);
    EXPECT_TRUE(watch.Reading(1000));
    EXPECT_EQ(watch.NextReadingMs(), IdleWatch::IDLE_READING_MS);
    EXPECT_FALSE(watch.Reading(2000));
    watch.SaverEnded();  // ended by a lock screen: the user has not been back
    EXPECT_FALSE(watch.Reading(9000));
    // Back and idle again between two readings: the counter went down.
    EXPECT_TRUE(watch.Reading(1500));
    // Back while the saver runs (input it ignores), idle again: it still runs.
    EXPECT_FALSE(watch.Reading(10));
    EXPECT_FALSE(watch.Reading(1200));
    watch.SaverEnded();
    EXPECT_FALSE(watch.Reading(1300));
    EXPECT_FALSE(watch.Reading(20));
    EXPECT_TRUE(watch.Reading(1020));
    // Not started after all (held from going idle): the next reading asks again.
    watch.StartDeclined();
    EXPECT_TRUE(watch.Reading(2020));

    IdleWatch notified(1000);
    EXPECT_TRUE(notified.Notified(true));
    EXPECT_FALSE(notified.Notified(true));
    notified.SaverEnded();
    EXPECT_FALSE(notified.Notified(true));
    EXPECT_FALSE(notified.Notified(false));
    EXPECT_TRUE(notified.Notified(true));
}

TEST(CommandLine, WindowNumbersAreDecimalOrHexXIds) {
    EXPECT_EQ(ParseWindowNumber("007"), 7);
    EXPECT_EQ(ParseWindowNumber("4294967295"), 4294967295L);
    EXPECT_EQ(ParseWindowNumber("0xffffffff"), 0xffffffffL);
    for (const char* bad : {"", "0", "0x", "0x0", "-5", "+5", " 5", "5 ", "12abc", "0x1g",
                            "4294967296", "0x100000000", "abc"}) {
        EXPECT_FALSE(ParseWindowNumber(bad)) << bad;
    }
    EXPECT_FALSE(ParseWindowNumber(nullptr));
}

TEST(CommandLine, HelpAndVersionWinButOnlyWithTwoDashes) {
    auto help = [](std::vector<const char*> args) {
        args.insert(args.begin(), "velvetfade");
        return SaverApp::HelpOrVersion(static_cast<int>(args.size()), args.data());
    };
    EXPECT_EQ(help({"/c", "--root", "--help", "--version"}), SaverApp::USAGE);
    EXPECT_EQ(help({"--version"}), "Velvetfade " VELVETFADE_TEST_VERSION "\n");
    for (const char* notHelp : {"-help", "-version", "/help", "-h", "/s"}) {
        EXPECT_FALSE(help({notHelp})) << notHelp;
    }
    // The value of --window-id is not an option, whatever it looks like.
    EXPECT_FALSE(help({"--window-id", "--help"}));
}

}  // namespace
