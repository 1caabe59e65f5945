// Hash table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "table.h"

namespace {

struct Block {
    int n;
    char text[12];
};

class TableTest : public ::testing::Test {
   protected:
    void TearDown() override { TAB_free(&tab); }
    TAB_table tab = {};
};

// The hash worked out by hand: h = (h * 257 + c) mod 35177.
TEST_F(TableTest, KeyHash) {
    ASSERT_EQ(TAB_create(&tab, 35177, sizeof(Block), 1), 0);
    // 'A' = 65; "AB": 65 * 257 + 66 = 16771;
    // "ABC": 16771 * 257 + 67 = 4310214 = 122 * 35177 + 18620
    EXPECT_EQ(TAB_key(&tab, ""), 0);
    EXPECT_EQ(TAB_key(&tab, "A"), 65);
    EXPECT_EQ(TAB_key(&tab, "AB"), 16771);
    EXPECT_EQ(TAB_key(&tab, "ABC"), 18620);
    TAB_free(&tab);
    ASSERT_EQ(TAB_create(&tab, 100, sizeof(Block), 1), 0);
    EXPECT_EQ(TAB_key(&tab, "ABC"), 20);
    EXPECT_EQ(TAB_key(&tab, nullptr), -1);
    EXPECT_EQ(TAB_key(nullptr, "A"), -1);
}

TEST_F(TableTest, CreateRefusesBadSizes) {
    struct Case {
        int tsize, dsize, nkey;
    } cases[] = {{0, 8, 1}, {-3, 8, 1}, {10, -1, 1}, {10, 8, 0}, {10, 8, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tsize << " " << c.dsize << " " << c.nkey);
        EXPECT_EQ(TAB_create(&tab, c.tsize, c.dsize, c.nkey), -1);
        EXPECT_EQ(TAB_search(&tab, 1, "x"), nullptr);
        EXPECT_EQ(TAB_enter(&tab, "data", "x"), -1);
    }
}

TEST_F(TableTest, EntersAndFindsByEveryKey) {
    ASSERT_EQ(TAB_create(&tab, 7, sizeof(Block), 3), 0);
    for (int i = 0; i < 50; ++i) {
        Block b = {i, {}};
        snprintf(b.text, sizeof b.text, "entry%d", i);
        std::string k1 = "ID" + std::to_string(i), k2 = std::to_string(1000 + i),
                    k3 = "L" + std::to_string(i * 7);
        ASSERT_EQ(TAB_enter(&tab, &b, k1.c_str(), k2.c_str(), k3.c_str()), 0);
    }
    EXPECT_EQ(tab.num_entry, 50);
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        std::string k1 = "ID" + std::to_string(i), k2 = std::to_string(1000 + i),
                    k3 = "L" + std::to_string(i * 7);
        char* d1 = TAB_search(&tab, 1, k1.c_str());
        ASSERT_NE(d1, nullptr);
        EXPECT_EQ(reinterpret_cast<Block*>(d1)->n, i);
        EXPECT_EQ(TAB_search(&tab, 2, k2.c_str()), d1);  // one block shared by the keys
        EXPECT_EQ(TAB_search(&tab, 3, k3.c_str()), d1);
        // a key text is found only under its own key number
        EXPECT_EQ(TAB_search(&tab, 2, k1.c_str()), nullptr);
    }
    EXPECT_EQ(TAB_search(&tab, 1, "id1"), nullptr);  // exact case
    EXPECT_EQ(TAB_search(&tab, 0, "ID1"), nullptr);
    EXPECT_EQ(TAB_search(&tab, 4, "ID1"), nullptr);
    EXPECT_EQ(TAB_search(nullptr, 1, "ID1"), nullptr);
}

TEST_F(TableTest, DataIsCopiedIn) {
    ASSERT_EQ(TAB_create(&tab, 3, sizeof(Block), 1), 0);
    Block b = {1, "first"};
    ASSERT_EQ(TAB_enter(&tab, &b, "K"), 0);
    b.n = 2;
    strcpy(b.text, "changed");
    auto* found = reinterpret_cast<Block*>(TAB_search(&tab, 1, "K"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->n, 1);
    EXPECT_STREQ(found->text, "first");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(found) % alignof(Block), 0u);
}

TEST_F(TableTest, DuplicateKeyFindsTheFirstEntry) {
    ASSERT_EQ(TAB_create(&tab, 1, sizeof(Block), 2), 0);  // one bucket: everything chains
    Block a = {1, "a"}, b = {2, "b"}, c = {3, "c"};
    ASSERT_EQ(TAB_enter(&tab, &a, "KDUP", "111"), 0);
    ASSERT_EQ(TAB_enter(&tab, &b, "KDUP", "222"), 0);
    ASSERT_EQ(TAB_enter(&tab, &c, "KOTH", "111"), 0);
    EXPECT_EQ(reinterpret_cast<Block*>(TAB_search(&tab, 1, "KDUP"))->n, 1);
    EXPECT_EQ(reinterpret_cast<Block*>(TAB_search(&tab, 2, "222"))->n, 2);
    EXPECT_EQ(reinterpret_cast<Block*>(TAB_search(&tab, 2, "111"))->n, 1);
    EXPECT_EQ(reinterpret_cast<Block*>(TAB_search(&tab, 1, "KOTH"))->n, 3);
    EXPECT_EQ(TAB_search(&tab, 1, "KNONE"), nullptr);
}

TEST_F(TableTest, InsertionOrderList) {
    ASSERT_EQ(TAB_create(&tab, 5, sizeof(Block), 2), 0);
    const char* ids[] = {"C", "A", "B", "A", "Z"};
    for (int i = 0; i < 5; ++i) {
        Block b = {i, {}};
        ASSERT_EQ(TAB_enter(&tab, &b, ids[i], nullptr), 0);
    }
    int n = 0;
    for (TAB_entry* e = tab.head_ptr; e != nullptr; e = e->next, ++n) {
        SCOPED_TRACE(n);
        ASSERT_LT(n, 5);
        EXPECT_STREQ(e->key, ids[n]);
        EXPECT_EQ(reinterpret_cast<Block*>(e->data)->n, n);
    }
    EXPECT_EQ(n, 5);
    EXPECT_STREQ(tab.last_ptr->key, "Z");
    TAB_init(&tab);
    EXPECT_EQ(tab.head_ptr, nullptr);
    EXPECT_EQ(tab.last_ptr, nullptr);
    EXPECT_EQ(tab.num_entry, 0);
}

TEST_F(TableTest, KeysLeftOutAndWrongKeyCounts) {
    ASSERT_EQ(TAB_create(&tab, 5, sizeof(Block), 2), 0);
    Block b = {7, "x"};
    EXPECT_EQ(TAB_enter(&tab, &b, "ONLY", nullptr), 0);
    EXPECT_NE(TAB_search(&tab, 1, "ONLY"), nullptr);
    EXPECT_EQ(TAB_search(&tab, 2, ""), nullptr);
    EXPECT_EQ(TAB_enter(&tab, &b, nullptr, "123"), -1);  // the first key keeps the order
    EXPECT_EQ(TAB_enter(&tab, &b, "ONE"), -1);
    EXPECT_EQ(TAB_enter(&tab, &b, "A", "B", "C"), -1);
    const char* keys[] = {"A", "B"};
    EXPECT_EQ(TAB_enter_keys(&tab, &b, keys, 1), -1);
    EXPECT_EQ(TAB_enter_keys(&tab, nullptr, keys, 2), -1);
    EXPECT_EQ(tab.num_entry, 1);
    EXPECT_EQ(TAB_search(&tab, 1, "A"), nullptr);
}

TEST_F(TableTest, LongChainsAndLongKeys) {
    ASSERT_EQ(TAB_create(&tab, 4, sizeof(int), 1), 0);
    std::string long_key(100000, 'k');  // bigger than one pool block
    int v = 99;
    ASSERT_EQ(TAB_enter(&tab, &v, long_key.c_str()), 0);
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(TAB_enter(&tab, &i, "same"), 0);
    EXPECT_EQ(*reinterpret_cast<int*>(TAB_search(&tab, 1, "same")), 0);
    EXPECT_EQ(*reinterpret_cast<int*>(TAB_search(&tab, 1, long_key.c_str())), 99);
    EXPECT_EQ(tab.num_entry, 20001);
}

TEST_F(TableTest, FreeLeavesAnEmptyTable) {
    ASSERT_EQ(TAB_create(&tab, 5, sizeof(Block), 1), 0);
    Block b = {1, "x"};
    ASSERT_EQ(TAB_enter(&tab, &b, "K"), 0);
    TAB_free(&tab);
    EXPECT_EQ(tab.tab_size, 0);
    EXPECT_EQ(TAB_search(&tab, 1, "K"), nullptr);
    EXPECT_EQ(TAB_enter(&tab, &b, "K"), -1);
    TAB_free(&tab);  // twice is harmless
}

}  // namespace
