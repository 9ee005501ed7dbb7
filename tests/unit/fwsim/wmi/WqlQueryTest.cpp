#include "fwsim/wmi/WqlQuery.h"

#include <gtest/gtest.h>

namespace {

using fwsim::wmi::ParseEventQuery;
using fwsim::wmi::QueryStatus;

TEST(EventQuery, TakesTheClassInAnyCaseAndSpacing) {
  for (const char* text : {"SELECT * FROM vtqBEvnt", "select * from vtqBEvnt", "  SeLeCt\t*\r\nFROM   vtqBEvnt  ",
                           "SELECT*FROM vtqBEvnt"}) {
    const auto q = ParseEventQuery(text);
    EXPECT_EQ(q.status, QueryStatus::Ok) << text;
    EXPECT_EQ(q.className, "vtqBEvnt") << text;
  }
  EXPECT_EQ(ParseEventQuery("SELECT * FROM vtqDockEvent").className, "vtqDockEvent");
}

TEST(EventQuery, RefusesWhatIsNotASelect) {
  for (const char* text : {"", "SELECT", "SELECT *", "SELECT * FROM", "SELECT * vtqBEvnt", "DELETE * FROM vtqBEvnt",
                           "SELECT * FROM 5abc", "SELECT * FROM vtqBEvnt junk", "SELECT * FROM vtqBEvnt WHERE",
                           "SELECT * FROM WHERE", "SELECT , FROM vtqBEvnt", "SELECT a, FROM vtqBEvnt",
                           "SELECT * FROM vtq;Bevnt"}) {
    EXPECT_EQ(ParseEventQuery(text).status, QueryStatus::SyntaxError) << text;
  }
  EXPECT_EQ(ParseEventQuery(std::string("SELECT * FROM vtq\0BEvnt", 23)).status, QueryStatus::SyntaxError);
}

TEST(EventQuery, TellsValidButUnofferedWqlApart) {
  for (const char* text : {"SELECT * FROM vtqBEvnt WHERE EventID = 5", "SELECT * FROM vtqBEvnt WITHIN 5",
                           "SELECT EventID FROM vtqBEvnt", "SELECT EventID, EventData FROM vtqBEvnt"}) {
    const auto q = ParseEventQuery(text);
    EXPECT_EQ(q.status, QueryStatus::Unsupported) << text;
    EXPECT_EQ(q.className, "vtqBEvnt") << text;
  }
}

TEST(EventQuery, LanguageAndNamesCompareWithoutCase) {
  EXPECT_TRUE(fwsim::wmi::IsWqlLanguage("wql"));
  EXPECT_FALSE(fwsim::wmi::IsWqlLanguage("WQL "));
  EXPECT_FALSE(fwsim::wmi::IsWqlLanguage("SQL"));
  EXPECT_TRUE(fwsim::wmi::EqualsNoCase("vtqBIntM", "VTQBINTM"));
  EXPECT_FALSE(fwsim::wmi::EqualsNoCase("vtqBIntM", "vtqBIntM2"));
}

}  // namespace
