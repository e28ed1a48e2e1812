// Waiting for a condition that another thread or process makes true, with a deadline.
#pragma once

#include <chrono>
#include <functional>

namespace brevanta::test {

// Checks the condition every fraction of a millisecond until it holds (true) or the deadline
// passes (false). For conditions nothing can signal, such as another thread's system call.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace brevanta::test
