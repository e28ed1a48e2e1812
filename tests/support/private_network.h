// Moves the calling process into a network namespace of its own with only loopback up.
#pragma once

#include <string>

namespace brevanta::test {

// Must run before the process starts a thread, so that every later thread and child shares the
// namespace. Returns false with a reason when the system does not allow it.
bool EnterPrivateNetwork(std::string* error);

// Whether the process may create named namespaces and veth links (needs real root).
bool CanManageNamespaces();

}  // namespace brevanta::test
