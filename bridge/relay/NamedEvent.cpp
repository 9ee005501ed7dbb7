#include "bridge/relay/NamedEvent.h"

namespace vtq {

NamedEvent::NamedEvent(const char* name) : name_(name ? name : "") {
  if (name_.size() > MAX_PATH - 1) name_.resize(MAX_PATH - 1);
}

bool NamedEvent::Create() {
  if (handle_) return true;
  handle_.reset(::CreateEventA(nullptr, FALSE, FALSE, name_.c_str()));
  return static_cast<bool>(handle_);
}

BOOL PulseNamedEvent(const char* name) {
  if (!name) return FALSE;
  rm::UniqueHandle event(::OpenEventA(EVENT_MODIFY_STATE, TRUE, name));
  if (!event) return FALSE;
  return ::PulseEvent(event.get());
}

BOOL SignalNamedEvent(const char* name) {
  if (!name) return FALSE;
  rm::UniqueHandle event(::OpenEventA(EVENT_MODIFY_STATE, TRUE, name));
  if (!event) return FALSE;
  return ::SetEvent(event.get());
}

}  // namespace vtq
