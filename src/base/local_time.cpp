#include "base/local_time.h"

namespace fh {

LocalTime LocalFieldsOrZero(const Clock& clock, std::int64_t time) {
    return clock.ToLocal(time).value_or(LocalTime{});
}

}  // namespace fh
