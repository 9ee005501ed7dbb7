// The language tables of rmtray and rmpanel (tray/res/lang/*.txt), read as a
// translator leaves them: 25 languages, each with every string of the
// English table of both modules, none empty, and each keeping what the
// programs and their users rely on: the product name, "WLAN", "Bluetooth®",
// line feeds, the status texts' leading spaces, format placeholders, and one
// word per thing within a language, shared by the tray program's settings
// page and the applet.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cctype>

#include <fstream>
#include <map>
#include <sstream>
#include <set>
#include <string>
#include <vector>

namespace {

struct Table {
  std::string file;
  int language = -1;
  bool rtl = false;
  std::map<unsigned, std::string> strings;  // rmtray's
  std::map<unsigned, std::string> applet;   // rmpanel's, after "module rmpanel"
  std::vector<std::string> errors;
};

std::string Unescape(const std::string& s, bool* ok) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    const char next = i + 1 < s.size() ? s[i + 1] : '\0';
    if (next == 'n') out += '\n';
    else if (next == '"' || next == '\\') out += next;
    else *ok = false;
    ++i;
  }
  return out;
}

// "NUMBER rest" with NUMBER all digits: the number and the rest after the
// blanks; false otherwise.
bool SplitNumber(const std::string& line, unsigned long* number, std::string* rest) {
  std::size_t i = 0;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
  if (i == 0 || i >= line.size() || (line[i] != ' ' && line[i] != '\t')) return false;
  *number = std::stoul(line.substr(0, i));
  *rest = line.substr(line.find_first_not_of(" \t", i));
  return true;
}

Table Read(const std::string& path) {
  Table t;
  t.file = path.substr(path.rfind('/') + 1);
  std::ifstream in(path);
  std::string line;
  std::map<unsigned, std::string>* strings = &t.strings;
  for (int n = 1; std::getline(in, line); ++n) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream words(line);
    std::string word;
    words >> word;
    unsigned long number = 0;
    std::string rest;
    if (word == "language") {
      std::string flag;
      words >> t.language >> flag;
      t.rtl = flag == "rtl";
    } else if (word == "module") {
      std::string name;
      words >> name;
      if (name == "rmtray") strings = &t.strings;
      else if (name == "rmpanel") strings = &t.applet;
      else t.errors.push_back("line " + std::to_string(n));
    } else if (word == "grow" || word == "width" || word == "font") {
      // Layout lines belong to the generator.
    } else if (SplitNumber(line, &number, &rest) && rest.size() >= 2 && rest.front() == '"' &&
               rest.back() == '"') {
      bool ok = true;
      const std::string text = Unescape(rest.substr(1, rest.size() - 2), &ok);
      if (!strings->emplace(static_cast<unsigned>(number), text).second || !ok) {
        t.errors.push_back("line " + std::to_string(n));
      }
    } else {
      t.errors.push_back("line " + std::to_string(n));
    }
  }
  return t;
}

std::vector<Table> ReadAll() {
  std::vector<Table> tables;
  if (DIR* dir = ::opendir(RM_LANG_DIR)) {
    while (dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".txt") tables.push_back(Read(RM_LANG_DIR "/" + name));
    }
    ::closedir(dir);
  }
  return tables;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
  return n;
}

// Every "%" with what follows it up to its conversion letter or "%":
// %s, %-5d, %1!s, %%.
std::multiset<std::string> Placeholders(const std::string& text) {
  std::multiset<std::string> found;
  for (auto p = text.find('%'); p != std::string::npos; p = text.find('%', p + 1)) {
    auto e = p + 1;
    while (e < text.size() && !std::isalpha(static_cast<unsigned char>(text[e])) && text[e] != '%') ++e;
    found.insert(text.substr(p, e - p + 1));
    p = e;
  }
  return found;
}

std::size_t LeadingSpaces(const std::string& text) {
  const auto p = text.find_first_not_of(' ');
  return p == std::string::npos ? text.size() : p;
}

class LanguageTables : public ::testing::Test {
 protected:
  void SetUp() override {
    for (Table& t : ReadAll()) {
      if (t.language == 1033) english_ = t;
      else others_.push_back(t);
    }
  }
  Table english_;
  std::vector<Table> others_;
};

TEST_F(LanguageTables, TheTwentyFiveLanguagesEachOnceAndOnlyArabicAndHebrewRightToLeft) {
  std::set<int> languages = {english_.language};
  for (const Table& t : others_) {
    EXPECT_TRUE(languages.insert(t.language).second) << t.file << ": language " << t.language << " twice";
    EXPECT_EQ(t.rtl, t.language == 1025 || t.language == 1037) << t.file;
  }
  EXPECT_EQ(languages, (std::set<int>{10, 1025, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037, 1038, 1040,
                                      1041, 1042, 1043, 1044, 1045, 1046, 1049, 1051, 1053, 1055, 1060, 2052}));
  EXPECT_FALSE(english_.rtl);
}

TEST_F(LanguageTables, EnglishHoldsTheProgramsStringsWithTheirExactSpacing) {
  std::set<unsigned> ids;
  for (const auto& s : english_.strings) ids.insert(s.first);
  const std::set<unsigned> expected = {1,     2,     128,   129,   130,   131,   140,   141,   142,   143,   144,
                                       145,   146,   147,   148,   149,   150,   151,   152,   153,   154,   155,
                                       156,   157,   158,   159,   160,   161,   57346, 57347, 57348, 57349, 57350,
                                       57351, 57352, 57356, 57357, 57358, 57359, 57360, 57361, 57362, 57363, 57364,
                                       57369, 57370, 57371, 57372, 57373, 57374, 57390};
  EXPECT_EQ(ids, expected);
  EXPECT_TRUE(english_.errors.empty());
  EXPECT_EQ(english_.strings[57356], "        WLAN  : On\n");
  EXPECT_EQ(english_.strings[57358], "        WLAN  : Disabled\n");
  EXPECT_EQ(english_.strings[57361], "WLAN : Disabled");
  EXPECT_EQ(english_.strings[57364], "Bluetooth\xC2\xAE : Disabled");
  EXPECT_EQ(english_.strings[128], "Zarn Radio Minder");
}

TEST_F(LanguageTables, EveryTranslationKeepsWhatTheEnglishTextReliesOn) {
  ASSERT_EQ(others_.size(), 24u);
  for (const Table& t : others_) {
    EXPECT_TRUE(t.errors.empty()) << t.file << ": unreadable " << (t.errors.empty() ? "" : t.errors[0]);
    const struct {
      const char* module;
      const std::map<unsigned, std::string>& english;
      const std::map<unsigned, std::string>& strings;
    } modules[] = {{"rmtray", english_.strings, t.strings}, {"rmpanel", english_.applet, t.applet}};
    for (const auto& m : modules) {
      for (const auto& e : m.english) {
        const std::string where = t.file + ", " + m.module + " string " + std::to_string(e.first);
        const auto found = m.strings.find(e.first);
        if (found == m.strings.end()) {
          ADD_FAILURE() << where << ": missing";
          continue;
        }
        const std::string& text = found->second;
        const std::string& en = e.second;
        EXPECT_FALSE(text.empty()) << where;
        if (text.empty()) continue;
        EXPECT_EQ(Count(text, "\xC2\xAE"), Count(en, "\xC2\xAE")) << where << ": \"®\"";
        EXPECT_EQ(Count(text, "\n"), Count(en, "\n")) << where << ": line feeds";
        EXPECT_EQ(text.back() == '\n', en.back() == '\n') << where << ": final line feed";
        EXPECT_EQ(LeadingSpaces(text), LeadingSpaces(en)) << where << ": leading spaces";
        EXPECT_EQ(Placeholders(text), Placeholders(en)) << where << ": placeholders";
        EXPECT_EQ(Count(text, "Zarn Radio Minder"), Count(en, "Zarn Radio Minder")) << where << ": product name";
        EXPECT_EQ(Count(text, "WLAN"), Count(en, "WLAN")) << where << ": \"WLAN\"";
        EXPECT_EQ(Count(text, "Bluetooth\xC2\xAE"), Count(en, "Bluetooth\xC2\xAE")) << where;
      }
      for (const auto& s : m.strings) EXPECT_TRUE(m.english.count(s.first)) << t.file << ": extra " << s.first;
    }
  }
}

TEST_F(LanguageTables, StatusTextsAreTheStateWordsBehindTheEnglishAlignment) {
  // The tooltip's parts: the English label with its spacing, then the
  // language's own word for on (152), off (153) or disabled (151).
  const struct {
    unsigned id;
    const char* label;
    unsigned word;
    const char* end;
  } parts[] = {
      {57356, "        WLAN  : ", 152, "\n"}, {57357, "        WLAN  : ", 153, "\n"},
      {57358, "        WLAN  : ", 151, "\n"}, {57359, "WLAN : ", 152, ""},
      {57360, "WLAN : ", 153, ""},             {57361, "WLAN : ", 151, ""},
      {57362, "Bluetooth\xC2\xAE : ", 152, ""}, {57363, "Bluetooth\xC2\xAE : ", 153, ""},
      {57364, "Bluetooth\xC2\xAE : ", 151, ""},
  };
  for (const Table& t : others_) {
    auto text = [&t](unsigned id) {
      const auto f = t.strings.find(id);
      return f == t.strings.end() ? std::string() : f->second;
    };
    for (const auto& p : parts) {
      EXPECT_EQ(text(p.id), p.label + text(p.word) + p.end) << t.file << ", string " << p.id;
    }
  }
}

TEST_F(LanguageTables, NoticesNameTheOkButtonByItsOwnText) {
  // 129 and 130 tell the user to press OK; the button shows string 142.
  for (const Table& t : others_) {
    const auto ok = t.strings.find(142);
    ASSERT_NE(ok, t.strings.end()) << t.file;
    for (unsigned id : {129u, 130u}) {
      const auto text = t.strings.find(id);
      ASSERT_NE(text, t.strings.end()) << t.file;
      EXPECT_NE(text->second.find(ok->second), std::string::npos) << t.file << ", string " << id;
    }
  }
}

// Characters, not bytes, of a UTF-8 text.
std::size_t Characters(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

TEST_F(LanguageTables, TheAppletsEnglishTextsAndTheirLengthLimit) {
  const std::map<unsigned, std::string> expected = {
      {128, "Zarn Radio Minder"},
      {129, "Configure Zarn Radio Minder settings"},
      {57361, "Properties"},
      {57362, "Cancel"},
      {57364, "OK"},
      {57365, "Application Settings"},
      {57366, "Hide Status Tray Icon"},
      {57367, "Hide BIOS Settings Information"},
      {57368, "Information Bubble Settings"},
      {57369, "Disable Status Change Balloons"},
      {57370, "Disable Initial Status Balloon"},
  };
  EXPECT_EQ(english_.applet, expected);
  // The Control Panel's record holds the item's name in 32 characters and
  // its description in 64, each with the terminator.
  for (const Table& t : others_) {
    const auto info = t.applet.find(129);
    ASSERT_NE(info, t.applet.end()) << t.file;
    EXPECT_LE(Characters(info->second), 63u) << t.file << ": " << info->second;
  }
}

TEST_F(LanguageTables, TheAppletUsesTheWordsOfTheTraySettingsPage) {
  // Applet string, then the tray program's string with the same text.
  const std::pair<unsigned, unsigned> same[] = {{128, 128},     {57361, 141},   {57362, 144},
                                                {57364, 142},   {57365, 57369}, {57366, 57370},
                                                {57367, 57371}, {57368, 57372}, {57369, 57373},
                                                {57370, 57374}};
  std::vector<Table> all = others_;
  all.push_back(english_);
  for (const Table& t : all) {
    for (const auto& p : same) {
      const auto applet = t.applet.find(p.first);
      const auto tray = t.strings.find(p.second);
      ASSERT_TRUE(applet != t.applet.end() && tray != t.strings.end()) << t.file << ", " << p.first;
      EXPECT_EQ(applet->second, tray->second) << t.file << ": applet " << p.first << ", tray " << p.second;
    }
  }
}

}  // namespace
