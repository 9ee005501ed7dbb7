// rmctl's argument parser on arbitrary words (the input split at zero
// bytes): it never reads outside them, and every answer is consistent: a
// failure has a one-line reason, a success none; a switch has its state
// unless help was asked; --json only where a verb takes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "rmctl/core/Arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  if (size == 0) words.clear();
  const rmctl::ParseResult r = rmctl::ParseArguments(words);
  if (r.ok != r.error.empty()) std::abort();
  if (r.error.find('\n') != std::string::npos) std::abort();
  if (r.ok) {
    const rmctl::Command& c = r.command;
    if (c.verb == rmctl::Verb::None && !c.help) std::abort();
    if (c.verb == rmctl::Verb::Switch && !c.help && words.size() < 2) std::abort();
    if (c.json && c.verb != rmctl::Verb::Status && c.verb != rmctl::Verb::Watch && c.verb != rmctl::Verb::Machine)
      std::abort();
    if (rmctl::HelpText(c.verb).empty()) std::abort();
  }
  return 0;
}
