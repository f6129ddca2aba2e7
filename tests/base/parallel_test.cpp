#include "base/parallel.h"
#include "base/shelf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
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

TEST(Shelf, LendsEachTakerItsOwnAndKeepsWhatComesBackUpToItsLimit) {
    struct Scratch {
        std::vector<int> room;
    };
    Shelf<Scratch>& shelf = Shelf<Scratch>::Shared();
    const Scratch* first = nullptr;
    {
        Lent<Scratch> a, b;
        EXPECT_NE(&*a, &*b);
        a->room.resize(100);
        first = &*a;
    }
    {
        // The last given back comes out first, with its room.
        Lent<Scratch> again;
        EXPECT_EQ(first, &*again);
        EXPECT_EQ(100u, again->room.size());
    }
    std::vector<std::unique_ptr<Scratch>> many;
    for (std::size_t i = 0; i < 2 * Shelf<Scratch>::kMaxKept; ++i) many.push_back(shelf.Take());
    for (auto& s : many) shelf.Give(std::move(s));
    EXPECT_EQ(Shelf<Scratch>::kMaxKept, shelf.Kept());
}

}  // namespace
}  // namespace fh
