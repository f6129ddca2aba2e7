#include "base/narrow.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace fh {
namespace {

TEST(Narrow, FitsOnlyWhatTheTargetHolds) {
    EXPECT_TRUE(FitsIn<std::int32_t>(std::int64_t{2147483647}));
    EXPECT_FALSE(FitsIn<std::int32_t>(std::int64_t{2147483648}));
    EXPECT_FALSE(FitsIn<std::int32_t>(std::int64_t{-2147483649LL}));
    EXPECT_TRUE(FitsIn<std::uint32_t>(std::uint64_t{4294967295u}));
    EXPECT_FALSE(FitsIn<std::uint32_t>(std::uint64_t{4294967296ULL}));
    EXPECT_FALSE(FitsIn<std::uint32_t>(-1));
    EXPECT_FALSE(FitsIn<std::int32_t>(std::uint64_t{1} << 31));
    EXPECT_EQ(135, NarrowOr<int>(std::int64_t{135}, 0));
    EXPECT_EQ(7, NarrowOr<int>(std::int64_t{1} << 40, 7));
}

}  // namespace
}  // namespace fh
