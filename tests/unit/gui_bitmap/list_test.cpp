#include "support/test_common.h"

#include "gui/list.h"

namespace {

struct Tracked {
    Tracked(int v, int* counter) : value(v), deaths(counter) {}
    ~Tracked() { ++*deaths; }
    int value;
    int* deaths;
};

std::vector<int> walk(qv::CList<Tracked>& list) {
    std::vector<int> out;
    for (Tracked* t = list.first(); t; t = list.next()) out.push_back(t->value);
    return out;
}

TEST(CList, OwnershipOrderIndexAndNodeNumbers) {
    int deaths = 0;
    Tracked* kept = nullptr;
    {
        qv::CList<Tracked> list;
        EXPECT_TRUE(list.first() == nullptr && list.next() == nullptr && list.getItem(0) == nullptr);
        for (int i = 0; i < 5; ++i) list.append(new Tracked(i, &deaths), 100 + i, -i);
        EXPECT_EQ(walk(list), (std::vector<int>{0, 1, 2, 3, 4}));
        EXPECT_TRUE(list.getItem(4)->value == 4 && list.getItem(5) == nullptr);
        EXPECT_TRUE(list.head()->number1 == 100 && list.tail()->number2 == -4 && list.tail()->previous->object->value == 3);
        EXPECT_TRUE(list.head()->previous == nullptr && list.tail()->next == nullptr);
        kept = list.getItem(2);
        EXPECT_TRUE(list.remove(kept) && list.count() == 4u);  // handed back to the caller
    }
    EXPECT_TRUE(deaths == 4 && kept->value == 2);  // the owning list deletes what it holds, and only that
    delete kept;
    deaths = 0;
    Tracked a(1, &deaths), b(2, &deaths);
    {
        qv::CList<Tracked> borrowed(false);
        borrowed.append(&a), borrowed.append(&b);
    }
    EXPECT_EQ(deaths, 0);
}

TEST(CList, RemovingWhileIteratingVisitsEveryObjectOnce) {
    int deaths = 0;
    qv::CList<Tracked> list;
    for (int i = 0; i < 6; ++i) list.append(new Tracked(i, &deaths));
    // Remove the current object at every even value, the head included.
    std::vector<int> seen;
    for (Tracked* t = list.first(); t; t = list.next()) {
        seen.push_back(t->value);
        if (t->value % 2 == 0) {
            ASSERT_TRUE(list.remove(t));
            delete t;
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(walk(list), (std::vector<int>{1, 3, 5}));
    EXPECT_TRUE(list.head()->object->value == 1 && list.tail()->object->value == 5 && list.head()->previous == nullptr);
    // Removing the front objects while standing before the head.
    list.first();
    for (int k = 0; k < 2; ++k) {
        std::unique_ptr<Tracked> front(list.getItem(0));
        ASSERT_TRUE(list.remove(front.get()));
    }
    EXPECT_EQ(list.next()->value, 5);
    Tracked stranger(9, &deaths);
    EXPECT_TRUE(!list.remove(&stranger) && list.count() == 1u);
}

}  // namespace
