// The status page in this process, from the layouts of rmtray.exe, over a
// radio model whose flags the test sets: for each layout and the cases that
// matter, the texts, colours, enabled and visible states of every section;
// the refresh message; the requests its buttons send; and the Russian
// state words under a Western code page.
#include "tray/windows/StatusPage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ResourceIds.h"
#include "tests/support/TrayMachine.h"

namespace {

class FakeRadios : public rm::RadioControl {
 public:
  rm::RadioFlags Flags() const override { return flags; }
  bool SwitchRadios(const rm::SwitchRequest& request) override {
    requests.push_back(request);
    return true;
  }
  rm::RadioFlags flags;
  std::vector<rm::SwitchRequest> requests;
};

constexpr COLORREF kBlue = 0x00CD0000;
const COLORREF kGrey = ::GetSysColor(COLOR_GRAYTEXT);

// What one control shows: its text (UTF-8), its text colour when it colours itself
// (0xFFFFFFFF: answered with the dialog's default colours), enabled and
// visible. An empty expectation text with `absent` means no such control.
struct Shown {
  int id;
  const char* text;
  COLORREF color;
  bool enabled = true;
  bool visible = true;
  bool absent = false;
};
constexpr COLORREF kPlain = 0xFFFFFFFF;
Shown Absent(int id) { return {id, "", kPlain, false, false, true}; }

struct Case {
  const char* name;
  int layout;
  rm::WirelessWord word;  // bytes 0, 1, 2
  std::vector<Shown> shown;
};

class StatusPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    parent_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    dc_ = ::CreateCompatibleDC(nullptr);
  }
  void TearDown() override {
    ::DeleteDC(dc_);
    ::DestroyWindow(parent_);
    if (module_) ::FreeLibrary(module_);
  }

  // The text colour that the page's answer to the control's colour request
  // sets; kPlain when the answer is the dialog manager's default (a solid
  // brush), not a self-colouring label's hollow one.
  COLORREF ColorOf(HWND page, HWND control) {
    ::SetTextColor(dc_, RGB(1, 2, 3));
    const auto brush = reinterpret_cast<HGDIOBJ>(::SendMessageA(
        page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc_), reinterpret_cast<LPARAM>(control)));
    if (brush != ::GetStockObject(NULL_BRUSH)) return kPlain;
    return ::GetTextColor(dc_);
  }

  void Expect(HWND page, const std::vector<Shown>& shown, const char* name) {
    for (const Shown& s : shown) {
      const HWND c = ::GetDlgItem(page, s.id);
      SCOPED_TRACE(std::string(name) + ", control " + std::to_string(s.id));
      if (s.absent) {
        EXPECT_EQ(c, nullptr);
        continue;
      }
      ASSERT_NE(c, nullptr);
      wchar_t text[128] = {};
      ::GetWindowTextW(c, text, 128);
      wchar_t expected[128] = {};
      ::MultiByteToWideChar(CP_UTF8, 0, s.text, -1, expected, 128);
      EXPECT_STREQ(text, expected);
      EXPECT_EQ(ColorOf(page, c), s.color);
      EXPECT_EQ(::IsWindowEnabled(c) != FALSE, s.enabled);
      EXPECT_EQ((::GetWindowLongPtrA(c, GWL_STYLE) & WS_VISIBLE) != 0, s.visible);
    }
  }

  // Opens the case's layout over its word and checks what it shows.
  void ExpectCase(const Case& c) {
    radios_.flags = rm::RadioFlags::Decode(c.word);
    rm::StatusPage page(module_, c.layout);
    const HWND window = page.Create(parent_, radios_);
    ASSERT_NE(window, nullptr) << c.name;
    std::vector<Shown> shown = c.shown;
    for (Shown& s : shown) {
      if (s.color == 0) s.color = kGrey;  // 0 in the table stands for grey
    }
    Expect(window, shown, c.name);
    ::DestroyWindow(window);
  }

  HMODULE module_ = nullptr;
  HWND parent_ = nullptr;
  HDC dc_ = nullptr;
  FakeRadios radios_;
};

// Word bytes: 0 presence and LAN switching, 1 wireless LAN, 2 Bluetooth.
// clang-format off
const Case kCases[] = {
    {"both on, switched together", 206, {0x03, 0x0D, 0x0D, 0},
     {{IDC_ST_GROUP_PANEL, "System Status", kPlain}, {IDC_ST_GROUP_DEVICES, "Device Status", kPlain},
      {IDC_ST_SUMMARY_STATE, "On", kBlue},
      {IDC_ST_SUMMARY_REASON, "", kPlain}, {IDC_ST_WLAN_LABEL, "Wireless LAN", kPlain},
      {IDC_ST_WLAN_STATE, "On", kBlue}, {IDC_ST_WLAN_BUTTON, "Turn Off", kPlain, true, false},
      {IDC_ST_BT_LABEL, "Bluetooth\u00AE", kPlain}, {IDC_ST_BT_STATE, "On", kBlue},
      {IDC_ST_BT_BUTTON, "Turn Off", kPlain, true, false}, {IDC_ST_BOTH_BUTTON, "Turn Both Off", kPlain},
      {IDC_ST_GROUP_BIOS, "Current Computer Setup (BIOS) Settings", kPlain},
      {IDC_ST_BIOS_WLAN_LABEL, "Wireless LAN", kPlain}, {IDC_ST_BIOS_WLAN_VALUE, "Enabled", kBlue},
      {IDC_ST_BIOS_BT_LABEL, "Bluetooth\u00AE", kPlain}, {IDC_ST_BIOS_BT_VALUE, "Enabled", kBlue},
      {IDC_ST_BIOS_LANSW_LABEL, "", kPlain}, {IDC_ST_BIOS_LANSW_VALUE, "", kPlain}}},
    {"LAN switching holds the wireless LAN off, both radios", 206, {0x1B, 0x1C, 0x0C, 0},
     {{IDC_ST_SUMMARY_STATE, "Disabled", 0}, {IDC_ST_SUMMARY_REASON, "BIOS Settings", kPlain},
      {IDC_ST_WLAN_STATE, "Disabled", 0}, {IDC_ST_WLAN_BUTTON, "Turn Off", kPlain, false, false},
      {IDC_ST_BT_STATE, "Off", 0}, {IDC_ST_BT_BUTTON, "Turn On", kPlain, true, false},
      {IDC_ST_BOTH_BUTTON, "Turn Both On", kPlain}, {IDC_ST_BIOS_LANSW_LABEL, "LAN - WLAN Switching", kPlain},
      {IDC_ST_BIOS_LANSW_VALUE, "Enabled", kBlue}}},
    {"LAN switching holds the wireless LAN off, wireless LAN alone", 208, {0x19, 0x1C, 0x00, 0},
     {{IDC_ST_SUMMARY_STATE, "Disabled", 0}, {IDC_ST_SUMMARY_REASON, "LAN Switching", kPlain},
      {IDC_ST_WLAN_STATE, "Disabled", 0}, {IDC_ST_WLAN_BUTTON, "Turn Off", kPlain, false, true},
      Absent(IDC_ST_BT_LABEL), Absent(IDC_ST_BT_BUTTON), Absent(IDC_ST_BOTH_BUTTON), Absent(IDC_ST_BIOS_BT_LABEL),
      {IDC_ST_BIOS_WLAN_VALUE, "Enabled", kBlue}, {IDC_ST_BIOS_LANSW_VALUE, "Enabled", kBlue}}},
    {"the wireless button holds both, switched one by one", 206, {0x23, 0x05, 0x05, 0},
     {{IDC_ST_SUMMARY_STATE, "Disabled", 0}, {IDC_ST_SUMMARY_REASON, "Wireless Button", kPlain},
      {IDC_ST_WLAN_STATE, "Disabled", 0}, {IDC_ST_WLAN_BUTTON, "Turn Off", kPlain, false, true},
      {IDC_ST_BT_STATE, "Disabled", 0}, {IDC_ST_BT_BUTTON, "Turn Off", kPlain, false, true},
      {IDC_ST_BOTH_BUTTON, "Turn Both Off", kPlain, false, false}, {IDC_ST_BIOS_WLAN_VALUE, "Enabled", kBlue},
      {IDC_ST_BIOS_BT_VALUE, "Enabled", kBlue}}},
    {"both radios without the firmware group", 207, {0x03, 0x0D, 0x0C, 0},
     {{IDC_ST_SUMMARY_STATE, "On", kBlue}, {IDC_ST_BT_STATE, "Off", 0}, {IDC_ST_BOTH_BUTTON, "Turn Both On", kPlain},
      Absent(IDC_ST_GROUP_BIOS), Absent(IDC_ST_BIOS_WLAN_VALUE), Absent(IDC_ST_BIOS_BT_VALUE)}},
    {"wireless LAN alone, off by the user", 209, {0x01, 0x0C, 0x00, 0},
     {{IDC_ST_SUMMARY_STATE, "Off", 0}, {IDC_ST_SUMMARY_REASON, "User Selection", kPlain},
      {IDC_ST_WLAN_STATE, "Off", 0}, {IDC_ST_WLAN_BUTTON, "Turn On", kPlain}, Absent(IDC_ST_GROUP_BIOS)}},
    {"Bluetooth alone with the firmware group", 210, {0x02, 0x00, 0x0D, 0},
     {{IDC_ST_SUMMARY_STATE, "On", kBlue}, {IDC_ST_BT_STATE, "On", kBlue}, {IDC_ST_BT_BUTTON, "Turn Off", kPlain},
      Absent(IDC_ST_WLAN_LABEL), Absent(IDC_ST_WLAN_BUTTON),
      {IDC_ST_GROUP_BIOS, "Current Computer Setup (BIOS) Settings", kPlain},
      {IDC_ST_BIOS_BT_LABEL, "Bluetooth\u00AE", kPlain}, {IDC_ST_BIOS_BT_VALUE, "Enabled", kBlue},
      Absent(IDC_ST_BIOS_WLAN_LABEL)}},
    {"Bluetooth alone, off in setup", 211, {0x02, 0x00, 0x08, 0},
     {{IDC_ST_SUMMARY_STATE, "Disabled", 0}, {IDC_ST_SUMMARY_REASON, "BIOS Settings", kPlain},
      {IDC_ST_BT_STATE, "Disabled", 0}, {IDC_ST_BT_BUTTON, "Turn Off", kPlain, false, true},
      Absent(IDC_ST_BIOS_BT_VALUE)}},
};
// clang-format on

TEST_F(StatusPageTest, EachLayoutShowsWhatTheRulesSay) {
  for (const Case& c : kCases) ExpectCase(c);
}

// The Russian copy of layout 206 under a Western (1252) ANSI code page,
// which has no Cyrillic: the self-colouring labels take their Russian
// state words exactly, as the plain statics and buttons do. The thread's
// locale picks the Russian strings and template; the code page stays the
// process's.
TEST_F(StatusPageTest, RussianStateWordsSurviveAWesternCodePage) {
  ASSERT_EQ(::GetACP(), 1252u) << "the tray's Windows tests run under a Western code page (LC_ALL in CMake)";
  const LCID previous = ::GetThreadLocale();
  ASSERT_TRUE(::SetThreadLocale(MAKELCID(1049, SORT_DEFAULT)));
  const Case russian[] = {
      {"wireless LAN on, Bluetooth off in setup, LAN switching off",
       206,
       {0x0B, 0x0D, 0x08, 0},
       {{IDC_ST_GROUP_PANEL, "Состояние системы", kPlain},
        {IDC_ST_GROUP_DEVICES, "Состояние устройств", kPlain},
        {IDC_ST_SUMMARY_STATE, "Вкл.", kBlue},
        {IDC_ST_SUMMARY_REASON, "", kPlain},
        {IDC_ST_WLAN_STATE, "Вкл.", kBlue},
        {IDC_ST_WLAN_BUTTON, "Выключить", kPlain, true, false},
        {IDC_ST_BT_STATE, "Отключено", 0},
        {IDC_ST_BIOS_WLAN_VALUE, "Включено", kBlue},
        {IDC_ST_BIOS_BT_VALUE, "Отключено", 0},
        {IDC_ST_BIOS_LANSW_VALUE, "Отключено", 0}}},
      {"both off by the user, LAN switching on",
       206,
       {0x1B, 0x0C, 0x0C, 0},
       {{IDC_ST_SUMMARY_STATE, "Выкл.", 0},
        {IDC_ST_SUMMARY_REASON, "Выбор пользователя", kPlain},
        {IDC_ST_WLAN_STATE, "Выкл.", 0},
        {IDC_ST_BT_STATE, "Выкл.", 0},
        {IDC_ST_BOTH_BUTTON, "Включить оба", kPlain},
        {IDC_ST_BIOS_WLAN_VALUE, "Включено", kBlue},
        {IDC_ST_BIOS_BT_VALUE, "Включено", kBlue},
        {IDC_ST_BIOS_LANSW_VALUE, "Включено", kBlue}}},
  };
  for (const Case& c : russian) ExpectCase(c);
  ::SetThreadLocale(previous);
}

TEST_F(StatusPageTest, FollowsTheRadiosButKeepsTheFirmwareGroupAndSendsOneRequestPerClick) {
  radios_.flags = rm::RadioFlags::Decode({0x03, 0x0D, 0x0D, 0});
  rm::StatusPage page(module_, 206);
  const HWND window = page.Create(parent_, radios_);
  ASSERT_NE(window, nullptr);

  // Bluetooth off, the wireless LAN's setup value gone: the rows follow at
  // the refresh message, the firmware group keeps what it showed.
  radios_.flags = rm::RadioFlags::Decode({0x03, 0x09, 0x0C, 0});
  EXPECT_EQ(::SendMessageA(window, 0x8001, 0, 0), 1);
  Expect(window,
         {{IDC_ST_SUMMARY_STATE, "Disabled", kGrey},
          {IDC_ST_SUMMARY_REASON, "BIOS Settings", kPlain},
          {IDC_ST_WLAN_STATE, "Disabled", kGrey},
          {IDC_ST_BT_STATE, "Off", kGrey},
          {IDC_ST_BT_BUTTON, "Turn On", kPlain, true, false},
          {IDC_ST_BOTH_BUTTON, "Turn Both On", kPlain},
          {IDC_ST_BIOS_WLAN_VALUE, "Enabled", kBlue}},
         "after the refresh");
  EXPECT_TRUE(radios_.requests.empty());

  // The clicks: the row buttons toggle their radio, 1023 with one radio on
  // turns both on; nothing changes on the page until the next refresh.
  radios_.flags = rm::RadioFlags::Decode({0x23, 0x0D, 0x0C, 0});
  for (int id : {IDC_ST_WLAN_BUTTON, IDC_ST_BT_BUTTON, IDC_ST_BOTH_BUTTON})
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  const std::vector<rm::SwitchRequest> expected = {{0x00, 0x01, 0, 0}, {0x02, 0x02, 0, 0}, {0x08, 0x08, 0, 0}};
  EXPECT_EQ(radios_.requests, expected);
  Expect(window, {{IDC_ST_BT_STATE, "Off", kGrey}, {IDC_ST_BOTH_BUTTON, "Turn Both On", kPlain}}, "after the clicks");
  ::DestroyWindow(window);
}

}  // namespace
