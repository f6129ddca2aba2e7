#include "base/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace fh {

unsigned WorkerCount() { return std::clamp(std::thread::hardware_concurrency(), 1u, 4u); }

bool RunOnWorkers(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& progress) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::size_t done = 0, running = 0;
    std::mutex lock;
    std::condition_variable changed;
    auto worker = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= count || stop.load()) break;
            try {
                work(i);
            } catch (...) {
                // The item keeps what it had; one bad movie stops no other.
            }
            std::lock_guard<std::mutex> hold(lock);
            ++done;
            changed.notify_one();
        }
        std::lock_guard<std::mutex> hold(lock);
        --running;
        changed.notify_one();
    };
    std::vector<std::thread> threads;
    const std::size_t wanted = std::min<std::size_t>(std::max(workers, 1u), count);
    for (std::size_t t = 0; t < wanted; ++t) {
        {
            std::lock_guard<std::mutex> hold(lock);
            ++running;
        }
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error&) {
            // No thread to be had: those started do the work, or this one.
            std::lock_guard<std::mutex> hold(lock);
            --running;
            break;
        }
    }
    if (threads.empty()) {
        {
            std::lock_guard<std::mutex> hold(lock);
            ++running;
        }
        worker();
    }
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        changed.wait_for(hold, std::chrono::milliseconds(100), [&] { return running == 0; });
        const std::size_t seen = done;
        const bool over = running == 0;
        hold.unlock();
        if (progress && !progress(seen)) stop.store(true);
        hold.lock();
        if (over) break;
    }
    hold.unlock();
    for (std::thread& t : threads) t.join();
    return done == count;
}

}  // namespace fh
