#include "win/sha256.h"

#include <bcrypt.h>

namespace fh {

namespace {

constexpr std::size_t kOneCall = 1u << 20;
constexpr ULONG kDigestBytes = 32;

using HashFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, PUCHAR, ULONG, PUCHAR, ULONG);

struct Provider {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    ULONG objectBytes = 0;
    HashFn hash = nullptr;  // BCryptHash, where bcrypt.dll has it
};

// Opened once and kept for the life of the process: a card's worker thread
// may still be hashing while the program ends.
const Provider& Sha256Provider() {
    static const Provider provider = [] {
        Provider p;
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
            return p;
        ULONG got = 0;
        if (!BCRYPT_SUCCESS(::BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&p.objectBytes),
                                                sizeof p.objectBytes, &got, 0))) {
            ::BCryptCloseAlgorithmProvider(algorithm, 0);
            return p;
        }
        p.algorithm = algorithm;
        if (HMODULE bcrypt = ::GetModuleHandleA("bcrypt.dll"))
            p.hash = reinterpret_cast<HashFn>(reinterpret_cast<void*>(::GetProcAddress(bcrypt, "BCryptHash")));
        return p;
    }();
    return provider;
}

PUCHAR Bytes(std::string_view piece) { return reinterpret_cast<PUCHAR>(const_cast<char*>(piece.data())); }

}  // namespace

bool Sha256Stream::OwnIsBest() {
    static const bool wine = [] {
        const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
    }();
    return wine;
}

Sha256Stream::Sha256Stream(Engine engine) {
    if (engine == Engine::Best && OwnIsBest()) m_own.emplace();
}

void Sha256Stream::AddBoth(Sha256Stream& a, std::string_view pieceA, Sha256Stream& b, std::string_view pieceB) {
    if (a.m_own && b.m_own) {
        Sha256::AddBoth(*a.m_own, pieceA, *b.m_own, pieceB);
        return;
    }
    a.Add(pieceA);
    b.Add(pieceB);
}

void HashObjectClose::operator()(void* hash) const { ::BCryptDestroyHash(hash); }

// Nothing more is taken: the system refused, or the digest was given.
bool Sha256Stream::Stop() {
    m_stopped = true;
    m_own.reset();
    m_held.clear();
    m_object.Reset();
    return false;
}

bool Sha256Stream::Feed(std::string_view piece) {
    // A piece is at most a read's size, far below what a ULONG counts.
    if (!piece.empty() && !BCRYPT_SUCCESS(::BCryptHashData(m_object.Get(), Bytes(piece), static_cast<ULONG>(piece.size()), 0)))
        return Stop();
    return true;
}

bool Sha256Stream::StartObject() {
    const Provider& p = Sha256Provider();
    if (!p.algorithm) return Stop();
    // Windows 7 wants the object's memory from the caller.
    m_memory.resize(p.objectBytes);
    BCRYPT_HASH_HANDLE object = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(p.algorithm, &object, m_memory.data(), p.objectBytes, nullptr, 0, 0)))
        return Stop();
    m_object.Reset(object);
    const std::string held = std::move(m_held);
    m_held.clear();
    return Feed(held);
}

bool Sha256Stream::Add(std::string_view piece) {
    if (m_stopped) return false;
    if (m_own) {
        m_own->Add(piece);
        return true;
    }
    if (!m_object && m_held.size() + piece.size() <= kOneCall) {
        m_held.append(piece);
        return true;
    }
    if (!m_object && !StartObject()) return false;
    return Feed(piece);
}

std::string Sha256Stream::Finish() {
    if (m_stopped) return std::string();
    if (m_own) {
        std::string digest = m_own->Finish();
        Stop();
        return digest;
    }
    const Provider& p = Sha256Provider();
    std::string digest(kDigestBytes, '\0');
    NTSTATUS status;
    if (!m_object && p.hash) {
        status = p.hash(p.algorithm, nullptr, 0, Bytes(m_held), static_cast<ULONG>(m_held.size()), Bytes(digest),
                        kDigestBytes);
    } else {
        if (!m_object && !StartObject()) return std::string();
        status = ::BCryptFinishHash(m_object.Get(), Bytes(digest), kDigestBytes, 0);
    }
    Stop();
    return BCRYPT_SUCCESS(status) ? digest : std::string();
}

}  // namespace fh
