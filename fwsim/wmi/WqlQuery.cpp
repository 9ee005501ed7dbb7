#include "fwsim/wmi/WqlQuery.h"

#include <cstddef>
#include <vector>

namespace fwsim::wmi {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

// Splits into identifiers and single punctuation characters. An empty
// result with ok false means a character WQL does not know here.
struct Tokens {
  std::vector<std::string> items;
  bool ok = true;
};

Tokens Tokenize(const std::string& text) {
  Tokens t;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsSpace(c)) {
      ++i;
    } else if (IsIdentStart(c)) {
      std::size_t j = i;
      while (j < text.size() && IsIdentChar(text[j])) ++j;
      t.items.push_back(text.substr(i, j - i));
      i = j;
    } else if (c == '\0') {
      t.ok = false;
      return t;
    } else {
      // Anything else (operators, quotes, digits) is passed on as one
      // character; only the parts after the class name may contain it.
      t.items.push_back(std::string(1, c));
      ++i;
    }
  }
  return t;
}

bool IsIdentifier(const std::string& s) { return !s.empty() && IsIdentStart(s[0]); }

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool IsWqlLanguage(const std::string& language) { return EqualsNoCase(language, "WQL"); }

EventQuery ParseEventQuery(const std::string& text) {
  EventQuery q;
  const Tokens t = Tokenize(text);
  if (!t.ok || t.items.size() < 4 || !EqualsNoCase(t.items[0], "SELECT")) return q;
  // A property list instead of "*" is valid WQL the stand-in does not offer.
  std::size_t from = 1;
  bool star = false;
  if (t.items[1] == "*") {
    star = true;
    from = 2;
  } else {
    while (from < t.items.size() && !EqualsNoCase(t.items[from], "FROM")) ++from;
    if (from >= t.items.size()) return q;
    for (std::size_t i = 1; i < from; ++i) {
      const bool wantName = (i % 2) == 1;
      if (wantName ? !IsIdentifier(t.items[i]) : t.items[i] != ",") return q;
    }
    if (from % 2 != 0) return q;  // ends on a comma or is empty
  }
  if (from + 1 >= t.items.size() || !EqualsNoCase(t.items[from], "FROM")) return q;
  const std::string& cls = t.items[from + 1];
  if (!IsIdentifier(cls) || EqualsNoCase(cls, "WHERE") || EqualsNoCase(cls, "WITHIN")) return q;
  if (from + 2 < t.items.size()) {
    const std::string& next = t.items[from + 2];
    if (EqualsNoCase(next, "WHERE") || EqualsNoCase(next, "WITHIN") || EqualsNoCase(next, "GROUP") ||
        EqualsNoCase(next, "HAVING")) {
      if (from + 3 >= t.items.size()) return q;  // a clause with nothing after it
      q.status = QueryStatus::Unsupported;
      q.className = cls;
    }
    return q;
  }
  q.className = cls;
  q.status = star ? QueryStatus::Ok : QueryStatus::Unsupported;
  return q;
}

}  // namespace fwsim::wmi
