#include "panel/CplAnswers.h"

namespace rm {

CplAnswer AnswerTo(unsigned message) {
  switch (message) {
    case kCplInit:
    case kCplGetCount:
      return {CplAction::kNothing, 1};
    case kCplDblClk:
      return {CplAction::kOpenItem, 0};
    case kCplNewInquire:
      return {CplAction::kFillNewInfo, 0};
    default:
      return {CplAction::kNothing, 0};
  }
}

}  // namespace rm
