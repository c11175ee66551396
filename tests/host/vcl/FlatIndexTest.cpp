#include "host/vcl/FlatIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using vcl::TFlatIndex;

namespace {

struct Named {
    std::string name;
};

// Every key hashes alike: each lookup walks the whole run of entries, and the hash folds to
// a tag that is also a free-slot mark unless the table moves it aside.
template <size_t kHash>
struct SameHash {
    static std::string_view Key(const Named& n) { return n.name; }
    static size_t Hash(std::string_view) { return kHash; }
    static bool Equal(std::string_view a, std::string_view b) { return a == b; }
};

template <class Traits>
void CheckAgainstPlainList(TFlatIndex<Named, Traits>& index) {
    std::vector<std::unique_ptr<Named>> all;
    for (int i = 0; i < 300; ++i) {
        all.push_back(std::make_unique<Named>(Named{"k" + std::to_string(i % 100)}));  // three under each key
        index.Insert(all.back().get());
    }
    for (int i = 0; i < 300; i += 4) index.Erase(all[size_t(i)].get());  // leaves erased slots on the runs
    index.Reserve(1000);                                                // placed again from their tags
    for (int key = 0; key < 100; ++key) {
        const std::string k = "k" + std::to_string(key);
        std::vector<const Named*> found, expected;
        index.ForEach(k, [&](Named* n) { return found.push_back(n), true; });
        for (int i = key; i < 300; i += 100)
            if (i % 4 != 0) expected.push_back(all[size_t(i)].get());
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected) << k;
    }
    EXPECT_EQ(index.Find("absent"), nullptr);
}

}  // namespace

TEST(FlatIndexTest, KeysWhoseHashesFoldToTheFreeSlotMarksAreStillFoundAfterErasesAndGrowth) {
    TFlatIndex<Named, SameHash<0>> zero;  // folds to the empty mark
    CheckAgainstPlainList(zero);
    TFlatIndex<Named, SameHash<1>> one;  // folds to the erased mark
    CheckAgainstPlainList(one);
    TFlatIndex<Named, SameHash<(size_t{7} << 32) | 7>> folded;  // high and low halves cancel
    CheckAgainstPlainList(folded);
}

namespace {
struct ByName {
    static std::string_view Key(const Named& n) { return n.name; }
    static size_t Hash(std::string_view text) { return std::hash<std::string_view>{}(text); }
    static bool Equal(std::string_view a, std::string_view b) { return a == b; }
};
}  // namespace

// An outline's texts set one by one, or names changed, erase and insert at once. At exactly
// three quarters full the table must make room once: made again at the same size, it was made
// again (the whole table read) at every insert, and a tree of 32,767 items took seconds to re-text.
TEST(FlatIndexTest, ATableHeldAtItsMarkByErasesAndInsertsMakesRoomOnce) {
    constexpr int kEntries = 1536;
    TFlatIndex<Named, ByName> index(kEntries);
    const size_t slots = index.Slots();
    ASSERT_EQ(slots * 3, size_t{4 * kEntries});
    std::vector<std::unique_ptr<Named>> all;
    for (int i = 0; i < kEntries; ++i) {
        all.push_back(std::make_unique<Named>(Named{"n" + std::to_string(i)}));
        index.Insert(all.back().get());
    }
    for (int round = 0; round < 4 * kEntries; ++round) {
        Named& n = *all[size_t(round % kEntries)];
        index.Erase(&n);
        n.name = "r" + std::to_string(round);
        index.Insert(&n);
    }
    EXPECT_GT(index.Slots(), slots);
    EXPECT_LE(index.Slots(), 4 * slots);
    for (int i = 0; i < kEntries; ++i) EXPECT_EQ(index.Find(all[size_t(i)]->name), all[size_t(i)].get()) << i;
    EXPECT_EQ(index.Find("n0"), nullptr);
}
