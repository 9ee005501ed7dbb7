// rmtray.exe in its 25 languages: every string of every language's table is
// there, and every text fits the control that shows it, measured with the
// control's own font in the template the dialog manager picks for that
// language (the localised copy, else the English one). The pages must also
// fit the tab's display area of the language's properties window.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/windows/tray/TraySupport.h"

namespace {

const LANGID kLanguages[] = {10,   1025, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037, 1038, 1040,
                             1041, 1042, 1043, 1044, 1045, 1046, 1049, 1051, 1053, 1055, 1060, 2052};
const LANGID kRightToLeft[] = {1025, 1037};
const LANGID kEnglish = 1033;

// The string numbers of the tray program's table.
const UINT kStrings[] = {1,     2,     128,   129,   130,   131,   140,   141,   142,   143,   144,   145,
                         146,   147,   148,   149,   150,   151,   152,   153,   154,   155,   156,   157,
                         158,   159,   160,   161,   57346, 57347, 57348, 57349, 57350, 57351, 57352, 57356,
                         57357, 57358, 57359, 57360, 57361, 57362, 57363, 57364, 57369, 57370, 57371, 57372,
                         57373, 57374, 57390};

enum Kind { kStatic, kPush, kCheck, kGroup, kMultiLine, kTabs };

struct Shown {
  int control;
  Kind kind;
  std::vector<UINT> strings;  // every text the control can show
};

// What each template's controls show (the status layouts share one list;
// a layout without a control skips it).
const std::vector<Shown> kStatusTexts = {
    {1007, kGroup, {1}},          {1008, kGroup, {2}},           {1009, kGroup, {148}},
    {1024, kStatic, {152, 153, 151}},                            {1025, kStatic, {158, 159, 160, 161}},
    {1010, kStatic, {146}},       {1011, kStatic, {147}},        {1014, kStatic, {152, 153, 151}},
    {1015, kStatic, {152, 153, 151}},                            {1012, kPush, {154, 155}},
    {1013, kPush, {154, 155}},    {1023, kPush, {156, 157}},     {1016, kStatic, {146}},
    {1017, kStatic, {147}},       {1018, kStatic, {149}},        {1019, kStatic, {150, 151}},
    {1020, kStatic, {150, 151}},  {1021, kStatic, {150, 151}},
};
struct TemplateTexts {
  int id;
  std::vector<Shown> shown;
};
const TemplateTexts kTemplates[] = {
    {107, {{1027, kMultiLine, {130}}, {1026, kCheck, {131}}, {1, kPush, {142}}}},
    {204, {{1006, kTabs, {140, 141}}, {1, kPush, {142}}, {2, kPush, {143, 144}}, {9, kPush, {145}}}},
    {205,
     {{1000, kGroup, {57369}},
      {1002, kCheck, {57370}},
      {1003, kCheck, {57371}},
      {1001, kGroup, {57372}},
      {1004, kCheck, {57373}},
      {1005, kCheck, {57374}}}},
    {206, kStatusTexts}, {207, kStatusTexts}, {208, kStatusTexts},
    {209, kStatusTexts}, {210, kStatusTexts}, {211, kStatusTexts},
};

std::string Utf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class TrayLanguages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    host_ = ::CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  }
  static void TearDownTestSuite() {
    if (host_) ::DestroyWindow(host_);
    if (module_) ::FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << traytest::TrayExe(); }

  // String `id` of language `lang`'s own table, empty when it has none.
  static std::wstring String(UINT id, LANGID lang) {
    HRSRC block = ::FindResourceExW(module_, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), lang);
    if (!block) return std::wstring();
    auto p = static_cast<const WCHAR*>(::LockResource(::LoadResource(module_, block)));
    for (UINT i = 0; i < id % 16; ++i) p += 1 + *p;
    return std::wstring(p + 1, *p);
  }

  // The language's copy of template `id`, else the English one; null when
  // neither exists. `own` tells which.
  static const DLGTEMPLATE* Template(int id, LANGID lang, bool* own) {
    HRSRC res = ::FindResourceExW(module_, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), lang);
    *own = res != nullptr;
    if (!res) res = ::FindResourceExW(module_, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), kEnglish);
    return res ? static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(module_, res))) : nullptr;
  }

  static HWND Create(int id, LANGID lang, bool* own) {
    const DLGTEMPLATE* t = Template(id, lang, own);
    return t ? ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), t, host_, &NoHandling, 0) : nullptr;
  }

  static HMODULE module_;
  static HWND host_;
};
HMODULE TrayLanguages::module_ = nullptr;
HWND TrayLanguages::host_ = nullptr;

int TextWidth(HDC dc, const std::wstring& text) {
  SIZE size = {};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

int ChildCount(HWND dialog) {
  int n = 0;
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) ++n;
  return n;
}

TEST_F(TrayLanguages, EveryLanguageHasEveryStringAndKeepsTheProductName) {
  for (LANGID lang : kLanguages) {
    for (UINT id : kStrings) EXPECT_FALSE(String(id, lang).empty()) << "language " << lang << ", string " << id;
    EXPECT_EQ(String(128, lang), L"Zarn Radio Minder") << lang;
    EXPECT_EQ(String(147, lang), L"Bluetooth\u00AE") << lang;
  }
}

// Margins in pixels around a text inside its control, as the controls draw
// them at 96 dpi: a push button's frame and focus rectangle, a check box's
// box and gap, a group box's caption indent on both sides.
int Available(Kind kind, int width) {
  switch (kind) {
    case kPush: return width - 8;
    case kCheck: return width - ::GetSystemMetrics(SM_CXMENUCHECK) - 4;
    case kGroup: return width - 16;
    default: return width;
  }
}

TEST_F(TrayLanguages, EveryTextFitsItsControlInEveryTemplate) {
  for (LANGID lang : kLanguages) {
    for (const TemplateTexts& t : kTemplates) {
      bool own = false;
      const HWND dialog = Create(t.id, lang, &own);
      ASSERT_NE(dialog, nullptr) << "language " << lang << ", template " << t.id;
      bool englishOwn = false;
      const HWND english = Create(t.id, kEnglish, &englishOwn);
      EXPECT_EQ(ChildCount(dialog), ChildCount(english)) << lang << " " << t.id;
      ::DestroyWindow(english);

      const bool rtl = std::find(std::begin(kRightToLeft), std::end(kRightToLeft), lang) != std::end(kRightToLeft);
      const LONG exStyle = ::GetWindowLongW(dialog, GWL_EXSTYLE);
      EXPECT_EQ((exStyle & WS_EX_LAYOUTRTL) != 0, rtl) << "language " << lang << ", template " << t.id;
      if (t.id == 107 || t.id == 204) {
        wchar_t title[64] = {};
        ::GetWindowTextW(dialog, title, 64);
        EXPECT_STREQ(title, L"Zarn Radio Minder") << lang << " " << t.id;
      }

      for (const Shown& s : t.shown) {
        const HWND item = ::GetDlgItem(dialog, s.control);
        if (!item) continue;  // a layout without this control
        RECT client = {};
        ::GetClientRect(item, &client);
        const HDC dc = ::GetDC(item);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(item, WM_GETFONT, 0, 0)));
        for (UINT id : s.strings) {
          const std::wstring text = String(id, lang);
          const std::string where = "language " + std::to_string(lang) + (own ? "" : " (English template)") +
                                    ", template " + std::to_string(t.id) + ", control " +
                                    std::to_string(s.control) + ": \"" + Utf8(text) + "\"";
          if (s.kind == kMultiLine) {
            RECT r = {0, 0, client.right, 0};
            ::DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK);
            EXPECT_LE(r.bottom, client.bottom) << where;
            EXPECT_LE(r.right, client.right) << where;
          } else if (s.kind != kTabs) {
            EXPECT_LE(TextWidth(dc, text), Available(s.kind, client.right)) << where;
          }
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(item, dc);

        if (s.kind == kTabs) {
          // Both tabs in one row inside the control.
          for (int i = 0; i < 2; ++i) {
            std::wstring text = String(s.strings[i], lang);
            TCITEMW tab = {};
            tab.mask = TCIF_TEXT;
            tab.pszText = &text[0];
            ::SendMessageW(item, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&tab));
          }
          RECT last = {};
          ::SendMessageW(item, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last));
          EXPECT_LE(last.right, client.right - 2) << "language " << lang << ": tabs";
          EXPECT_EQ(::SendMessageW(item, TCM_GETROWCOUNT, 0, 0), 1) << "language " << lang << ": tabs";
        }
      }
      ::DestroyWindow(dialog);
    }
  }
}

TEST_F(TrayLanguages, EveryPageFitsTheTabOfItsLanguage) {
  for (LANGID lang : kLanguages) {
    bool own = false;
    const HWND window = Create(204, lang, &own);
    ASSERT_NE(window, nullptr) << lang;
    RECT display = {};
    const HWND tab = ::GetDlgItem(window, 1006);
    ::GetClientRect(tab, &display);
    ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (int page = 205; page <= 211; ++page) {
      const HWND dialog = Create(page, lang, &own);
      ASSERT_NE(dialog, nullptr) << lang << " " << page;
      RECT used = {};
      for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        RECT r = {};
        ::GetWindowRect(c, &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        // Mirrored dialogs give mirrored rectangles.
        used.right = std::max(used.right, std::max(r.left, r.right));
        used.bottom = std::max(used.bottom, r.bottom);
      }
      EXPECT_LE(used.right, display.right - display.left) << "language " << lang << ", page " << page;
      EXPECT_LE(used.bottom, display.bottom - display.top) << "language " << lang << ", page " << page;
      ::DestroyWindow(dialog);
    }
    ::DestroyWindow(window);
  }
}

}  // namespace
