#include "open_file_limit.h"

#include <sys/resource.h>

#include <algorithm>
#include <limits>

namespace brevanta::server {
namespace {

// Standard streams, epoll, the signal descriptor, the listeners, the served directory, and room
// to spare.
constexpr rlim_t kOwnDescriptors = 32;

}  // namespace

std::size_t ConnectionsWithinFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 1;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    if (limit.rlim_cur == RLIM_INFINITY) {
        return std::numeric_limits<std::size_t>::max();
    }
    const rlim_t room = limit.rlim_cur > kOwnDescriptors ? limit.rlim_cur - kOwnDescriptors : 0;
    return std::max<std::size_t>(1, static_cast<std::size_t>(room / 2));
}

}  // namespace brevanta::server
