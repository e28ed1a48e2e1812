// Each device takes a socket and, while it is served, an open file. Services start with a soft
// limit of 1024 descriptors; the hard limit is the one that matters for a fleet.
#pragma once

namespace brevanta::server {

// Raises the soft limit on open descriptors to the hard limit; returns the limit now in force.
long RaiseOpenFileLimit();

}  // namespace brevanta::server
