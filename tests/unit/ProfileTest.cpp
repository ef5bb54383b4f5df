// The native profile reader: section and key matching, blanks, first
// occurrence, cut values, line ends, and files no one should feed it.
#include "settings/Profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/DrvTypes.h"

namespace {

namespace fs = std::filesystem;

class ProfileReader : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "profile-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    Dir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }

  std::string Write(const std::string& Bytes, const char* Name = "test.ini") {
    const std::string path = (Dir / Name).string();
    std::ofstream f(path, std::ios::binary);
    f.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return path;
  }

  // One lookup; Value starts as garbage so that "left empty" is seen.
  static std::string Get(const std::string& File, const char* Section, const char* Key) {
    auto e = std::make_unique<TProfileEntry>();
    std::memset(e->Value, 'G', sizeof e->Value);
    e->Section = Section;
    e->Key = Key;
    ReadProfile(File.c_str(), e.get(), 1);
    return e->Value;
  }

  fs::path Dir;
};

// ---- Matching ----------------------------------------------------------

TEST_F(ProfileReader, FindsTheValueOfAKeyInItsSection) {
  const auto f = Write("[Setup]\nHiddenText=0\n[Layer3]\nColor=#FF0000\nOpacity=50\n");
  EXPECT_EQ(Get(f, "Setup", "HiddenText"), "0");
  EXPECT_EQ(Get(f, "Layer3", "Color"), "#FF0000");
  EXPECT_EQ(Get(f, "Layer3", "Opacity"), "50");
}

TEST_F(ProfileReader, KeyIsOnlyFoundInItsOwnSection) {
  const auto f = Write("[Layer1]\nOpacity=10\n[Layer2]\nZOrder=5\n");
  EXPECT_EQ(Get(f, "Layer2", "Opacity"), "");
  EXPECT_EQ(Get(f, "Layer1", "ZOrder"), "");
}

TEST_F(ProfileReader, SectionAndKeyNamesMatchRegardlessOfCase) {
  const auto f = Write("[sEtUP]\nhiddenTEXT=7\n");
  EXPECT_EQ(Get(f, "Setup", "HiddenText"), "7");
  EXPECT_EQ(Get(f, "SETUP", "hiddentext"), "7");
}

TEST_F(ProfileReader, ValueKeepsItsLetterCase) {
  const auto f = Write("[A]\nk=#aBcDeF\n");
  EXPECT_EQ(Get(f, "A", "k"), "#aBcDeF");
}

TEST_F(ProfileReader, NamesMustMatchWhole) {
  const auto f = Write("[Layer1]\nOpacity=1\n[Layer10]\nOpacityX=2\n");
  EXPECT_EQ(Get(f, "Layer", "Opacity"), "");
  EXPECT_EQ(Get(f, "Layer10", "Opacity"), "");
  EXPECT_EQ(Get(f, "Layer1", "Opac"), "");
  EXPECT_EQ(Get(f, "Layer01", "Opacity"), "");
}

TEST_F(ProfileReader, BlanksAroundNamesAndValuesDontCount) {
  const auto f = Write("  \t[ \tLayer5\t ]  \n \t Opacity \t= \t 42 x \t \n");
  EXPECT_EQ(Get(f, "Layer5", "Opacity"), "42 x");
}

TEST_F(ProfileReader, BlanksInsideANameDoCount) {
  const auto f = Write("[Layer 5]\nOpacity=1\n[Layer5]\nOpa city=2\n");
  EXPECT_EQ(Get(f, "Layer5", "Opacity"), "");
  EXPECT_EQ(Get(f, "Layer 5", "Opacity"), "1");
}

TEST_F(ProfileReader, ValueRunsToTheLineEndAndMayHoldEqualsSigns) {
  const auto f = Write("[A]\nk=a=b;c ]\n");
  EXPECT_EQ(Get(f, "A", "k"), "a=b;c ]");
}

TEST_F(ProfileReader, TextAfterTheSectionBracketIsIgnored) {
  const auto f = Write("[A] ; comment\nk=1\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
}

TEST_F(ProfileReader, CommentedKeyIsAnotherKey) {
  const auto f = Write("[A]\n;k=1\n");
  EXPECT_EQ(Get(f, "A", "k"), "");
}

TEST_F(ProfileReader, LinesBeforeTheFirstSectionBelongToNone) {
  const auto f = Write("k=1\n[A]\nk=2\n");
  EXPECT_EQ(Get(f, "A", "k"), "2");
  EXPECT_EQ(Get(f, "", "k"), "");
}

TEST_F(ProfileReader, UnclosedSectionLineIsIgnoredAndTheSectionGoesOn) {
  const auto f = Write("[A]\n[B\nk=1\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
  EXPECT_EQ(Get(f, "B", "k"), "");
}

TEST_F(ProfileReader, EmptyValueIsEmpty) {
  const auto f = Write("[A]\nk=\nj=   \n");
  EXPECT_EQ(Get(f, "A", "k"), "");
  EXPECT_EQ(Get(f, "A", "j"), "");
}

TEST_F(ProfileReader, LineWithoutEqualsOrNameIsNoValue) {
  // "=5" names the empty key: its name runs to the first '='.
  const auto f = Write("[A]\n=5\njust words\nk=1\n");
  EXPECT_EQ(Get(f, "A", ""), "5");
  EXPECT_EQ(Get(f, "A", "=5"), "");
  EXPECT_EQ(Get(f, "A", "just words"), "");
  EXPECT_EQ(Get(f, "A", "k"), "1");
}

// ---- First occurrence wins ----------------------------------------------

TEST_F(ProfileReader, FirstLineOfAKeyWins) {
  const auto f = Write("[A]\nk=1\nK=2\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
}

TEST_F(ProfileReader, FirstLineWinsEvenWhenItsValueIsEmpty) {
  const auto f = Write("[A]\nk=\nk=2\n");
  EXPECT_EQ(Get(f, "A", "k"), "");
}

TEST_F(ProfileReader, KeyWithoutEqualsHidesALaterLine) {
  const auto f = Write("[A]\nk\nk=2\n");
  EXPECT_EQ(Get(f, "A", "k"), "");
}

TEST_F(ProfileReader, OnlyTheFirstSectionOfANameIsSearched) {
  const auto f = Write("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\nj=4\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
  EXPECT_EQ(Get(f, "A", "j"), "");
  EXPECT_EQ(Get(f, "B", "k"), "2");
}

TEST_F(ProfileReader, RepeatedSectionRightAfterTheFirstIsNotSearched) {
  const auto f = Write("[A]\n[A]\nk=1\n");
  EXPECT_EQ(Get(f, "A", "k"), "");
}

// ---- Missing things -----------------------------------------------------

TEST_F(ProfileReader, MissingFileSectionOrKeyLeavesTheValueEmpty) {
  const auto f = Write("[A]\nk=1\n");
  EXPECT_EQ(Get((Dir / "none.ini").string(), "A", "k"), "");
  EXPECT_EQ(Get(f, "B", "k"), "");
  EXPECT_EQ(Get(f, "A", "j"), "");
}

TEST_F(ProfileReader, NoFileNameLeavesEveryValueEmpty) {
  auto e = std::make_unique<TProfileEntry[]>(2);
  for (int i = 0; i < 2; ++i) {
    std::strcpy(e[i].Value, "stale");
    e[i].Section = "A";
    e[i].Key = "k";
  }
  ReadProfile(nullptr, e.get(), 2);
  EXPECT_STREQ(e[0].Value, "");
  EXPECT_STREQ(e[1].Value, "");
}

TEST_F(ProfileReader, EmptyFileHasNoValues) {
  const auto f = Write("");
  EXPECT_EQ(Get(f, "A", "k"), "");
}

TEST_F(ProfileReader, DirectoryIsNoFile) {
  fs::create_directory(Dir / "sub.ini");
  EXPECT_EQ(Get((Dir / "sub.ini").string(), "A", "k"), "");
}

TEST_F(ProfileReader, PipeIsNoFileAndDoesntBlock) {
  const std::string path = (Dir / "fifo.ini").string();
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(Get(path, "A", "k"), "");
}

TEST_F(ProfileReader, DeviceIsNoFile) {
  EXPECT_EQ(Get("/dev/zero", "A", "k"), "");
}

// ---- One pass, many entries ----------------------------------------------

TEST_F(ProfileReader, FillsEveryEntryInOnePass) {
  const auto f = Write("[S]\nh=1\n[L0]\nc=#1\no=50\n[L1]\nz=7\n[L0]\nz=9\n");
  const char* want[][3] = {{"S", "h", "1"},  {"L0", "c", "#1"}, {"L0", "o", "50"},
                           {"L0", "z", ""},  {"L1", "z", "7"},  {"L1", "c", ""},
                           {"l0", "C", "#1"}, {"X", "h", ""}};
  constexpr int n = sizeof want / sizeof want[0];
  auto e = std::make_unique<TProfileEntry[]>(n);
  for (int i = 0; i < n; ++i) {
    e[i].Section = want[i][0];
    e[i].Key = want[i][1];
    std::strcpy(e[i].Value, "stale");
  }
  ReadProfile(f.c_str(), e.get(), n);
  for (int i = 0; i < n; ++i) {
    EXPECT_STREQ(e[i].Value, want[i][2]) << want[i][0] << "/" << want[i][1];
  }
}

TEST_F(ProfileReader, ReadsTheSameFileAgainAlike) {
  const auto f = Write("[A]\nk=1\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
  EXPECT_EQ(Get(f, "A", "k"), "1");
}

// ---- Value length -------------------------------------------------------

TEST_F(ProfileReader, ValueOf2047CharactersIsWhole) {
  const std::string v(2047, 'a');
  const auto f = Write("[A]\nk=" + v + "\n");
  EXPECT_EQ(Get(f, "A", "k"), v);
}

TEST_F(ProfileReader, LongerValueIsCutAt2047Characters) {
  const std::string v = std::string(2047, 'a') + "bcdef";
  const auto f = Write("[A]\nk=" + v + "\nj=1\n");
  EXPECT_EQ(Get(f, "A", "k"), std::string(2047, 'a'));
  EXPECT_EQ(Get(f, "A", "j"), "1");
}

TEST_F(ProfileReader, ValueIsCutAfterItsOuterBlanksAreDropped) {
  // Leading blanks don't use up the 2,047; inner blanks do.
  const std::string lead(5000, ' ');
  const std::string v = std::string(2040, 'a') + std::string(10, ' ') + "b";
  const auto f = Write("[A]\nk=" + lead + v + "   \nj=" + lead + "x" + lead + "\n");
  EXPECT_EQ(Get(f, "A", "k"), std::string(2040, 'a') + std::string(7, ' '));
  EXPECT_EQ(Get(f, "A", "j"), "x");
}

TEST_F(ProfileReader, NamesAfterLongBlanksStillMatch) {
  const std::string pad(100000, ' ');
  const auto f = Write(pad + "[" + pad + "A" + pad + "]\n" + pad + "k" + pad + "=" + pad + "1\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
}

TEST_F(ProfileReader, OverlongNameMatchesNothing) {
  const std::string name(65, 'n');
  const auto f = Write("[" + name + "]\nk=1\n[A]\n" + name + "=2\n");
  EXPECT_EQ(Get(f, name.c_str(), "k"), "");
  EXPECT_EQ(Get(f, "A", name.c_str()), "");
  const std::string fits(64, 'n');
  const auto g = Write("[" + fits + "]\n" + fits + "=3\n", "fits.ini");
  EXPECT_EQ(Get(g, fits.c_str(), fits.c_str()), "3");
}

TEST_F(ProfileReader, OverlongNameDoesntMatchItsPrefix) {
  const auto f = Write("[" + std::string(64, 'n') + "X]\nk=1\n");
  EXPECT_EQ(Get(f, std::string(64, 'n').c_str(), "k"), "");
}

// ---- Line ends ----------------------------------------------------------

TEST_F(ProfileReader, CrLfLineEndsAreRead) {
  const auto f = Write("[A]\r\nk=1\r\nj = 2 \r\n\r\n[B]\r\nk=3\r\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
  EXPECT_EQ(Get(f, "A", "j"), "2");
  EXPECT_EQ(Get(f, "B", "k"), "3");
}

TEST_F(ProfileReader, MixedLineEnds) {
  const auto f = Write("[A]\nk=1\r\n[B]\r\nk=2\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
  EXPECT_EQ(Get(f, "B", "k"), "2");
}

TEST_F(ProfileReader, LastLineNeedsNoLineEnd) {
  EXPECT_EQ(Get(Write("[A]\nk=1"), "A", "k"), "1");
  EXPECT_EQ(Get(Write("[A]\r\nk= 2 \r", "b.ini"), "A", "k"), "2");
  EXPECT_EQ(Get(Write("[A]\nk", "c.ini"), "A", "k"), "");
}

TEST_F(ProfileReader, Utf8ByteOrderMarkIsSkipped) {
  const auto f = Write("\xEF\xBB\xBF[A]\nk=1\n");
  EXPECT_EQ(Get(f, "A", "k"), "1");
}

// ---- As Windows' reader reads them -----------------------------------------

// What the system's profile reader makes of each file, found by reading
// thousands of files through the DLL under Wine (tests/wine); the value of
// A/k.
TEST_F(ProfileReader, ReadsAsTheSystemReaderDoes) {
  const std::string q2046 = "\"" + std::string(2046, '0') + "7\"";
  const std::string u16 = "[A]\nk=1\n";
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char c : u16) {
    le += std::string{c, '\0'};
    be += std::string{'\0', c};
  }
  const std::pair<std::string, std::string> cases[] = {
      {"[A]\nk=\"#00FF00\"\n", "#00FF00"},   // a pair of quotes is dropped
      {"[A]\nk='5'\n", "5"},
      {"[A]\nk=\" 5 \"\n", " 5 "},           // and only the quotes
      {"[A]\nk=\"\"\n", ""},
      {"[A]\nk=\"\n", "\""},                 // a lone quote stays
      {"[A]\nk=\"5'\n", "\"5'"},
      {"[A]\nk=\"5\" ; x\n", "\"5\" ; x"},
      {"[A]\nk=\"5\0\"\n", "\"5"},           // quotes of the text before a NUL
      {"[A]\n" + std::string("k=") + q2046 + "\n", std::string(2046, '0')},
      {"[A]\nj=1\rk=2\n", "2"},               // CR alone ends a line
      {"[A]\nk=1\rj=2\n", "1"},
      {"[ A\t]\nk=1\n", "1"},                 // a section name without its blanks
      {"[\vA\x1a]\nk=1\n", "1"},
      {"[A]x]\nk=1\n", ""},                    // the name runs to the last ']'
      {"[A]]\nk=1\n", ""},
      {"[A]\n\x1ak\v=\f1\x1a\n", "1"},       // VT, FF, Ctrl-Z are blanks
      {"[A]\nk=\xA0" "1\n", "?1"},            // a no-break space is none
      {"\xEF\xBB\xBF[A]\nk=\xC2\xA0" "1\n", "?1"},
      {"\xEF\xBB\xBF[A]\nk=caf\xC3\xA9\n", "caf?"},
      {le, "1"},                                // UTF-16 with its mark
      {be, "1"},
      {le.substr(2), ""},                       // without its mark it is no text
  };
  int n = 0;
  for (const auto& [text, want] : cases) {
    const auto f = Write(text, ("case" + std::to_string(n++) + ".ini").c_str());
    EXPECT_EQ(Get(f, "A", "k"), want) << "case " << n - 1;
  }
}

// ---- Hostile files ----------------------------------------------------------

TEST_F(ProfileReader, NulBytesAreOrdinaryBytes) {
  const char raw[] = "x\0y=1\n[A\0]\nk=2\n[A]\nk=3\0 4\nj=\0\n[\0B]\nk=5\n";
  const auto f = Write(std::string(raw, sizeof raw - 1));
  EXPECT_EQ(Get(f, "A", "k"), "3");  // the value holds "3\0 4"; read as text, "3"
  EXPECT_EQ(Get(f, "A", "j"), "");
  EXPECT_EQ(Get(f, "B", "k"), "");
}

TEST_F(ProfileReader, RandomBinaryFileDoesNoHarm) {
  std::mt19937 rng(12345);
  std::string bytes(1 << 20, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  const auto f = Write(bytes + "\n[ZzQq]\nKk=9\n");
  EXPECT_EQ(Get(f, "ZzQq", "Kk"), "9");
  EXPECT_LT(Get(f, "Setup", "HiddenText").size(), static_cast<size_t>(ProfileValueSize));
}

TEST_F(ProfileReader, HugeFileIsReadToItsEnd) {
  std::string bytes;
  bytes.reserve(21u << 20);
  for (int i = 0; bytes.size() < (20u << 20); ++i) {
    bytes += "[Section" + std::to_string(i) + "]\nkey=" + std::string(100, 'v') + "\n";
  }
  bytes += "[Last]\nkey=end\n";
  const auto f = Write(bytes);
  EXPECT_EQ(Get(f, "Last", "key"), "end");
  EXPECT_EQ(Get(f, "Section7", "key"), std::string(100, 'v'));
}

TEST_F(ProfileReader, MegabyteLinesOfEveryKind) {
  const std::string big(1 << 20, 'q');
  const auto f = Write("[A]\nk=" + big + "\n" + big + "=x\n[" + big + "]\nj=1\n[" + big +
                       "\nl=2\n" + big + "\nm=3\n");
  EXPECT_EQ(Get(f, "A", "k"), std::string(2047, 'q'));
  EXPECT_EQ(Get(f, "A", "m"), "");   // past the long section line: another section
  EXPECT_EQ(Get(f, "A", "l"), "");
  EXPECT_EQ(Get(f, big.c_str(), "j"), "");
}

TEST_F(ProfileReader, SingleMegabyteLineWithoutLineEnd) {
  const auto f = Write(std::string(1 << 20, '['));
  EXPECT_EQ(Get(f, "[", "k"), "");
  const auto g = Write("[A]\nk=" + std::string(1 << 20, '='), "g.ini");
  EXPECT_EQ(Get(g, "A", "k"), std::string(2047, '='));
}

// ---- Where the file lies ----------------------------------------------------

TEST(SettingsFile, LiesBesideTheExecutableNamedAfterTheShortName) {
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  const char* p = SettingsFilePath();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(fs::path(p), exe.parent_path() / "SVG.ini");

  const TShortStr<8> saved = DrvBlock.Descr.ShortName;
  DrvBlock.Descr.ShortName.Len = 8;
  std::memcpy(DrvBlock.Descr.ShortName.Text, "ABCDEFGH", 8);
  const std::string eight = SettingsFilePath();
  DrvBlock.Descr.ShortName.Len = 200;  // a length past the field reads as 8
  const std::string clamped = SettingsFilePath();
  DrvBlock.Descr.ShortName = saved;
  EXPECT_EQ(fs::path(eight), exe.parent_path() / "ABCDEFGH.ini");
  EXPECT_EQ(clamped, eight);
}

}  // namespace
