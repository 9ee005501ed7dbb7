// Waiting on a condition with a time limit: the one wait of the Windows and
// system tests. Conditions are polled, so they may look at other processes'
// windows, the registry or the firmware stand-in.
#pragma once

#include <chrono>
#include <thread>

namespace rmtest {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Polls `condition` every 20 ms until it holds or `limit` has passed; its
// last answer. The condition is asked at least once, also with a zero limit.
template <class Condition>
bool WaitFor(Condition&& condition, milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
}

}  // namespace rmtest
