// The tray icon's calls to the shell and its bookkeeping, through a shell
// that records every call and answers as told.
#include "tray/core/TrayIcon.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "tests/unit/tray/TrayTexts.h"

namespace rm {
namespace {

struct Call {
  IconMessage message;
  NotifyData data;
};

class RecordingShell : public IconShell {
 public:
  bool Notify(IconMessage message, const NotifyData& data) override {
    calls.push_back({message, data});
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<Call> Take() {
    std::vector<Call> taken;
    taken.swap(calls);
    return taken;
  }
  std::vector<Call> calls;
  std::deque<bool> answers;  // the next calls' results; true when empty
};

constexpr char kTitle[] = "Zarn Radio Minder";
constexpr char kWlanOnBtOff[] = "        WLAN  : On\nBluetooth\xC2\xAE : Off";
constexpr char kBothOff[] = "        WLAN  : Off\nBluetooth\xC2\xAE : Off";

const RadioFlags kWlanOn = RadioFlags::Decode({0x03, 0x0D, 0x0C, 0});  // icon 203
const RadioFlags kAllOff = RadioFlags::Decode({0x03, 0x0C, 0x0C, 0});  // icon 202

Settings With(std::uint32_t hide, std::uint32_t noBalloons = 0, std::uint32_t noFirstBalloon = 0) {
  Settings s;
  s.hideSysTray = hide;
  s.disableBalloons = noBalloons;
  s.disableFirstBalloon = noFirstBalloon;
  return s;
}

class TrayIconTest : public ::testing::Test {
 protected:
  void ExpectBook(bool added, bool hidden, bool removed, bool readd) const {
    EXPECT_EQ(icon.added(), added);
    EXPECT_EQ(icon.hidden(), hidden);
    EXPECT_EQ(icon.removed(), removed);
    EXPECT_EQ(icon.readdMark(), readd);
  }
  static void ExpectBalloon(const Call& c, const char* text) {
    EXPECT_EQ(c.message, IconMessage::kModify);
    EXPECT_EQ(c.data.flags, 0x10u);
    EXPECT_EQ(c.data.info, text);
    EXPECT_EQ(c.data.infoTitle, kTitle);
    EXPECT_EQ(c.data.infoFlags, 1u);
    EXPECT_EQ(c.data.timeoutMs, 10000u);
  }

  RecordingShell shell;
  EnglishTexts texts;
  TrayIcon icon{shell};
};

TEST_F(TrayIconTest, FirstDisplayAddsSetsTheTipAndShowsTheFirstBalloon) {
  icon.FirstDisplay(kWlanOn, With(0), texts);
  const auto calls = shell.Take();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].message, IconMessage::kAdd);
  EXPECT_EQ(calls[0].data.flags, 3u);
  EXPECT_EQ(calls[0].data.iconId, 203);
  EXPECT_EQ(calls[1].message, IconMessage::kModify);
  EXPECT_EQ(calls[1].data.flags, 4u);
  EXPECT_EQ(calls[1].data.tip, kWlanOnBtOff);
  ExpectBalloon(calls[2], kWlanOnBtOff);
  EXPECT_EQ(icon.data().info, "");  // emptied after the balloon
  ExpectBook(true, false, false, true);
  EXPECT_EQ(icon.firstAddFlags(), 3u);

  // A change: image, tip and balloon.
  icon.UpdateDisplay(kAllOff, With(0), texts);
  const auto update = shell.Take();
  ASSERT_EQ(update.size(), 3u);
  EXPECT_EQ(update[0].data.flags, 2u);
  EXPECT_EQ(update[0].data.iconId, 202);
  EXPECT_EQ(update[1].data.flags, 4u);
  EXPECT_EQ(update[1].data.tip, kBothOff);
  ExpectBalloon(update[2], kBothOff);
}

TEST_F(TrayIconTest, BalloonSettings) {
  struct Case {
    std::uint32_t disableBalloons, disableFirstBalloon;
    bool first, update;
  } const cases[] = {{0, 0, true, true}, {0, 1, false, true}, {1, 0, false, false}, {1, 1, false, false}};
  for (const Case& c : cases) {
    RecordingShell s;
    TrayIcon i(s);
    const Settings settings = With(0, c.disableBalloons, c.disableFirstBalloon);
    i.FirstDisplay(kWlanOn, settings, texts);
    EXPECT_EQ(s.Take().size(), c.first ? 3u : 2u) << c.disableBalloons << c.disableFirstBalloon;
    i.UpdateDisplay(kAllOff, settings, texts);
    EXPECT_EQ(s.Take().size(), c.update ? 3u : 2u) << c.disableBalloons << c.disableFirstBalloon;
  }
}

TEST_F(TrayIconTest, HiddenAtFirstDisplayKeepsChangesAndShowsTheLatestWhenShown) {
  icon.FirstDisplay(kAllOff, With(1), texts);
  auto calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);  // no tip while hidden; the balloon all the same
  EXPECT_EQ(calls[0].message, IconMessage::kAdd);
  EXPECT_EQ(calls[0].data.flags, 11u);
  EXPECT_EQ(calls[0].data.state, 1u);
  EXPECT_EQ(calls[0].data.stateMask, 1u);
  ExpectBalloon(calls[1], kBothOff);
  ExpectBook(true, true, false, true);

  icon.UpdateDisplay(kWlanOn, With(1), texts);
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 1u);
  ExpectBalloon(calls[0], kWlanOnBtOff);

  icon.Show();
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].message, IconMessage::kModify);
  EXPECT_EQ(calls[0].data.flags, 8u | 2u | 4u);
  EXPECT_EQ(calls[0].data.state, 0u);
  EXPECT_EQ(calls[0].data.stateMask, 1u);
  EXPECT_EQ(calls[0].data.iconId, 203);
  EXPECT_EQ(calls[0].data.tip, kWlanOnBtOff);
  ExpectBook(true, false, false, true);
  icon.Show();  // already visible
  EXPECT_TRUE(shell.Take().empty());

  icon.Hide();
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].data.flags, 8u);
  EXPECT_EQ(calls[0].data.state, 1u);
  EXPECT_EQ(calls[0].data.stateMask, 1u);
  EXPECT_TRUE(icon.hidden());
  icon.Hide();  // already hidden
  EXPECT_TRUE(shell.Take().empty());
}

TEST_F(TrayIconTest, AFailedFirstAddSendsBalloonsOnlyUntilANewTaskbarTakesTheIcon) {
  shell.answers = {false};
  icon.FirstDisplay(kWlanOn, With(0), texts);
  auto calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, IconMessage::kAdd);
  ExpectBalloon(calls[1], kWlanOnBtOff);
  ExpectBook(false, true, true, true);

  icon.UpdateDisplay(kAllOff, With(0), texts);
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 1u);
  ExpectBalloon(calls[0], kBothOff);
  icon.Hide();
  EXPECT_TRUE(shell.Take().empty());

  icon.OnTaskbarCreated(false);
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, IconMessage::kDelete);
  EXPECT_EQ(calls[1].message, IconMessage::kAdd);
  EXPECT_EQ(calls[1].data.flags, 1u | 2u | 4u);
  EXPECT_EQ(calls[1].data.iconId, 202);
  EXPECT_EQ(calls[1].data.tip, kBothOff);
  ExpectBook(true, false, false, true);
  icon.UpdateDisplay(kWlanOn, With(0, 1), texts);
  EXPECT_EQ(shell.Take().size(), 2u);  // image and tip now
}

TEST_F(TrayIconTest, ANewTaskbarGetsTheIconAgainUnlessTheUserHidesIt) {
  icon.FirstDisplay(kWlanOn, With(0, 1), texts);
  shell.Take();
  icon.OnTaskbarCreated(false);
  auto calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, IconMessage::kDelete);
  EXPECT_EQ(calls[1].message, IconMessage::kAdd);
  EXPECT_EQ(calls[1].data.flags, 7u);
  EXPECT_EQ(calls[1].data.iconId, 203);
  ExpectBook(true, false, false, true);

  // A failed re-add keeps the mark for the next taskbar.
  shell.answers = {true, false};
  icon.OnTaskbarCreated(false);
  EXPECT_EQ(shell.Take().size(), 2u);
  ExpectBook(true, true, true, true);
  icon.OnTaskbarCreated(false);
  EXPECT_EQ(shell.Take().size(), 2u);
  ExpectBook(true, false, false, true);

  // Kept hidden: the new taskbar gets no icon; showing adds it again.
  icon.OnTaskbarCreated(true);
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].message, IconMessage::kDelete);
  ExpectBook(true, true, true, true);
  icon.Show();
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, IconMessage::kAdd);
  EXPECT_EQ(calls[0].data.flags, 7u);
  EXPECT_EQ(calls[1].data.flags, 14u);
  EXPECT_EQ(calls[1].data.state, 0u);
  ExpectBook(true, false, false, true);
}

TEST_F(TrayIconTest, DeleteClearsTheMarkAndShowAddsTheIconAgain) {
  icon.OnTaskbarCreated(false);  // before the first display: nothing
  icon.Show();
  EXPECT_TRUE(shell.Take().empty());
  icon.FirstDisplay(kWlanOn, With(0, 1), texts);
  shell.Take();

  icon.Delete();
  auto calls = shell.Take();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].message, IconMessage::kDelete);
  ExpectBook(true, true, true, false);
  icon.Delete();
  icon.OnTaskbarCreated(false);
  EXPECT_TRUE(shell.Take().empty());

  // A failed add-again sets the mark.
  shell.answers = {false};
  icon.Show();
  EXPECT_EQ(shell.Take().size(), 1u);
  ExpectBook(true, true, true, true);
  icon.Show();
  calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, IconMessage::kAdd);
  EXPECT_EQ(calls[1].message, IconMessage::kModify);
  ExpectBook(true, false, false, true);
}

TEST_F(TrayIconTest, TextsAreCutToTheirFields) {
  icon.FirstDisplay(kWlanOn, With(0, 1), texts);
  shell.Take();
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
  icon.SetTip(text);
  icon.Balloon(text, text);
  const auto calls = shell.Take();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].data.tip, text.substr(0, 127));
  EXPECT_EQ(calls[1].data.info, text.substr(0, 255));
  EXPECT_EQ(calls[1].data.infoTitle, text.substr(0, 63));
  icon.SetTip("");  // no text: nothing changes
  EXPECT_TRUE(shell.Take().empty());
  EXPECT_EQ(icon.data().tip, text.substr(0, 127));
}

TEST_F(TrayIconTest, TextsAreCutInWideCharactersNeverInsideOne) {
  // The tip holds 127 UTF-16 units: "®" (two bytes) is one, U+1F4F6 (four
  // bytes) two; a character that does not fit whole is left out.
  const std::string mark = "\xC2\xAE";
  const std::string antenna = "\xF0\x9F\x93\xB6";
  const struct {
    std::string tip;
    std::string kept;
  } cases[] = {
      {std::string(125, 'a') + mark, std::string(125, 'a') + mark},
      {std::string(126, 'a') + mark, std::string(126, 'a') + mark},
      {std::string(127, 'a') + mark, std::string(127, 'a')},
      {std::string(124, 'a') + antenna, std::string(124, 'a') + antenna},
      {std::string(125, 'a') + antenna, std::string(125, 'a') + antenna},
      {std::string(126, 'a') + antenna, std::string(126, 'a')},
      {std::string(120, 'a') + "\xE6\x97\xA5\xE6\x9C\xAC", std::string(120, 'a') + "\xE6\x97\xA5\xE6\x9C\xAC"},
  };
  for (const auto& c : cases) {
    icon.SetTip(c.tip);
    EXPECT_EQ(icon.data().tip, c.kept) << c.tip.size() << " bytes";
  }
}

}  // namespace
}  // namespace rm
