#include <gtest/gtest.h>

#include "app/MemoryProfileStore.h"
#include "app/SettingsSlots.h"
#include "app/SettingsStore.h"

namespace {

const std::string S = "Settings";

// prefix + number; spelled out because GCC 12 warns falsely about the + of two strings.
std::string Name(const char* prefix, long long n) {
    std::string name(prefix);
    name += std::to_string(n);
    return name;
}

SettingsStore SaverDefaults() {
    SettingsStore store;
    store.SetDWordAt(SLOT_EXIT_CONDITIONS, 0x13F);
    store.SetDWordAt(SLOT_FRAMES_PER_SECOND, 2);
    return store;
}

TEST(SettingsStoreRecord, GrowsWithZerosAndReadsOutsideAsZeroOrEmpty) {
    SettingsStore store;
    store.SetDWordAt(4, 7);
    store.SetStringAt(3, "x");
    store.SetDWordAt(-1, 1);  // not a slot: changes nothing
    store.SetStringAt(-1, "y");
    EXPECT_EQ(store.GetDWordCount(), 5);
    EXPECT_EQ(store.GetDWordAt(3), 0u);
    EXPECT_EQ(store.GetDWordAt(4), 7u);
    EXPECT_EQ(store.GetDWordAt(5), 0u);
    EXPECT_EQ(store.GetDWordAt(-1), 0u);
    EXPECT_EQ(store.GetStringCount(), 4);
    EXPECT_EQ(store.GetStringAt(3), "x");
    EXPECT_EQ(store.GetStringAt(4), "");
    store.SetStringCount(2);
    EXPECT_EQ(store.GetStringAt(3), "");
}

TEST(SettingsStoreLoad, TheStoredCountsSayWhatIsReadAndMissingOrBadEntriesKeepTheirDefault) {
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
    SettingsStore store = SaverDefaults();
    store.SetDWordAt(2, 5);
    EXPECT_TRUE(store.ExchangeProfile(profile, true));
    EXPECT_EQ(store.GetDWordCount(), 4);
    EXPECT_EQ(store.GetDWordAt(0), 0x108u);
    EXPECT_EQ(store.GetDWordAt(1), 2u);
    EXPECT_EQ(store.GetDWordAt(2), 5u);
    EXPECT_EQ(store.GetDWordAt(3), 0xFFFFFFFFu);
    EXPECT_EQ(store.GetStringCount(), 6);
    EXPECT_EQ(store.GetStringAt(5), "v5");
}

TEST(SettingsStoreLoad, DamagedCountsNeitherHangNorExhaustMemory) {
    for (const char* count : {"-1", "-2147483648", "4294967295", "abc", "", "1e9", "0x10"}) {
        MemoryProfileStore profile;
        profile.SetRaw(S, "Num_DWORD", count);
        profile.SetRaw(S, "Num_String", count);
        profile.SetRaw(S, "DWORD_0", "77");
        SettingsStore store = SaverDefaults();
        store.ExchangeProfile(profile, true);
        EXPECT_EQ(store.GetDWordAt(0), 0x13Fu) << count;
        EXPECT_EQ(store.GetDWordCount(), 2) << count;
        EXPECT_EQ(store.GetStringCount(), 0) << count;
    }
    MemoryProfileStore profile;
    profile.SetRaw(S, "Num_DWORD", "2147483647");
    profile.SetRaw(S, "Num_String", "2000000000");
    SettingsStore store;
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordCount(), SettingsStore::MAX_LOADED_SLOTS);
    EXPECT_EQ(store.GetStringCount(), SettingsStore::MAX_LOADED_SLOTS);
    EXPECT_LE(profile.ReadCount(), 2u * SettingsStore::MAX_LOADED_SLOTS + 2);
}

TEST(SettingsStoreSave, AShorterListLeavesTheOldEntriesBehindButNotInTheCount) {
    MemoryProfileStore profile;
    SettingsStore store;
    for (int i = 0; i < 9; ++i) {
        store.SetStringAt(i, Name("/p/", i));
    }
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    store.SetStringCount(6);
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    EXPECT_EQ(profile.GetProfileInt(S, "Num_String", 0), 6u);
    EXPECT_EQ(profile.GetProfileString(S, "String_8", ""), "/p/8");
    SettingsStore reloaded;
    reloaded.ExchangeProfile(profile, true);
    EXPECT_EQ(reloaded.GetStringCount(), 6);
    EXPECT_EQ(reloaded.GetStringAt(0), "/p/0");
}

TEST(SettingsStoreSave, RoundTripKeepsEveryValueAndText) {
    SettingsStore store;
    store.SetDWordAt(0, 0x13F);
    store.SetDWordAt(5, 0xFFFFFFFF);
    store.SetDWordAt(9, 60);
    store.SetStringAt(5, "/home/user/写真/夕日 1.jpg");
    MemoryProfileStore profile;
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    SettingsStore loaded;
    loaded.ExchangeProfile(profile, true);
    EXPECT_EQ(loaded.GetDWordCount(), 10);
    EXPECT_EQ(loaded.GetDWordAt(5), 0xFFFFFFFFu);
    EXPECT_EQ(loaded.GetDWordAt(9), 60u);
    EXPECT_EQ(loaded.GetStringAt(5), "/home/user/写真/夕日 1.jpg");
}

TEST(SettingsStoreSave, AFailedWriteIsReportedNotSwallowed) {
    MemoryProfileStore profile;
    profile.SetFailWrites(true);
    SettingsStore store = SaverDefaults();
    EXPECT_FALSE(store.ExchangeProfile(profile, false));
    // Loading never fails.
    EXPECT_TRUE(store.ExchangeProfile(profile, true));
}

TEST(ProfileIntParsing, AcceptsDecimalIn32BitsOnly) {
    const std::pair<const char*, uint32_t> cases[] = {{"0", 0},
                                                      {"319", 319},
                                                      {" 42 ", 42},
                                                      {"+7", 7},
                                                      {"4294967295", 0xFFFFFFFF},
                                                      {"-1", 0xFFFFFFFF},
                                                      {"-2147483648", 0x80000000},
                                                      {"4294967296", 99},
                                                      {"-2147483649", 99},
                                                      {"99999999999999999999999", 99},
                                                      {"", 99},
                                                      {"-", 99},
                                                      {"12abc", 99},
                                                      {"0x1F", 99},
                                                      {"1 2", 99}};
    for (auto [text, expected] : cases) {
        EXPECT_EQ(ParseProfileInt(text, 99), expected) << '"' << text << '"';
    }
}

}  // namespace
