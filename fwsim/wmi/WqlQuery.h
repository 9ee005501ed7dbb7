// The event queries the stand-in answers: "SELECT * FROM <class>" in any
// case and with any white space between the words.
#pragma once

#include <string>

namespace fwsim::wmi {

enum class QueryStatus {
  Ok,           // className holds the class
  SyntaxError,  // not a WQL SELECT statement
  Unsupported,  // valid WQL beyond "SELECT * FROM <class>" (WHERE, WITHIN, property lists)
};

struct EventQuery {
  QueryStatus status = QueryStatus::SyntaxError;
  std::string className;
};

EventQuery ParseEventQuery(const std::string& text);

// True when the query language names WQL (any case).
bool IsWqlLanguage(const std::string& language);

// ASCII case-insensitive comparison, as WMI compares class, property and
// method names.
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace fwsim::wmi
