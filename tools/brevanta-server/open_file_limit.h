// Each device takes a socket and, while it is served, an open file. Services start with a soft
// limit of 1024 descriptors; the hard limit is the one that matters for a fleet.
#pragma once

#include <cstddef>

namespace brevanta::server {

// Raises the soft limit on open descriptors to the hard limit and returns how many connections
// that limit holds: two descriptors each (the socket and the file it sends), after a reserve for
// the program's own.
std::size_t ConnectionsWithinFileLimit();

}  // namespace brevanta::server
