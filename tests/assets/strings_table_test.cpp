#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "file_test_folder.h"

namespace {

std::string S(const str& s) { return std::string(s.CStr(), s.Length()); }

std::string Row(const char* label, const char* text) {
  return std::string("<Row><Cell><Data>") + label + "</Data></Cell><Cell><Data>" + text +
         "</Data></Cell></Row>\n";
}

class StringTable : public FileTestFolder {
protected:
  void SetUp() override {
    FileTestFolder::SetUp();
    Put("assets/strings.xml", Slurp(ENGINE_FIXTURES_DIR "/files/strings.xml"));
    InitFileSystem();
    ASSERT_TRUE(table.Load("strings.xml"));
  }
  TStringTable table;
};

TEST_F(StringTable, LookupsFillArgumentsAndLabels) {
  struct Case {
    const char* label;
    std::vector<const char*> args;
    const char* expected;
  } cases[] = {
      {"GAME_TITLE", {}, "Lantern Hollow"},
      {"SCORE", {"5", "9"}, "Score: 5 of 9"},
      {"SCORE", {"5"}, "Score: 5 of "},
      {"GREETING", {"Ann"}, "Welcome to Lantern Hollow, Ann!"},
      // A label escape takes the stored text as it is, escapes and all.
      {"NESTED", {"Ann"}, "[Welcome to %GAME_TITLE%, %1%!]"},
      {"SCORE", {"%GAME_TITLE%", "%%"}, "Score: Lantern Hollow of %"},
      {"SCORE", {"%NOPE%", "1"}, "#####"},
      {"SCORE", {"%half", "1"}, "#####"},
      {"AMP", {}, "Salt & pepper \xE9"},
      {"RICH", {}, "Plain "},
      {"EMPTY", {}, ""},
      {"Percent", {}, "100% sure"},
      {"TRAILING", {}, "50%"},
      {"LONE", {}, "#####"},
      {"ZERO", {"a"}, "#####"},
      {"SIX", {"a", "b", "c", "d", "e"}, "#####"},
      {"game_title", {}, "#####"},
      {"MISSING", {}, "#####"},
  };
  for (const Case& c : cases) {
    str a[5];
    for (size_t i = 0; i < c.args.size(); ++i) a[i] = c.args[i];
    EXPECT_EQ(S(table.GetString(c.label, a[0], a[1], a[2], a[3], a[4])), c.expected) << c.label;
  }
}

TEST_F(StringTable, ArgumentEscapesReadTheirNumberByValue) {
  Put("user/strings_num.xml", Row("PADDED", "&lt;%01%|%0002%&gt;") + Row("HUGE", "%99999999999%") +
                                  Row("NOUGHTS", "%000%"));
  ClearFileIndex();
  InitFileSystem();
  ASSERT_TRUE(table.AddStrings("user:strings_num.xml"));
  EXPECT_EQ(S(table.GetString("PADDED", "a", "b")), "<a|b>");
  EXPECT_EQ(S(table.GetString("HUGE", "a")), "#####");
  EXPECT_EQ(S(table.GetString("NOUGHTS", "a")), "#####");
}

TEST_F(StringTable, FailuresAreLoggedUnlessQuiet) {
  OpenEngineLog((mRoot + "/log").c_str());
  table.GetString("TRAILING");
  table.GetString("MISSING");
  table.SetQuiet(true);
  table.GetString("QUIETLY_MISSING");
  table.GetString("EMPTY");
  std::string log = Slurp(S(GetLogFilePath()));
  OpenEngineLog(nullptr);
  EXPECT_NE(log.find("Non-matched percent (%) escape found in string TRAILING, '50%'"),
            std::string::npos);
  EXPECT_NE(log.find(" ##### : Missing string for label 'MISSING'"), std::string::npos);
  EXPECT_EQ(log.find("QUIETLY_MISSING"), std::string::npos);
  EXPECT_EQ(log.find("EMPTY"), std::string::npos);
}

TEST_F(StringTable, LaterFilesWinCommonOverUserOverShipped) {
  Put("user/strings_fr.xml", Row("GAME_TITLE", "User title") + Row("ONLY_USER", "u"));
  Put("common/Strings2.XML", Row("GAME_TITLE", "Common title"));
  Put("user/notes.xml", Row("GAME_TITLE", "not a string file"));
  Put("user/sub/strings.xml", Row("GAME_TITLE", "not top level"));
  ClearFileIndex();
  InitFileSystem();
  table.AddFolderStrings("user:");
  EXPECT_EQ(S(table.GetString("GAME_TITLE")), "User title");
  table.AddFolderStrings("common:");
  EXPECT_EQ(S(table.GetString("GAME_TITLE")), "Common title");
  EXPECT_EQ(S(table.GetString("ONLY_USER")), "u");
  EXPECT_EQ(S(table.GetString("SCORE", "1", "2")), "Score: 1 of 2");
}

TEST_F(StringTable, LoadReplacesAndAMissingFileEmpties) {
  EXPECT_FALSE(table.AddStrings("nothing.xml"));
  EXPECT_EQ(S(table.GetString("GAME_TITLE")), "Lantern Hollow");
  EXPECT_FALSE(table.Load("nothing.xml"));
  EXPECT_EQ(table.GetCount(), 0u);
}

TEST_F(StringTable, DamagedFilesAddWhatTheyHold) {
  // A cell cut by the end of the file, a label cell without ">", a compressed file that
  // does not inflate.
  Put("user/strings_cut.xml", Row("A", "a") + "<Row><Data>B</Data><Data>never closed");
  Put("user/strings_odd.xml", "<Row><Data");
  Put("user/strings_z.xml", std::string("ZXML\x10\0\0\0\x10\0\0\0garbage", 19));
  ClearFileIndex();
  InitFileSystem();
  EXPECT_TRUE(table.AddStrings("user:strings_cut.xml"));
  EXPECT_TRUE(table.AddStrings("user:strings_odd.xml"));
  EXPECT_FALSE(table.AddStrings("user:strings_z.xml"));
  EXPECT_EQ(S(table.GetString("A")), "a");
  EXPECT_EQ(S(table.GetString("B")), "never closed");
  EXPECT_EQ(S(table.GetString("GAME_TITLE")), "Lantern Hollow");
}

// A damaged string file is named in the log once, with where it goes wrong, so the missing
// labels that follow have a cause; a whole file logs nothing.
TEST_F(StringTable, DamagedFilesAreNamedInTheLogOnce) {
  const std::string head = "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n";
  const std::string whole =
      head + Row("A", "a") + Row("B", "b") + "</Table></Worksheet></Workbook>\n";
  const struct {
    const char* file;
    std::string text;
    const char* line;  // expected in the log; null: nothing
  } cases[] = {
      {"strings_whole.xml", whole, nullptr},
      {"strings_rows.xml", Row("A", "a"), nullptr},  // rows alone, no table around them
      {"strings_cut.xml", whole.substr(0, whole.find("</Table>")),
       "strings_cut.xml is damaged at line 5: the file ends before its table is closed"},
      {"strings_mid.xml", whole.substr(0, whole.find("b</Data>")),
       "strings_mid.xml is damaged at line 4: a row is not closed"},
      {"strings_cell.xml", head + "<Row><Cell><Data>A</Cell><Cell><Data>a</Data></Cell></Row>\n",
       "strings_cell.xml is damaged at line 3: a cell is not closed"},
  };
  for (const auto& c : cases) Put(std::string("user/") + c.file, c.text);
  ClearFileIndex();
  InitFileSystem();
  OpenEngineLog((mRoot + "/log").c_str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const size_t before = Slurp(S(GetLogFilePath())).size();
    EXPECT_TRUE(table.AddStrings(str("user:") + c.file));
    table.GetString("A");
    table.GetString("GONE");
    const std::string log = Slurp(S(GetLogFilePath())).substr(before);
    if (!c.line) {
      EXPECT_EQ(log.find("damaged"), std::string::npos) << log;
      continue;
    }
    const size_t at = log.find(c.line);
    EXPECT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find("damaged", at + std::strlen(c.line)), std::string::npos)
        << "once, not per lookup";
  }
  OpenEngineLog(nullptr);
}

TEST_F(StringTable, FlashLabelsPreferThePrefix) {
  std::vector<str> labels;
  table.GetFlashStrings(labels);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(S(labels[0]), "FLASH_INTRO");

  Put("user/strings_flash.xml", Row("flash01_02", "x") + Row("flash7", "y") + Row("flashy", "z"));
  ClearFileIndex();
  InitFileSystem();
  TStringTable other;
  ASSERT_TRUE(other.Load("user:strings_flash.xml"));
  labels.clear();
  other.GetFlashStrings(labels);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(S(labels[0]), "flash01_02");
  EXPECT_EQ(S(labels[1]), "flash7");
}

}  // namespace
