// What rmpanel answers each message of the Control Panel host.
#include <gtest/gtest.h>

#include "panel/CplAnswers.h"

namespace {

using rm::CplAction;

struct Row {
  unsigned message;
  CplAction action;
  long result;
};

// CPL_INIT 1 and CPL_GETCOUNT 2 answer 1; CPL_DBLCLK 5 opens the item and
// CPL_NEWINQUIRE 8 fills the record, both answering 0; every other message
// (CPL_INQUIRE 3, CPL_SELECT 4, CPL_STOP 6, CPL_EXIT 7, CPL_STARTWPARMSA 9
// and CPL_STARTWPARMSW 10, which must answer 0 so that the host goes on to
// CPL_DBLCLK, and numbers no host sends) does nothing and answers 0.
constexpr Row kRows[] = {
    {0, CplAction::kNothing, 0},      {1, CplAction::kNothing, 1},      {2, CplAction::kNothing, 1},
    {3, CplAction::kNothing, 0},      {4, CplAction::kNothing, 0},      {5, CplAction::kOpenItem, 0},
    {6, CplAction::kNothing, 0},      {7, CplAction::kNothing, 0},      {8, CplAction::kFillNewInfo, 0},
    {9, CplAction::kNothing, 0},      {10, CplAction::kNothing, 0},     {11, CplAction::kNothing, 0},
    {0x400, CplAction::kNothing, 0},  {0xFFFFFFFF, CplAction::kNothing, 0},
};

TEST(CplAnswers, EachMessageOfTheHost) {
  for (const Row& row : kRows) {
    const rm::CplAnswer answer = rm::AnswerTo(row.message);
    EXPECT_EQ(answer.action, row.action) << "message " << row.message;
    EXPECT_EQ(answer.result, row.result) << "message " << row.message;
  }
}

}  // namespace
