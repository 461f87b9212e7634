// The password cipher: stored texts worked out by hand from the cipher's steps (salt,
// keystream with its 1-based indices, letters A … P), the tolerant reading of stored
// texts edited by hand, and round trips of texts of every byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "app/draw/password_cipher.h"
#include "runtime/random.h"
#include "text/gbk_literal.h"

namespace zorvel::draw {
namespace {

using namespace zorvel::literals;

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out += digits[static_cast<std::uint8_t>(c) >> 4];
    out += digits[static_cast<std::uint8_t>(c) & 15];
  }
  return out;
}

// Bytes 0x80, 0x81, …, 0xFF.
std::string HighBytes() {
  std::string s;
  for (int b = 0x80; b <= 0xFF; ++b) s += static_cast<char>(b);
  return s;
}

// 300 bytes without a zero: 2, 9, 16, … (byte n is (7n + 1) mod 255 + 1).
std::string LongPassword() {
  std::string s;
  for (int n = 0; n < 300; ++n) s += static_cast<char>((n * 7 + 1) % 255 + 1);
  return s;
}

TEST(PasswordCipher, StoredTextsOfKnownPasswordsAndSalts) {
  const struct {
    std::string plain;
    const char* salt;
    std::string stored;
  } rows[] = {
      {"", "QZ", "QZ"},
      {"1", "QZ", "QZBA"},
      {"abc", "AB", "ABNMMKCM"},
      {"抽奖"_gbk, "MK", "MKPMNABBJF"},  // two GBK characters, four bytes, ten letters
      {HighBytes(), "ZA",
       "ZAAFOMILMLGDDOCPKHFJFJGBFDCNOKKGACLLLECLHMECKLKOIPEOAEHHFDCPEHGMCNJMEAIENFDPAFFEFCADJIFGLPJNIJJIKEPFGOBCCG"
       "INMLGCELCPNAIBFAAKFLODIEEIDDIMIOHFGOJLDMEACPLGGFCABEGAAJKPECNCPDMEIHFHPJPGOCJLLHHNANCPCLMADEAPIDACOFEHOHEAH"
       "FNLHAOENIFHNHFGHEAFAABKCIDHDIHFAMMPGEKBMDKKNF"},
      // The output index runs past position 256 and starts again at 2.
      {LongPassword(), "HW",
       "HWJKAGLLMEIFGKPMFBBCLHHAPJCPIHODHMFOFIKADMDFGLHDGIKKJNAIEKBECFMGLPMFODCJMGCGHGMFHFAACOJNGKIHBOCFILDO"
       "NKIOMDHNKOPBFDDOIFLILDHGKGGPDDHMHNNKPCKLFMEKKOPKOGOPLKEMELEKPCJGIINCPADAEDENNGELPKPKGPKPKEEHMIBFONFN"
       "CHLAIJKEBJNEGJMBMMHKIJOJNCCNDHIDDGDIBFIAOPDNFCKEKOAOCFELJBBCKNLANKPOGHMEPFHGODOKJEBNAODBCALOJHKAOHOC"
       "MNHGPHOPLNOHOENDFDNPACMHHDCMMHCFKIABFAGEMKEDMCELCLGOOFLJAGBILFKFGNEFAABODPINABEKDOJOHCPAJNLOPEKMJHEF"
       "OPDIJDNBFHIFOIHJNKADLAGLBLLJHGMNBHEMPOPGCFHIPJDDHCLPLFENFMGGPLCDCMLLHFICGMEIKAPNCKOIFDGNEHFJLGEKJNBN"
       "BKMCCCILFPFNONJEJMIJGEGIDEGNEGGNOMHHOHJJMFHNBHEIHJMEGDMJBBFHINMDFKFBJDOBFJNJEKBHBINIGHPJEBPEDBDKNMMF"
       "CF"},
  };
  ASSERT_EQ(Hex("抽奖"_gbk), "b3e9bdb1");
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    EXPECT_EQ(EncipherWithSalt(r.plain, r.salt), r.stored) << "row " << row;
    EXPECT_EQ(r.stored.size(), 2 + 2 * r.plain.size()) << "row " << row;
    EXPECT_EQ(Hex(Decipher(r.stored)), Hex(r.plain)) << "row " << row;
  }
}

TEST(PasswordCipher, KeystreamKeepsItsOneBasedIndices) {
  // Key "kwpQZ" over zero bytes gives the keystream itself.
  EXPECT_EQ(Hex(ApplyKeystream(std::string(8, '\0'), "kwpQZ")), "21e25b7a7956686c");
  // The key's bytes repeat over the 256 key positions: a key and its repetition agree.
  EXPECT_EQ(ApplyKeystream(std::string(16, '\0'), "kwpQZ"), ApplyKeystream(std::string(16, '\0'), "kwpQZkwpQZ"));
}

TEST(PasswordCipher, SaltComesFromTheProgramGenerator) {
  // Seed 12345: the draws give "sc", then "dz"; seed 1 (the generator's start) "ph".
  const struct {
    std::uint32_t seed;
    std::vector<std::pair<std::string, std::string>> passwords;  // in order: plain → stored
  } rows[] = {
      {12345, {{"abc", "SCBDLPBO"}, {"1", "DZEL"}}},
      {1, {{"密码"_gbk, "PHIFFFANDD"}}},
  };
  for (const auto& r : rows) {
    ProgramRandom().Seed(r.seed);
    for (const auto& [plain, stored] : r.passwords) EXPECT_EQ(Encipher(plain), stored) << "seed " << r.seed;
  }
  ProgramRandom().Seed(12345);
  EXPECT_EQ(NewSalt(), "SC");
  // Storing the same password again draws a new salt.
  EXPECT_NE(Encipher("abc"), Encipher("abc"));
}

TEST(PasswordCipher, StoredTextsEditedByHandDecipherToSomePassword) {
  const struct {
    std::string stored;
    std::string plainHex;
  } rows[] = {
      {"", ""},
      {"A", ""},
      {"AB", ""},
      {"ZZ", ""},
      {"ABC", "bf"},           // a last single letter is a piece of its own
      {"QZa", "21"},           // a = 0, the first keystream byte is 0x21
      {"QZQA", "21"},          // Q = 16: 256 keeps its low eight bits, 0
      {"QZzz", "88"},          // 25 × 16 + 25 = 425 → 0xA9
      {"QZ@@", "ff"},          // not letters: −2 × 16 − 2 = −34 → 0xDE
      {"QZ\xB3\xE9", "ff"},    // a GBK character: two bytes that are not letters
      {"QZ1A", "c1"},          // −32 → 0xE0
      {"QZAAA", "21e2"},
      {"ABnmmkcm", "616263"},  // lower-case letters of the data count as capitals
      {"abnmmkcm", "bab176"},  // but the salt is part of the key as it stands
      {"ABNMMKCMB", "616263a8"},
      {"ABNMMKCMBJ", "616263b0"},
      {"QZFJOCCC", "78"},            // "x", then a zero byte ends the password
      {std::string("QZa\0AA", 6), "21"},  // a text ends at its first zero byte
  };
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    EXPECT_EQ(Hex(Decipher(r.stored)), r.plainHex) << "row " << row << ": " << r.stored;
  }
}

TEST(PasswordCipher, LettersAndNumbers) {
  const struct {
    const char* piece;
    std::int32_t number;
  } pieces[] = {{"", 0},    {"A", 0},     {"P", 15},  {"z", 25},  {"AB", 1},   {"PA", 240}, {"pp", 255},
                {"ZZ", 425}, {"1A", -32},  {"A1", -2}, {"@@", -34}, {"[`", -34}, {"ABC", 18}};
  for (const auto& p : pieces) EXPECT_EQ(LettersToNumber(p.piece), p.number) << p.piece;
  const struct {
    std::uint8_t byte;
    const char* letters;
  } bytes[] = {{0x00, "AA"}, {0x0F, "AP"}, {0x5C, "FM"}, {0xA0, "KA"}, {0xFF, "PP"}};
  for (const auto& b : bytes) EXPECT_EQ(ByteToLetters(b.byte), b.letters) << int{b.byte};
  for (int b = 0; b <= 255; ++b)
    EXPECT_EQ(LettersToNumber(ByteToLetters(static_cast<std::uint8_t>(b))), b) << b;
}

TEST(PasswordCipher, EveryTextWithoutZeroBytesComesBack) {
  const struct {
    int low, high;  // the bytes drawn
    int length;
  } rows[] = {
      {1, 255, 1},     {1, 255, 2},   {1, 255, 37},  {1, 255, 255}, {1, 255, 256},
      {1, 255, 257},   {1, 255, 513}, {0x80, 0xFF, 4}, {0x80, 0xFF, 300}, {'0', '9', 6},
      {'a', 'z', 12},  {1, 1, 20},    {0xFF, 0xFF, 20},
  };
  std::mt19937 random(20240611);
  ProgramRandom().Seed(7);
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    for (int repeat = 0; repeat < 8; ++repeat) {
      std::uniform_int_distribution<int> byte(r.low, r.high);
      std::string plain;
      for (int n = 0; n < r.length; ++n) plain += static_cast<char>(byte(random));
      const std::string stored = Encipher(plain);
      ASSERT_EQ(stored.size(), 2 + 2 * plain.size()) << "row " << row;
      for (std::size_t n = 0; n < 2; ++n) EXPECT_TRUE(stored[n] >= 'A' && stored[n] <= 'Z') << "row " << row;
      for (std::size_t n = 2; n < stored.size(); ++n)
        EXPECT_TRUE(stored[n] >= 'A' && stored[n] <= 'P') << "row " << row << ", letter " << n;
      EXPECT_EQ(Hex(Decipher(stored)), Hex(plain)) << "row " << row;
    }
  }
}

}  // namespace
}  // namespace zorvel::draw
