// rmtray.exe and rmpanel.cpl in their 25 languages: every string of every
// language's table is there, and every text fits the control that shows it,
// measured with the control's own font in the template the dialog manager
// picks for that language (the localised copy, else the English one); group
// captions are measured as the programs' group boxes draw them. The pages
// must also fit the tab's display area of the language's window, and both
// programs' settings pages share one font. DisplayScaleTest runs these at
// 144 and 192 DPI too.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <uxtheme.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "common/ui/ResourceString.h"
#include "tests/support/ResourceIds.h"
#include "tests/system/tray/ScreenPixels.h"
#include "tests/support/TrayMachine.h"
#include "tests/windows/tray/DisplayScale.h"

namespace {

const LANGID kLanguages[] = {10,   1025, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037, 1038, 1040,
                             1041, 1042, 1043, 1044, 1045, 1046, 1049, 1051, 1053, 1055, 1060, 2052};
const LANGID kRightToLeft[] = {1025, 1037};
const LANGID kEnglish = 1033;

// Every language; in a scaled run (DisplayScaleTest) English and Greek, the
// language with the longest texts.
std::vector<LANGID> LanguagesOfRun() {
  if (traytest::ScaledRunDpi()) return {kEnglish, 1032};
  return std::vector<LANGID>(std::begin(kLanguages), std::end(kLanguages));
}

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
const std::vector<TemplateTexts> kTrayTemplates = {
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

const std::vector<TemplateTexts> kPanelTemplates = {
    {201, {{1007, kTabs, {57361}}, {1, kPush, {57364}}, {2, kPush, {57362}}}},
    {202,
     {{1001, kGroup, {57365}},
      {1003, kCheck, {57366}},
      {1004, kCheck, {57367}},
      {1002, kGroup, {57368}},
      {1005, kCheck, {57369}},
      {1006, kCheck, {57370}}}},
};

// A module's strings and templates; `window` holds the tab control `tab`
// that shows the `pages`; the `titled` templates read "Zarn Radio Minder".
// The tab sizes each page to its display area: the status layouts are wider
// than it and only their controls must fit; the applet's page fits whole.
struct ModuleTexts {
  const char* file;
  std::vector<UINT> strings;
  const std::vector<TemplateTexts>* templates;
  int window;
  int tab;
  std::vector<int> pages;
  std::vector<int> titled;
  bool pagesFitWhole;
};
const ModuleTexts kModules[] = {
    {"tray/rmtray.exe",
     {1,     2,     128,   129,   130,   131,   140,   141,   142,   143,   144,   145,   146,
      147,   148,   149,   150,   151,   152,   153,   154,   155,   156,   157,   158,   159,
      160,   161,   57346, 57347, 57348, 57349, 57350, 57351, 57352, 57356, 57357, 57358, 57359,
      57360, 57361, 57362, 57363, 57364, 57369, 57370, 57371, 57372, 57373, 57374, 57390},
     &kTrayTemplates,
     204,
     IDC_PROPS_TAB,
     {205, 206, 207, 208, 209, 210, 211},
     {107, 204},
     false},
    {"panel/rmpanel.cpl",
     {128, 129, 57361, 57362, 57364, 57365, 57366, 57367, 57368, 57369, 57370},
     &kPanelTemplates,
     201,
     IDC_PANEL_TAB,
     {202},
     {201},
     true},
};

// gtest names the module by its file in messages.
void PrintTo(const ModuleTexts& m, std::ostream* os) { *os << m.file; }

std::string Utf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// One module's resources, loaded as data: its strings and its templates
// by language.
class Languages : public ::testing::TestWithParam<ModuleTexts> {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    host_ = ::CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  }
  static void TearDownTestSuite() {
    if (host_) ::DestroyWindow(host_);
  }
  void SetUp() override {
    path_ = traytest::BuildPath(GetParam().file);
    module_ = ::LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << path_;
  }
  void TearDown() override {
    if (module_) ::FreeLibrary(module_);
  }

  // String `id` of language `lang`'s own table, empty when it has none.
  std::wstring String(UINT id, LANGID lang) const {
    HRSRC block = ::FindResourceExW(module_, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), lang);
    if (!block) return std::wstring();
    auto p = static_cast<const WCHAR*>(::LockResource(::LoadResource(module_, block)));
    for (UINT i = 0; i < id % 16; ++i) p += 1 + *p;
    return std::wstring(p + 1, *p);
  }

  // The language's copy of template `id`, else the English one; null when
  // neither exists. `own` tells which.
  const DLGTEMPLATE* Template(int id, LANGID lang, bool* own) const {
    HRSRC res = ::FindResourceExW(module_, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), lang);
    *own = res != nullptr;
    if (!res) res = ::FindResourceExW(module_, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), kEnglish);
    return res ? static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(module_, res))) : nullptr;
  }

  HWND Create(int id, LANGID lang, bool* own) const {
    const DLGTEMPLATE* t = Template(id, lang, own);
    return t ? ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), t, host_, &NoHandling, 0) : nullptr;
  }

  std::string path_;
  HMODULE module_ = nullptr;
  static HWND host_;
};
HWND Languages::host_ = nullptr;

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

// Width in pixels of `units` horizontal dialog units of `dialog`.
int Pixels(HWND dialog, int units) {
  RECT r = {0, 0, units, 0};
  ::MapDialogRect(dialog, &r);
  return r.right;
}

// The common controls 6 of the programs' manifests (rmtray.exe's, which
// rmpanel.cpl's matches), active while it lives: windows created meanwhile
// are the controls the programs show.
class CommonControls6 {
 public:
  CommonControls6() {
    const std::wstring path = rm::Utf16(traytest::TrayExe());
    ACTCTXW context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    context_ = ::CreateActCtxW(&context);
    if (context_ != INVALID_HANDLE_VALUE && !::ActivateActCtx(context_, &cookie_)) cookie_ = 0;
  }
  ~CommonControls6() {
    if (cookie_) ::DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
  }
  CommonControls6(const CommonControls6&) = delete;
  CommonControls6& operator=(const CommonControls6&) = delete;
  bool active() const { return cookie_ != 0; }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

// The client area of `window` as it paints itself (WM_PRINTCLIENT) over a
// background no control paints.
constexpr DWORD kUnpainted = 0x00FF00FF;
std::vector<DWORD> Painted(HWND window, int width, int height) {
  return traytest::Pixels(nullptr, 0, 0, width, height, [&](HDC dc) {
    const RECT all = {0, 0, width, height};
    const rm::UniqueBrush unpainted(::CreateSolidBrush(RGB(0xFF, 0x00, 0xFF)));  // kUnpainted
    ::FillRect(dc, &all, unpainted.get());
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  });
}

// The room in pixels that group box `box` leaves between its caption
// `text` and its frame, as a group box of the programs draws them: the
// caption starts a few pixels right of the frame's left edge, on its own
// background that reaches past the text, and must end before the inner edge
// of the frame's right side. Measured on a common controls 6 group box of
// the same size, style and font beside `box` (`themed` or in the classic
// look): the columns the caption changes, against the frame's inner edge
// halfway down. Negative: the caption runs into or past the frame.
int CaptionRoom(HWND box, const std::wstring& text, bool themed) {
  RECT client = {};
  ::GetClientRect(box, &client);
  const int width = client.right;
  const int height = client.bottom;
  HWND copy = nullptr;
  {
    CommonControls6 controls;
    if (!controls.active()) return -1000;
    copy = ::CreateWindowExW(0, L"Button", L"", static_cast<DWORD>(::GetWindowLongW(box, GWL_STYLE)) & ~WS_VISIBLE,
                             0, 0, width, height, ::GetParent(box), nullptr, nullptr, nullptr);
  }
  if (!copy) return -1000;
  ::SendMessageW(copy, WM_SETFONT, ::SendMessageW(box, WM_GETFONT, 0, 0), FALSE);
  // A class list no theme has turns the theme off (empty ones are refused).
  if (!themed) ::SetWindowTheme(copy, L" ", L" ");
  const std::vector<DWORD> frame = Painted(copy, width, height);
  ::SetWindowTextW(copy, text.c_str());
  const std::vector<DWORD> captioned = Painted(copy, width, height);
  ::DestroyWindow(copy);
  if (frame.empty() || captioned.size() != frame.size()) return -1000;

  int captionEnd = 0;  // one past the last column the caption changes
  for (int y = 0; y < height; ++y) {
    for (int x = captionEnd; x < width; ++x) {
      if (frame[y * width + x] != captioned[y * width + x]) captionEnd = x + 1;
    }
  }
  const int row = height / 2;
  int inner = width;  // the frame's right side: its run of painted pixels
  while (inner > 0 && frame[row * width + inner - 1] == kUnpainted) --inner;
  while (inner > 0 && frame[row * width + inner - 1] != kUnpainted) --inner;
  return inner - captionEnd;
}

// The least room between a group caption and its frame.
constexpr int kCaptionGap = 2;

TEST_P(Languages, EveryLanguageHasEveryStringAndKeepsTheProductName) {
  for (LANGID lang : LanguagesOfRun()) {
    for (UINT id : GetParam().strings) {
      EXPECT_FALSE(String(id, lang).empty()) << path_ << ": language " << lang << ", string " << id;
    }
    EXPECT_EQ(String(128, lang), L"Zarn Radio Minder") << path_ << ": " << lang;
    if (GetParam().window == 204) {
      EXPECT_EQ(String(147, lang), L"Bluetooth\u00AE") << lang;
    }
  }
}

// Margins in pixels around a text inside its control, as the controls draw
// them: a push button's frame and focus rectangle (8 pixels at 96 DPI,
// scaled), a check box's box and gap. Group captions are measured as drawn (CaptionRoom).
int ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

int Available(Kind kind, int width) {
  switch (kind) {
    case kPush: return width - ::MulDiv(8, ScreenDpi(), 96);
    case kCheck: return width - ::GetSystemMetrics(SM_CXMENUCHECK) - 4;
    default: return width;
  }
}

TEST_P(Languages, EveryTextFitsItsControlInEveryTemplate) {
  for (LANGID lang : LanguagesOfRun()) {
    for (const TemplateTexts& t : *GetParam().templates) {
      bool own = false;
      const HWND dialog = Create(t.id, lang, &own);
      ASSERT_NE(dialog, nullptr) << path_ << ": language " << lang << ", template " << t.id;
      bool englishOwn = false;
      const HWND english = Create(t.id, kEnglish, &englishOwn);
      EXPECT_EQ(ChildCount(dialog), ChildCount(english)) << lang << " " << t.id;
      ::DestroyWindow(english);

      const bool rtl = std::find(std::begin(kRightToLeft), std::end(kRightToLeft), lang) != std::end(kRightToLeft);
      const LONG exStyle = ::GetWindowLongW(dialog, GWL_EXSTYLE);
      EXPECT_EQ((exStyle & WS_EX_LAYOUTRTL) != 0, rtl) << "language " << lang << ", template " << t.id;
      const auto& titled = GetParam().titled;
      if (std::find(titled.begin(), titled.end(), t.id) != titled.end()) {
        wchar_t title[64] = {};
        ::GetWindowTextW(dialog, title, 64);
        EXPECT_STREQ(title, L"Zarn Radio Minder") << lang << " " << t.id;
      }

      // The English templates and texts are the given ones, sized for
      // Windows' Tahoma; Wine's Tahoma draws some of them 1 to 4 pixels
      // wider than their rectangles leave. The localised copies are sized
      // here, so they are measured in the font at hand. The tabs and the
      // group captions are measured in every language.
      const bool measured = lang != kEnglish;
      for (const Shown& s : t.shown) {
        const HWND item = ::GetDlgItem(dialog, s.control);
        if (!item) continue;  // a layout without this control
        RECT client = {};
        ::GetClientRect(item, &client);
        const HDC dc = ::GetDC(item);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(item, WM_GETFONT, 0, 0)));
        for (UINT id : s.strings) {
          if (!measured && s.kind != kGroup) break;
          const std::wstring text = String(id, lang);
          const std::string where = "language " + std::to_string(lang) + (own ? "" : " (English template)") +
                                    ", template " + std::to_string(t.id) + ", control " +
                                    std::to_string(s.control) + ": \"" + Utf8(text) + "\"";
          if (s.kind == kMultiLine) {
            RECT r = {0, 0, client.right, 0};
            ::DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK);
            EXPECT_LE(r.bottom, client.bottom) << where;
            EXPECT_LE(r.right, client.right) << where;
          } else if (s.kind == kGroup) {
            EXPECT_GE(CaptionRoom(item, text, true), kCaptionGap) << where << " (themed)";
            EXPECT_GE(CaptionRoom(item, text, false), kCaptionGap) << where << " (classic)";
          } else if (s.kind != kTabs) {
            EXPECT_LE(TextWidth(dc, text), Available(s.kind, client.right)) << where;
          }
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(item, dc);

        if (s.kind == kTabs) {
          // Every tab in one row inside the control.
          const int count = static_cast<int>(s.strings.size());
          for (int i = 0; i < count; ++i) {
            std::wstring text = String(s.strings[static_cast<std::size_t>(i)], lang);
            TCITEMW tab = {};
            tab.mask = TCIF_TEXT;
            tab.pszText = &text[0];
            ::SendMessageW(item, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&tab));
          }
          RECT last = {};
          ::SendMessageW(item, TCM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
          EXPECT_LE(last.right, client.right - 2) << "language " << lang << ": tabs";
          EXPECT_EQ(::SendMessageW(item, TCM_GETROWCOUNT, 0, 0), 1) << "language " << lang << ": tabs";
        }
      }
      ::DestroyWindow(dialog);
    }
  }
}

TEST_P(Languages, EveryPageFitsTheTabOfItsLanguage) {
  for (LANGID lang : LanguagesOfRun()) {
    bool own = false;
    const HWND window = Create(GetParam().window, lang, &own);
    ASSERT_NE(window, nullptr) << path_ << ": " << lang;
    RECT display = {};
    const HWND tab = ::GetDlgItem(window, GetParam().tab);
    ::GetClientRect(tab, &display);
    ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (int page : GetParam().pages) {
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
      EXPECT_LE(used.right, display.right - display.left) << path_ << ": language " << lang << ", page " << page;
      RECT size = {};
      ::GetClientRect(dialog, &size);
      if (GetParam().pagesFitWhole) {
        EXPECT_LE(size.right, display.right - display.left) << path_ << ": language " << lang << ", page " << page;
      }
      EXPECT_LE(used.bottom, display.bottom - display.top) << path_ << ": language " << lang << ", page " << page;
      ::DestroyWindow(dialog);
    }
    ::DestroyWindow(window);
  }
}

INSTANTIATE_TEST_SUITE_P(TrayAndApplet, Languages, ::testing::ValuesIn(kModules),
                         [](const ::testing::TestParamInfo<ModuleTexts>& info) {
                           return std::string(info.param.window == 204 ? "rmtray" : "rmpanel");
                         });

// The settings page of rmtray (205) and the applet's page (202), in every
// language's copy: both ask for the shell dialog font ("MS Shell Dlg" with
// the shell font style) and get the same font.
TEST(AppletLanguages, TheTrayAndTheAppletSettingsPagesShareTheirFont) {
  const HMODULE tray = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HMODULE applet =
      ::LoadLibraryExA(traytest::BuildPath("panel/rmpanel.cpl").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(tray, nullptr);
  ASSERT_NE(applet, nullptr);
  const HWND host = ::CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr,
                                      nullptr);
  for (LANGID lang : LanguagesOfRun()) {
    LOGFONTW fonts[2] = {};
    const struct {
      HMODULE module;
      int id;
    } pages[] = {{tray, 205}, {applet, 202}};
    for (int i = 0; i < 2; ++i) {
      HRSRC res = ::FindResourceExW(pages[i].module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(pages[i].id), lang);
      if (!res) res = ::FindResourceExW(pages[i].module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(pages[i].id), kEnglish);
      ASSERT_NE(res, nullptr) << lang << " " << pages[i].id;
      const auto t = static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(pages[i].module, res)));
      const HWND page = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), t, host, &NoHandling, 0);
      ASSERT_NE(page, nullptr) << lang << " " << pages[i].id;
      const auto style = static_cast<DWORD>(::GetWindowLongW(page, GWL_STYLE));
      EXPECT_EQ(style & DS_SHELLFONT, DWORD(DS_SHELLFONT)) << lang << " " << pages[i].id;
      const auto font = reinterpret_cast<HFONT>(::SendMessageW(page, WM_GETFONT, 0, 0));
      EXPECT_TRUE(font && ::GetObjectW(font, sizeof fonts[i], &fonts[i])) << lang << " " << pages[i].id;
      ::DestroyWindow(page);
    }
    EXPECT_STREQ(fonts[0].lfFaceName, L"MS Shell Dlg") << lang;
    EXPECT_STREQ(fonts[1].lfFaceName, fonts[0].lfFaceName) << lang;
    EXPECT_EQ(fonts[1].lfHeight, fonts[0].lfHeight) << lang;
    EXPECT_EQ(fonts[1].lfWeight, fonts[0].lfWeight) << lang;
  }
  ::DestroyWindow(host);
  ::FreeLibrary(applet);
  ::FreeLibrary(tray);
}

// The applet's page in Italian and Russian: the widths its layout gives
// those languages (page, then both group boxes), in dialog units.
TEST(AppletLanguages, ItalianAndRussianPagesHaveTheirOwnWidths) {
  const std::string path = traytest::BuildPath("panel/rmpanel.cpl");
  const HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << path;
  const HWND host = ::CreateWindowExW(0, L"Static", L"host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr,
                                      nullptr);
  const struct {
    LANGID lang;
    int page, groups;
  } widths[] = {{1033, 238, 185}, {1040, 249, 203}, {1049, 285, 239}};
  for (const auto& w : widths) {
    HRSRC res = ::FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(202), w.lang);
    ASSERT_NE(res, nullptr) << w.lang;
    const auto t = static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(module, res)));
    const HWND page = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), t, host, &NoHandling, 0);
    ASSERT_NE(page, nullptr) << w.lang;
    RECT client = {};
    ::GetClientRect(page, &client);
    EXPECT_EQ(client.right, Pixels(page, w.page)) << w.lang;
    for (int group : {IDC_PANEL_GROUP_APP, IDC_PANEL_GROUP_BALLOONS}) {
      RECT box = {};
      ::GetClientRect(::GetDlgItem(page, group), &box);
      EXPECT_EQ(box.right, Pixels(page, w.groups)) << w.lang << " " << group;
    }
    ::DestroyWindow(page);
  }
  ::DestroyWindow(host);
  ::FreeLibrary(module);
}

}  // namespace
