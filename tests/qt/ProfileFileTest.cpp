#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "QtTestEnv.h"
#include "app/SettingsSlots.h"
#include "app/SettingsStore.h"
#include "platform/QSettingsProfileStore.h"

namespace {

QString ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

TEST(ProfileFile, LivesUnderTheUsersConfigFolderNamedAfterTheProgram) {
    QSettingsProfileStore profile(QStringLiteral("Velvetfade"));
    const QString expected =
        TestConfigHome() + QStringLiteral("/Kelsa's Applications/Velvetfade.ini");
    EXPECT_EQ(profile.FileName(), expected);

    SettingsStore store;
    store.SetDWordAt(SLOT_EXIT_CONDITIONS, 0x13F);
    store.SetDWordAt(SLOT_SINGLE_COLOR, 0xFFFFFFFF);
    store.SetStringCount(5);
    store.SetStringAt(5, "/tmp/a, b.jpg");
    ASSERT_TRUE(store.ExchangeProfile(profile, false));

    const QString text = ReadAll(expected);
    EXPECT_TRUE(text.contains(QStringLiteral("[Settings]")));
    EXPECT_TRUE(text.contains(QStringLiteral("DWORD_0=319")));
    EXPECT_TRUE(text.contains(QStringLiteral("DWORD_5=4294967295")));
    EXPECT_TRUE(text.contains(QStringLiteral("Num_DWORD=6")));
    EXPECT_TRUE(text.contains(QStringLiteral("Num_String=6")));

    // A second store on the same file, as the saver at its next start.
    QSettingsProfileStore again(QStringLiteral("Velvetfade"));
    SettingsStore loaded;
    loaded.ExchangeProfile(again, true);
    EXPECT_EQ(loaded.GetDWordAt(SLOT_EXIT_CONDITIONS), 0x13Fu);
    EXPECT_EQ(loaded.GetDWordAt(SLOT_SINGLE_COLOR), 0xFFFFFFFFu);
    EXPECT_EQ(loaded.GetStringCount(), 6);
    EXPECT_EQ(loaded.GetStringAt(5), "/tmp/a, b.jpg");
}

TEST(ProfileFile, HandEditedValuesOfTheWrongTypeGiveTheDefault) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("edited.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Settings]\nNum_DWORD=3\nDWORD_0=fast\nDWORD_1=1, 2\nDWORD_2= 12 \nNum_String=6\n"
        "String_5=/pics/x, y.png\n");
    file.close();

    auto profile = QSettingsProfileStore::AtPath(path);
    SettingsStore store;
    store.SetDWordAt(0, 0x13F);
    store.SetDWordAt(1, 2);
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordAt(0), 0x13Fu);
    EXPECT_EQ(store.GetDWordAt(1), 2u);
    EXPECT_EQ(store.GetDWordAt(2), 12u);
    EXPECT_EQ(store.GetStringAt(5), "/pics/x, y.png");
}

TEST(ProfileFile, ASaveThatCannotBeWrittenReportsFailure) {
    // A folder path that runs through a plain file cannot be created by anyone, root included.
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    auto profile = QSettingsProfileStore::AtPath(blocker + QStringLiteral("/sub/Velvetfade.ini"));
    SettingsStore store;
    store.SetDWordAt(0, 1);
    EXPECT_FALSE(store.ExchangeProfile(profile, false));

    // root writes into read-only folders, so this case only means something for other users.
    if (geteuid() != 0) {
        const QString roDir = dir.filePath(QStringLiteral("ro"));
        ASSERT_TRUE(QDir().mkpath(roDir));
        ASSERT_EQ(chmod(roDir.toLocal8Bit().constData(), 0555), 0);
        auto readOnly = QSettingsProfileStore::AtPath(roDir + QStringLiteral("/Velvetfade.ini"));
        EXPECT_FALSE(store.ExchangeProfile(readOnly, false));
        chmod(roDir.toLocal8Bit().constData(), 0755);
    }
}

}  // namespace
