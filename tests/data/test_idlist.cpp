#include "host/data/errors.h"
#include "host/data/idlist.h"

#include <gtest/gtest.h>

using namespace vorn;

TEST(IdList, SortedListKeepsIdsAscendingWhateverTheAddOrder) {
    TIDList list(10, true, dupIgnore);
    for (int id : {50, 10, 40, -5, 30})
        list.Add(id);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.GetID(0), -5);
    EXPECT_EQ(list.GetID(4), 50);
    EXPECT_EQ(list.IndexOf(30), 2);
    EXPECT_EQ(list.IndexOf(31), -1);
}

TEST(IdList, ModeIgnoreLeavesAPresentIdAndItsObjectAlone) {
    int first = 1;
    int second = 2;
    TIDList list(50, true, dupIgnore);
    list.AddObject(7, &first);
    const int index = list.AddObject(7, &second);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(list.GetObject(0), &first);
}

TEST(IdList, ModeErrorRaisesOnAPresentIdAndKeepsTheList) {
    TIDList list(200, true, dupError);
    list.Add(3);
    list.Add(9);
    try {
        list.Add(9);
        FAIL() << "a duplicate id was accepted";
    } catch (const EListError& error) {
        EXPECT_TRUE(error.message().contains("9"));
    }
    EXPECT_EQ(list.Count(), 2);
}

TEST(IdList, UnsortedListKeepsAddOrderUntilSortingIsSwitchedOn) {
    TIDList list(10, false, dupAccept);
    list.Add(5);
    list.Add(1);
    list.Add(5);
    EXPECT_EQ(list.GetID(0), 5);
    EXPECT_EQ(list.IndexOf(1), 1);
    list.SetSorted(true);
    EXPECT_EQ(list.GetID(0), 1);
    EXPECT_EQ(list.Count(), 3);
}

TEST(IdList, DeleteAndClearAndBadIndexes) {
    TIDList list;
    list.Add(1);
    list.Add(2);
    list.Add(3);
    list.Delete(1);
    EXPECT_EQ(list.IndexOf(2), -1);
    EXPECT_EQ(list.GetID(1), 3);
    EXPECT_THROW(list.GetID(2), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.GetObject(5), EListError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(IdList, DoesNotOwnItsObjects) {
    struct Tracked {
        bool* destroyed;
        ~Tracked() { *destroyed = true; }
    };
    bool destroyed = false;
    std::unique_ptr<Tracked> tracked(new Tracked{&destroyed});
    {
        TIDList list;
        list.AddObject(1, tracked.get());
        list.Delete(0);
        list.AddObject(2, tracked.get());
    }
    EXPECT_FALSE(destroyed);
}
