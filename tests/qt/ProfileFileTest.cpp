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
