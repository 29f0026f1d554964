#include "platform/string_list.h"

#include <gtest/gtest.h>

TEST(StringList, IndexOutsideTheListIsAListError)
{
    TStringList list;
    list.Add("a");
    EXPECT_EQ(list[0], "a");
    for (const int index : {-1, 1, 7}) {
        try {
            (void)list[index];
            ADD_FAILURE() << index;
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST(StringList, CopiesShareUntilOneChangesAndNeverSeeEachOthersChanges)
{
    TStringList raw;
    raw.Add("one");
    raw.Add("two");
    TStringList body = raw;
    EXPECT_EQ(&body.Items(), &raw.Items());  // shared, no second copy
    body.Add("three");
    raw.Clear();
    raw.Add("new");
    EXPECT_EQ(body.Items(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(raw.Items(), (std::vector<std::string>{"new"}));
    TStringList empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Count(), 0);
}
