#pragma once
// Work spread over the processor's cores and watched from the calling
// thread, which stays free to show progress and hear a cancel.

#include <cstddef>
#include <functional>

namespace fh {

// The processor's cores, from 1 to 4: reading and hashing movies gains
// nothing beyond.
unsigned WorkerCount();

// Runs `work(i)` once for each i below `count` on up to `workers` threads,
// each taking the next i as it finishes one. The calling thread hears
// `progress` (how many are done) about ten times a second and once at the
// end; when it answers false the workers stop after the items they hold.
// An item that throws counts as done and the others go on. True when every
// item ran.
bool RunOnWorkers(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& progress = nullptr);

}  // namespace fh
