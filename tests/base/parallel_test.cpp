#include "base/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fh {
namespace {

TEST(RunOnWorkers, RunsEachItemOnceGoesOnPastAThrowAndStopsWhenTold) {
    std::vector<std::atomic<int>> runs(500);
    std::size_t lastHeard = 0;
    EXPECT_TRUE(RunOnWorkers(
        runs.size(), 3,
        [&](std::size_t i) {
            ++runs[i];
            if (i % 100 == 7) throw std::runtime_error("unreadable");
        },
        [&](std::size_t done) {
            EXPECT_GE(done, lastHeard);
            lastHeard = done;
            return true;
        }));
    for (const auto& r : runs) EXPECT_EQ(1, r.load());
    EXPECT_EQ(runs.size(), lastHeard);

    // A cancel heard while items remain leaves the rest undone.
    std::atomic<int> ran{0};
    EXPECT_FALSE(RunOnWorkers(
        2000, 2,
        [&](std::size_t) {
            ++ran;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        },
        [](std::size_t) { return false; }));
    EXPECT_LT(ran.load(), 2000);
    EXPECT_TRUE(RunOnWorkers(0, 2, [&](std::size_t) { ++ran; }));
}

}  // namespace
}  // namespace fh
