// A named kernel event of the bridge: created with default security,
// automatic reset, not signalled; closed with the object.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/OwningWrappers.h"

namespace vtq {

class NamedEvent {
 public:
  explicit NamedEvent(const char* name);
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  // Creates the event (once; a second call keeps the first handle).
  bool Create();
  const std::string& Name() const { return name_; }

 private:
  std::string name_;  // at most 259 characters
  rm::UniqueHandle handle_;
};

// Opens the event by name and pulses it; nonzero if it was pulsed. An event
// that no process has created is not pulsed.
BOOL PulseNamedEvent(const char* name);

// Opens the event by name and sets it; nonzero if it was set. An event that
// no process has created is not set. The relay signals its events this way
// rather than by a pulse: a pulse is lost to a waiter that is not waiting
// at that moment (a watcher re-reading the radios), while a set auto-reset
// event stays signalled until its waiter next waits, so a change that
// arrives during a re-read causes one more re-read.
BOOL SignalNamedEvent(const char* name);

}  // namespace vtq
