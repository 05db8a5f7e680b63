#include "app/away_watch.h"

#include <cstdlib>

namespace kestrel {

bool AwayWatch::Tick(int64_t wallMs) {
    const std::optional<int64_t> last = lastMs_;
    lastMs_ = wallMs;
    return last && std::llabs(wallMs - *last) > periodMs_ + AwayMs;
}

} // namespace kestrel
