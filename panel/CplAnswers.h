// What rmpanel answers each message of the Control Panel host (CPlApplet),
// decided without Windows headers. The message numbers are the host's
// (cpl.h).
#pragma once

namespace rm {

enum class CplAction {
  kNothing,
  kOpenItem,     // CPL_DBLCLK: run the sheet, return when it closes
  kFillNewInfo,  // CPL_NEWINQUIRE: fill the NEWCPLINFO that lParam2 points to
};

struct CplAnswer {
  CplAction action;
  long result;
};

inline constexpr unsigned kCplInit = 1;
inline constexpr unsigned kCplGetCount = 2;
inline constexpr unsigned kCplInquire = 3;
inline constexpr unsigned kCplSelect = 4;
inline constexpr unsigned kCplDblClk = 5;
inline constexpr unsigned kCplStop = 6;
inline constexpr unsigned kCplExit = 7;
inline constexpr unsigned kCplNewInquire = 8;
inline constexpr unsigned kCplStartWParmsA = 9;
inline constexpr unsigned kCplStartWParmsW = 10;

// Only CPL_INIT and CPL_GETCOUNT (one item) answer 1; every other message,
// CPL_INQUIRE included, answers 0. A host that asks with CPL_STARTWPARMS
// before CPL_DBLCLK takes the 0 as "not started" and goes on to CPL_DBLCLK,
// which opens the item: the item opens once, by one road.
CplAnswer AnswerTo(unsigned message);

}  // namespace rm
