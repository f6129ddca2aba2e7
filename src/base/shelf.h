#pragma once
// Working objects lent to a task and given back for the next one, so that
// frame after frame reuses their room (allocating it afresh is slow under
// Wine once its heap is fragmented). They are not kept in thread_local
// storage: when a thread ends, the MinGW runtime frees that storage before
// it runs the destructors of what lives there.

#include <cstddef>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace fh {

template <typename T>
class Shelf {
public:
    // At most this many are kept; more given back at once are freed.
    static constexpr std::size_t kMaxKept = 8;

    // The process's shelf of T. Never destroyed: a thread may still give
    // back while the process ends.
    static Shelf& Shared() {
        static Shelf* shelf = new Shelf();
        return *shelf;
    }

    // One kept, or a new one when none is.
    std::unique_ptr<T> Take() {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (!m_kept.empty()) {
                std::unique_ptr<T> t = std::move(m_kept.back());
                m_kept.pop_back();
                return t;
            }
        }
        return std::make_unique<T>();
    }

    void Give(std::unique_ptr<T> t) noexcept {
        if (!t) return;
        std::lock_guard<std::mutex> hold(m_lock);
        // Room for kMaxKept is reserved: keeping one never allocates.
        if (m_kept.size() < kMaxKept) m_kept.push_back(std::move(t));
    }

    std::size_t Kept() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_kept.size();
    }

private:
    Shelf() { m_kept.reserve(kMaxKept); }

    std::mutex m_lock;
    std::vector<std::unique_ptr<T>> m_kept;
};

// One T taken from its shelf for a scope and given back at the end of it.
template <typename T>
class Lent {
public:
    Lent() : m_t(Shelf<T>::Shared().Take()) {}
    ~Lent() { Shelf<T>::Shared().Give(std::move(m_t)); }
    Lent(const Lent&) = delete;
    Lent& operator=(const Lent&) = delete;

    T& operator*() const { return *m_t; }
    T* operator->() const { return m_t.get(); }

private:
    std::unique_ptr<T> m_t;
};

}  // namespace fh
