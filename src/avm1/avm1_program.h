#pragma once
// An action block decoded as it runs: each action's code, length, jump
// target and pushed values are read from the bytes on its first visit and
// kept, so that loops and functions do not decode them again. Actions are
// found by byte offset, as jumps name them: a jump into the middle of an
// action decodes the bytes from there, as they would be read. Pushes of
// pool strings and registers stay indexes: the pool a block uses can change
// at any ConstantPool action.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avm1/avm1_host.h"
#include "avm1/avm1_value.h"

namespace fh::avm1 {

// A NUL-terminated string at p[i] within len; false when it runs off the end.
bool ReadString(const std::uint8_t* p, std::size_t len, std::size_t& i, std::string& out);
bool HasHighBytes(const std::string& s);

struct PushItem {
    enum Kind : std::uint8_t { Literal, Pool, Register };
    Kind kind = Literal;
    std::uint16_t index = 0;  // Pool, Register
    Value value;              // Literal
};

struct Op {
    std::uint32_t next = 0;    // the offset after the action
    std::uint32_t len = 0;     // its operand bytes
    std::uint32_t target = 0;  // Jump, If: where they lead, clamped to the block
    std::uint32_t first = 0;   // Push: its first item
    std::uint16_t count = 0;   // Push: its items
    std::uint8_t code = 0;     // 0: the block ends here (End, or an action running past it)
    bool kept = false;         // its items are the program's own, not the scratch ones
    bool thenGetVariable = false;  // Push: a GetVariable follows
};

class Program {
public:
    // A block of `size` bytes; large ones are decoded afresh at every visit
    // rather than indexed, and a program keeps so many actions at most.
    explicit Program(std::size_t size);

    // The action at `pc` (< the block's size). The reference and the items
    // hold until the next call: a nested run may decode more.
    const Op& At(std::size_t pc, const std::uint8_t* data, Host& host, int version) {
        if (pc < m_index.size()) {
            if (std::uint32_t k = m_index[pc]) return m_ops[k - 1];
        }
        return Decode(pc, data, host, version);
    }
    // At's parts for a loop over it: the index by offset (it never moves)
    // and its length, and an indexed action (1 + its place).
    const std::uint32_t* Index() const { return m_index.data(); }
    std::size_t Indexed() const { return m_index.size(); }
    const Op& Indexed(std::uint32_t k) const { return m_ops[k - 1]; }
    const PushItem* Items(const Op& op) const { return (op.kept ? m_items : m_scratchItems).data() + op.first; }

private:
    const Op& Decode(std::size_t pc, const std::uint8_t* data, Host& host, int version);
    void DecodePush(Op& op, const std::uint8_t* p, std::vector<PushItem>& items, Host& host, int version);

    std::size_t m_size;
    std::vector<std::uint32_t> m_index;  // by offset: 1 + the action's place in m_ops, 0 for none yet
    std::vector<Op> m_ops;
    std::vector<PushItem> m_items;
    Op m_scratch;  // an action past the caps, decoded for one visit
    std::vector<PushItem> m_scratchItems;
};

}  // namespace fh::avm1
