#include <gtest/gtest.h>

#include "MemoryProfileStore.h"
#include "SettingsSlots.h"
#include "SettingsStore.h"

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

TEST(SettingsStoreRecord, ReadsBeyondTheEndGiveZeroOrEmpty) {
    SettingsStore store = SaverDefaults();
    EXPECT_EQ(store.GetDWordCount(), 2);
    EXPECT_EQ(store.GetDWordAt(9), 0u);
    EXPECT_EQ(store.GetDWordAt(-1), 0u);
    for (int i = 0; i < 6; ++i) {
        store.SetStringAt(i, Name("s", i));
    }
    EXPECT_EQ(store.GetStringAt(7), "");
    EXPECT_EQ(store.GetStringAt(5), "s5");
}

TEST(SettingsStoreRecord, SetAtGrowFillsTheGapWithZerosAndEmptyStrings) {
    SettingsStore store;
    store.SetDWordAt(4, 7);
    ASSERT_EQ(store.GetDWordCount(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store.GetDWordAt(i), 0u);
    }
    EXPECT_EQ(store.GetDWordAt(4), 7u);
    store.SetStringAt(3, "x");
    ASSERT_EQ(store.GetStringCount(), 4);
    EXPECT_EQ(store.GetStringAt(0), "");
    // Negative indices are not slots and change nothing.
    store.SetDWordAt(-1, 1);
    store.SetStringAt(-1, "y");
    EXPECT_EQ(store.GetDWordCount(), 5);
    EXPECT_EQ(store.GetStringCount(), 4);
}

TEST(SettingsStoreRecord, SetStringCountCutsAndGrows) {
    SettingsStore store;
    for (int i = 0; i < 8; ++i) {
        store.SetStringAt(i, Name("p", i));
    }
    store.SetStringCount(5);
    EXPECT_EQ(store.GetStringCount(), 5);
    EXPECT_EQ(store.GetStringAt(4), "p4");
    EXPECT_EQ(store.GetStringAt(5), "");

    SettingsStore shortList;
    shortList.SetStringAt(0, "a");
    shortList.SetStringCount(5);
    EXPECT_EQ(shortList.GetStringCount(), 5);
    EXPECT_EQ(shortList.GetStringAt(0), "a");
    EXPECT_EQ(shortList.GetStringAt(4), "");
}

TEST(SettingsStoreLoad, NothingStoredKeepsTheCallersDefaults) {
    MemoryProfileStore profile;
    SettingsStore store = SaverDefaults();
    EXPECT_TRUE(store.ExchangeProfile(profile, true));
    EXPECT_EQ(store.GetDWordCount(), 2);
    EXPECT_EQ(store.GetDWordAt(SLOT_EXIT_CONDITIONS), 0x13Fu);
    EXPECT_EQ(store.GetDWordAt(SLOT_FRAMES_PER_SECOND), 2u);
    EXPECT_EQ(store.GetStringCount(), 0);
    EXPECT_EQ(profile.GetProfileInt(S, "Num_DWORD", 0), 0u);
    EXPECT_EQ(profile.GetProfileInt(S, "Num_String", 0), 0u);
}

TEST(SettingsStoreLoad, AMissingEntryBelowTheCountKeepsItsDefault) {
    MemoryProfileStore profile;
    profile.WriteProfileInt(S, "Num_DWORD", 3);
    profile.WriteProfileInt(S, "DWORD_0", 0x108);
    profile.WriteProfileInt(S, "DWORD_1", 30);
    SettingsStore store = SaverDefaults();
    store.SetDWordAt(SLOT_SCENE_KIND, 2);
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordAt(0), 0x108u);
    EXPECT_EQ(store.GetDWordAt(1), 30u);
    EXPECT_EQ(store.GetDWordAt(2), 2u);
}

TEST(SettingsStoreLoad, SlotsBeyondTheStoredCountAreNotRead) {
    MemoryProfileStore profile;
    profile.WriteProfileInt(S, "Num_DWORD", 1);
    profile.WriteProfileInt(S, "DWORD_0", 5);
    profile.WriteProfileInt(S, "DWORD_1", 60);
    profile.WriteProfileInt(S, "Num_String", 6);
    for (int i = 0; i < 9; ++i) {
        profile.WriteProfileString(S, Name("String_", i), Name("v", i));
    }
    SettingsStore store = SaverDefaults();
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordAt(0), 5u);
    EXPECT_EQ(store.GetDWordAt(1), 2u);
    EXPECT_EQ(store.GetStringCount(), 6);
    EXPECT_EQ(store.GetStringAt(5), "v5");
    EXPECT_EQ(store.GetStringAt(6), "");
}

TEST(SettingsStoreLoad, TwelveStoredSlotsAreLoadedAndWrittenBack) {
    MemoryProfileStore profile;
    profile.WriteProfileInt(S, "Num_DWORD", 12);
    for (int i = 0; i < 12; ++i) {
        profile.WriteProfileInt(S, Name("DWORD_", i), 100u + static_cast<unsigned>(i));
    }
    SettingsStore store;
    store.ExchangeProfile(profile, true);
    ASSERT_EQ(store.GetDWordCount(), 12);
    EXPECT_EQ(store.GetDWordAt(11), 111u);

    MemoryProfileStore saved;
    ASSERT_TRUE(store.ExchangeProfile(saved, false));
    EXPECT_EQ(saved.GetProfileInt(S, "Num_DWORD", 0), 12u);
    EXPECT_EQ(saved.GetProfileInt(S, "DWORD_11", 0), 111u);
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
}

TEST(SettingsStoreLoad, AnAbsurdlyLargeCountLoadsAtMostTheBound) {
    MemoryProfileStore profile;
    profile.SetRaw(S, "Num_DWORD", "2147483647");
    profile.SetRaw(S, "Num_String", "2000000000");
    SettingsStore store;
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordCount(), SettingsStore::MAX_LOADED_SLOTS);
    EXPECT_EQ(store.GetStringCount(), SettingsStore::MAX_LOADED_SLOTS);
    EXPECT_LE(profile.ReadCount(), 2u * SettingsStore::MAX_LOADED_SLOTS + 2);
}

TEST(SettingsStoreLoad, AValueThatIsNotANumberGivesTheDefault) {
    MemoryProfileStore profile;
    profile.WriteProfileInt(S, "Num_DWORD", 2);
    profile.SetRaw(S, "DWORD_0", "lots");
    profile.SetRaw(S, "DWORD_1", "-1");
    SettingsStore store = SaverDefaults();
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordAt(0), 0x13Fu);
    EXPECT_EQ(store.GetDWordAt(1), 0xFFFFFFFFu);
}

TEST(SettingsStoreSave, FourPicturesThenOneLeaveTheOldEntriesBehind) {
    MemoryProfileStore profile;
    SettingsStore store;
    store.SetStringCount(5);
    const char* paths[] = {"/p/a.jpg", "/p/b.bmp", "/p/c.gif", "/p/d.png"};
    for (const char* path : paths) {
        store.SetStringAt(store.GetStringCount(), path);
    }
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    EXPECT_EQ(profile.GetProfileInt(S, "Num_String", 0), 9u);
    for (int i = 0; i < 5; ++i) {
        const std::string entry = Name("String_", i);
        EXPECT_TRUE(profile.Has(S, entry));
        EXPECT_EQ(profile.GetProfileString(S, entry, "missing"), "");
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(profile.GetProfileString(S, Name("String_", 5 + i), ""), paths[i]);
    }

    store.SetStringCount(6);
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    EXPECT_EQ(profile.GetProfileInt(S, "Num_String", 0), 6u);
    EXPECT_EQ(profile.GetProfileString(S, "String_8", ""), "/p/d.png");

    SettingsStore reloaded;
    reloaded.ExchangeProfile(profile, true);
    EXPECT_EQ(reloaded.GetStringCount(), 6);
    EXPECT_EQ(reloaded.GetStringAt(5), "/p/a.jpg");
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
    struct Case {
        const char* text;
        uint32_t expected;
    } cases[] = {
        {"0", 0},
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
        {"1 2", 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseProfileInt(c.text, 99), c.expected) << '"' << c.text << '"';
    }
}

}  // namespace
