// WriterTest.cpp: the line writer's callback pattern and the number
// formatting that every output line goes through.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "host/DLL_Util.h"

namespace {

std::vector<std::string> Calls;
void DRV_CALL Record(const char* Buf, int32_t Count) { Calls.emplace_back(Buf, Count); }

class Writer : public ::testing::Test {
 protected:
  void SetUp() override {
    Calls.clear();
    WriteProc = Record;
  }
  void TearDown() override { WriteProc = nullptr; }
};

TEST_F(Writer, EveryLineIsThreeCalls) {
  WriteLine("");
  WriteLine("\r\n<g>");
  WriteLine("ab");
  EXPECT_EQ(Calls, (std::vector<std::string>{"", "\r", "\n", "\r\n<g>", "\r", "\n", "ab", "\r", "\n"}));
}

TEST_F(Writer, TextIsCutAt255Bytes) {
  const std::string exact(255, 'x');
  const std::string longer = std::string(255, 'y') + std::string(45, 'z');
  WriteLine(exact.c_str());
  WriteLine(longer.c_str());
  ASSERT_EQ(Calls.size(), 6u);
  EXPECT_EQ(Calls[0], exact);
  EXPECT_EQ(Calls[3], std::string(255, 'y'));
  EXPECT_EQ(Calls[4], "\r");
  EXPECT_EQ(Calls[5], "\n");
}

TEST_F(Writer, NothingIsWrittenWithoutACallback) {
  WriteProc = nullptr;
  WriteLine("lost");
  WriteChar('x');
  EXPECT_TRUE(Calls.empty());
}

std::string Fixed(bool Neg, uint64_t Int, uint64_t Frac, int FracDigits, int Decimals) {
  TLineBuf b{};
  PutFixed(b, Neg, Int, Frac, FracDigits, Decimals);
  return std::string(b.Text, b.Len);
}

std::string Int(int32_t V) {
  TLineBuf b{};
  PutInt(b, V);
  return std::string(b.Text, b.Len);
}

std::string Hex(uint32_t V, int Digits) {
  TLineBuf b{};
  PutHex(b, V, Digits);
  return std::string(b.Text, b.Len);
}

TEST(Format, Integers) {
  EXPECT_EQ(Int(0), "0");
  EXPECT_EQ(Int(-7), "-7");
  EXPECT_EQ(Int(2147483647), "2147483647");
  EXPECT_EQ(Int(-2147483647 - 1), "-2147483648");
}

TEST(Format, HexIsUpperCasePaddedNeverCut) {
  EXPECT_EQ(Hex(0x123, 6), "000123");
  EXPECT_EQ(Hex(0xFF8000, 6), "FF8000");
  EXPECT_EQ(Hex(0x80FF8000u, 6), "80FF8000");
  EXPECT_EQ(Hex(0xFFFFFFFEu, 6), "FFFFFFFE");
  EXPECT_EQ(Hex(0xA, 2), "0A");
  EXPECT_EQ(Hex(0, 2), "00");
}

TEST(Format, FixedRoundsHalvesAwayAndDropsTheSignOfZero) {
  EXPECT_EQ(Fixed(true, 0, 4, 3, 2), "0.00");     // -0.004
  EXPECT_EQ(Fixed(true, 0, 5, 3, 2), "-0.01");    // -0.005
  EXPECT_EQ(Fixed(false, 0, 5, 3, 2), "0.01");
  EXPECT_EQ(Fixed(false, 7723, 8576251000, 10, 2), "7723.86");
  EXPECT_EQ(Fixed(true, 10, 4569499600, 10, 2), "-10.46");
  EXPECT_EQ(Fixed(false, 9, 9951, 4, 2), "10.00");  // the carry reaches the integer part
  EXPECT_EQ(Fixed(false, 99, 995, 3, 2), "100.00");
  EXPECT_EQ(Fixed(false, 123, 450, 3, 3), "123.450");
  EXPECT_EQ(Fixed(true, 0, 10, 3, 3), "-0.010");
  EXPECT_EQ(Fixed(false, 1, 0, 2, 2), "1.00");
  EXPECT_EQ(Fixed(false, 0, 45, 2, 2), "0.45");
}

TEST(Format, FixedTakesEighteenSignificantDigitsFirst) {
  // 20 significant digits: the 18-digit step rounds .00499999|99 up to
  // .00500000, which the second step rounds up again; .00499999|49 stays.
  EXPECT_EQ(Fixed(false, 1234567890, 49999999, 10, 2), "1234567890.01");
  EXPECT_EQ(Fixed(true, 1234567890, 49999999, 10, 2), "-1234567890.01");
  EXPECT_EQ(Fixed(false, 1234567890, 49999949, 10, 2), "1234567890.00");
  // With 18 digits or fewer there is nothing to take off first.
  EXPECT_EQ(Fixed(false, 12345678, 49999999, 10, 2), "12345678.00");
}

// PutFixed rounds values of up to 18 digits in one integer step; every
// other value goes through the digit writer. Both must agree, above all
// around the 18-digit edge and the halves.
TEST(Format, FixedShortcutAgreesWithTheDigitWriter) {
  const uint64_t ints[] = {0, 1, 9, 99, 12345678, 99999999, 100000000, 999999999,
                           4294967295u, 4294967296u, 99999999999999999u, 999999999999999999u};
  const uint64_t fracs[] = {0, 1, 4, 5, 49, 50, 95, 499999, 500000, 4999999, 5000000, 49999999,
                            50000000, 99499999, 99500000, 5522847498u, 9950000000u, 9999999999u,
                            10000000000u};
  for (const uint64_t i : ints) {
    for (const uint64_t f : fracs) {
      for (const int fd : {0, 1, 2, 3, 8, 10, 18}) {
        for (const int dec : {0, 1, 2, 3}) {
          for (const bool neg : {false, true}) {
            TLineBuf fast{}, digits{};
            PutFixed(fast, neg, i, f, fd, dec);
            PutFixedDigits(digits, neg, i, f, fd, dec);
            ASSERT_EQ(std::string(fast.Text, fast.Len), std::string(digits.Text, digits.Len))
                << neg << " " << i << " " << f << " " << fd << " " << dec;
          }
        }
      }
    }
  }
}

TEST(Format, NoLocaleReachesTheOutput) {
  // Under a locale with a decimal comma (scripts/install-deps.sh makes it)
  // the numbers keep their point and carry no grouping.
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "no de_DE.UTF-8 locale";
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(Fixed(false, 1, 5, 1, 2), "1.50");
  EXPECT_EQ(Fixed(true, 1234, 5, 1, 3), "-1234.500");
  EXPECT_EQ(Int(-1234567), "-1234567");
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
