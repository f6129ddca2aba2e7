#include "discovery/swf_entry.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

TEST(SwfEntryList, FindAndRemoveById) {
    SwfEntryList list(3);
    for (int i = 0; i < 3; ++i) {
        list[static_cast<size_t>(i)].id = i + 2;
        list[static_cast<size_t>(i)].path = "p" + std::to_string(i + 2);
    }
    EXPECT_EQ("p3", FindEntryById(list, 3).path);
    EXPECT_TRUE(FindEntryById(list, 99).path.empty());
    EXPECT_FALSE(RemoveEntryById(list, 99));
    EXPECT_EQ(3u, list.size());
    EXPECT_TRUE(RemoveEntryById(list, 3));
    EXPECT_EQ(2u, list.size());
    EXPECT_TRUE(FindEntryById(list, 3).path.empty());
    EXPECT_EQ("p4", list[1].path);
}

}  // namespace
}  // namespace fh
