#pragma once
// The references an action list names, found without running it: the list
// is read once, front to back, keeping only what the stack would hold when
// that is a constant (pushed strings and numbers, pool entries, strings
// joined by Add, objects made by `new`), and what variables, members and
// registers were set to. What depends on anything else is unknown and
// names nothing; a jump forgets the stack, so no path is taken twice.

#include <cstddef>
#include <memory>

#include "swf/swf_references.h"

namespace fh {

class SwfActionScanner {
public:
    explicit SwfActionScanner(SwfReferenceCollector& out);
    ~SwfActionScanner();
    SwfActionScanner(const SwfActionScanner&) = delete;
    SwfActionScanner& operator=(const SwfActionScanner&) = delete;

    // One action list (a frame's, a button's, a clip handler's). Variables
    // set by one list stay known to the movie's later lists.
    void Scan(const unsigned char* data, std::size_t size);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace fh
