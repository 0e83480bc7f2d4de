#include <gtest/gtest.h>

#include "app/MemoryProfileStore.h"
#include "app/SettingsView.h"

namespace {

const std::string S = "Settings";

// prefix + number; spelled out because GCC 12 warns falsely about the + of two strings.
std::string Name(const char* prefix, long long n) {
    std::string name(prefix);
    name += std::to_string(n);
    return name;
}

TEST(SettingsStore, GrowsWithZerosAndReadsOutsideAsZeroOrEmpty) {
    SettingsStore store;
    store.SetDWordAt(4, 7);
    store.SetDWordAt(-1, 1);  // not a slot: changes nothing
    EXPECT_EQ(store.GetDWordCount(), 5);
    EXPECT_EQ(store.GetDWordAt(3) + store.GetDWordAt(5) + store.GetDWordAt(-1), 0u);
    EXPECT_EQ(store.GetDWordAt(4), 7u);
}

TEST(SettingsStore, TheStoredCountsSayWhatIsReadAndMissingOrBadEntriesKeepTheirDefault) {
    MemoryProfileStore profile;
    profile.WriteProfileInt(S, "Num_DWORD", 4);
    profile.WriteProfileInt(S, "DWORD_0", 0x108);
    profile.SetRaw(S, "DWORD_1", "lots");
    profile.SetRaw(S, "DWORD_3", "-1");
    profile.WriteProfileInt(S, "DWORD_4", 60);  // beyond the count
    profile.WriteProfileInt(S, "Num_String", 6);
    for (int i = 0; i < 9; ++i) {
        profile.WriteProfileString(S, Name("String_", i), Name("v", i));
    }
    SettingsStore store;
    PutSaverDefaults(store);
    store.SetDWordAt(2, 5);
    EXPECT_TRUE(store.ExchangeProfile(profile, true));
    EXPECT_EQ(store.GetDWordCount(), 4);
    EXPECT_EQ(store.GetDWordAt(0), 0x108u);
    EXPECT_EQ(store.GetDWordAt(1), SAVER_DEFAULT_FRAMES_PER_SECOND);
    EXPECT_EQ(store.GetDWordAt(2), 5u);
    EXPECT_EQ(store.GetDWordAt(3), 0xFFFFFFFFu);
    EXPECT_EQ(store.GetStringCount(), 6);
    EXPECT_EQ(store.GetStringAt(5), "v5");
}

TEST(SettingsStore, DamagedCountsNeitherHangNorExhaustMemory) {
    for (const char* count : {"-1", "-2147483648", "4294967295", "abc", "", "1e9", "0x10"}) {
        MemoryProfileStore profile;
        profile.SetRaw(S, "Num_DWORD", count);
        profile.SetRaw(S, "Num_String", count);
        profile.SetRaw(S, "DWORD_0", "77");
        SettingsStore store;
        store.LoadFrom(profile);
        EXPECT_EQ(store.GetDWordCount() + store.GetStringCount(), 0) << count;
    }
    MemoryProfileStore profile;
    profile.SetRaw(S, "Num_DWORD", "2147483647");
    profile.SetRaw(S, "Num_String", "2000000000");
    SettingsStore store;
    store.LoadFrom(profile);
    EXPECT_EQ(store.GetDWordCount(), SettingsStore::MAX_LOADED_SLOTS);
    EXPECT_EQ(store.GetStringCount(), SettingsStore::MAX_LOADED_SLOTS);
    EXPECT_LE(profile.ReadCount(), 2u * SettingsStore::MAX_LOADED_SLOTS + 2);
}

TEST(SettingsStore, SavedValuesComeBackAndAShorterListLeavesOldEntriesOutsideTheCount) {
    SettingsStore store;
    store.SetDWordAt(5, 0xFFFFFFFF);
    store.SetDWordAt(9, 60);
    for (int i = 0; i < 9; ++i) {
        store.SetStringAt(i, Name("/home/user/写真/夕日 ", i));
    }
    MemoryProfileStore profile;
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    store.SetStringCount(6);
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    EXPECT_EQ(profile.GetProfileString(S, "String_8", ""), "/home/user/写真/夕日 8");
    SettingsStore loaded;
    loaded.LoadFrom(profile);
    EXPECT_EQ(loaded.GetDWordCount(), 10);
    EXPECT_EQ(loaded.GetDWordAt(5), 0xFFFFFFFFu);
    EXPECT_EQ(loaded.GetDWordAt(9), 60u);
    EXPECT_EQ(loaded.GetStringCount(), 6);
    EXPECT_EQ(loaded.GetStringAt(0), "/home/user/写真/夕日 0");
}

TEST(SettingsStore, TheSaverFadesWithNothingStoredAndKeepsAnOddStoredRecordAsItIs) {
    // Nothing stored: what the sheet shows, so the first run fades.
    MemoryProfileStore empty;
    empty.WriteProfileInt("Technology", "MMX", 0);  // not part of the record
    SettingsStore store;
    store.SetDWordAt(3, 9);  // whatever was there before is gone
    LoadSaverSettings(store, empty);
    SettingsStore sheet;
    PutSheetDefaults(sheet);
    EXPECT_EQ(store.GetDWordCount(), SLOT_COUNT);
    for (int i = 0; i < SLOT_COUNT; ++i) {
        EXPECT_EQ(store.GetDWordAt(i), sheet.GetDWordAt(i)) << i;
    }
    EXPECT_GT(SettingsView(store).FadeStep(), 0u);
    // A record stored in any form keeps the saver's own defaults, fade step 0 included.
    for (const char* entry : {"Num_DWORD", "Num_String"}) {
        MemoryProfileStore odd;
        odd.SetRaw(S, entry, "0");
        LoadSaverSettings(store, odd);
        EXPECT_EQ(store.GetDWordCount(), 2) << entry;
        EXPECT_EQ(store.GetDWordAt(SLOT_FRAMES_PER_SECOND), SAVER_DEFAULT_FRAMES_PER_SECOND);
        EXPECT_EQ(SettingsView(store).FadeStep(), 0u) << entry;
    }
    // The command line's settings win over both, for this run only.
    LoadSaverSettings(store, empty, {30, {}, {}, SCENE_RANDOM});
    EXPECT_EQ(store.GetDWordAt(SLOT_FRAMES_PER_SECOND), 30u);
    EXPECT_EQ(store.GetDWordAt(SLOT_SCENE_KIND), SCENE_RANDOM);
    EXPECT_EQ(store.GetDWordAt(SLOT_INTERVAL_SECONDS), SHEET_DEFAULT_INTERVAL_SECONDS);
    EXPECT_FALSE(empty.HasProfileEntry(S, "DWORD_1"));
}

TEST(SettingsStore, ProfileIntegersAreDecimalIn32Bits) {
    const char* good[] = {"0", " 42 ", "+7", "4294967295", "-1", "-2147483648"};
    const uint32_t values[] = {0, 42, 7, 0xFFFFFFFF, 0xFFFFFFFF, 0x80000000};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ParseProfileInt(good[i], 99), values[i]) << good[i];
    }
    for (const char* bad : {"4294967296", "-2147483649", "99999999999999999999999", "", "-",
                            "12abc", "0x1F", "1 2"}) {
        EXPECT_EQ(ParseProfileInt(bad, 99), 99u) << '"' << bad << '"';
    }
}

}  // namespace
