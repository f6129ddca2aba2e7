#pragma once
// A move-only owner of one COM interface reference.

#include <objbase.h>

#include <utility>

namespace fh {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* p) : m_p(p) {}
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_p(other.Detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters of creating calls.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset(T* p = nullptr) {
        if (m_p) m_p->Release();
        m_p = p;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    // Adds a reference for a copy the caller keeps.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }
    // Another interface of the same object; empty when it has none.
    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> other;
        if (m_p) m_p->QueryInterface(iid, other.PutVoid());
        return other;
    }

private:
    T* m_p = nullptr;
};

}  // namespace fh
