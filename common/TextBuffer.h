// Fixed-size character buffers: appending that cuts instead of overflowing.
#pragma once

#include <cstddef>

namespace rm {

// Appends text to the zero-terminated string in buffer (size bytes in all),
// cutting what does not fit; the result is always terminated. A buffer with
// no terminator in its size is left alone.
inline void AppendTruncated(char* buffer, std::size_t size, const char* text) {
  std::size_t used = 0;
  while (used < size && buffer[used]) ++used;
  if (used >= size) return;
  for (; *text && used + 1 < size; ++text) buffer[used++] = *text;
  buffer[used] = '\0';
}

}  // namespace rm
