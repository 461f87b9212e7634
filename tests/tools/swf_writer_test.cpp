// The movie generator's SWF writer: a known small movie byte for byte, the bit counts
// and records it writes, tag headers on both sides of the long form, and the compressed
// file's header and body.
#include "tools/swf_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using namespace zorvel::tools::swf;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (const char c : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[static_cast<unsigned char>(c) >> 4];
    text += digits[static_cast<unsigned char>(c) & 15];
  }
  return text;
}

// Version 6, 550 × 400, 12 frames a second, a white background and a 20 × 20 red square
// at the origin, written with a version 1 shape.
TEST(SwfWriter, WritesTheRedSquareMovieByteForByte) {
  MovieHeader header;  // FWS, version 6, 550 × 400, 12 a second
  MovieWriter movie(header);
  movie.Add(SetBackgroundColor(255, 255, 255));
  Shape square;
  square.fills.push_back(FillStyle::Solid({255, 0, 0, 255}));
  Path path;
  path.segments = {{false, 0, 0, 400, 0}, {false, 0, 0, 400, 400}, {false, 0, 0, 0, 400}, {false, 0, 0, 0, 0}};
  square.paths.push_back(path);
  movie.Add(DefineShape(1, square));
  Placement place;
  place.character = 1;
  place.matrix = Matrix();
  movie.Add(PlaceObject2(place));
  movie.ShowFrame();
  EXPECT_EQ(Hex(movie.Finish()),
            "46 57 53 06 42 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 01 00 43 02 FF FF FF "
            "9A 00 01 00 50 00 C8 00 0C 80 01 00 FF 00 00 00 10 13 C0 C8 70 B2 1C 13 87 0C E0 00 "
            "86 06 06 01 00 01 00 00 40 00 00 00");
}

TEST(SwfWriter, BitCountsAreTheSmallestThatHold) {
  const std::vector<std::pair<std::int64_t, int>> signedRows = {
      {0, 1}, {-1, 1}, {1, 2}, {-2, 2}, {2, 3}, {400, 10}, {511, 10}, {512, 11}, {-512, 10}, {11000, 15}, {65536, 18}};
  for (const auto& [value, bits] : signedRows) EXPECT_EQ(SignedBits(value), bits) << value;
  const std::vector<std::pair<std::uint32_t, int>> unsignedRows = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {255, 8}};
  for (const auto& [value, bits] : unsignedRows) EXPECT_EQ(UnsignedBits(value), bits) << value;
}

TEST(SwfWriter, RecordsPackTheirFields) {
  struct Row {
    const char* what;
    std::string bytes;
    const char* expected;
  };
  auto matrix = [](const Matrix& m) {
    BitWriter out;
    WriteMatrix(out, m);
    return out.Finish();
  };
  auto cxform = [](const ColourTransform& cx, bool alpha) {
    BitWriter out;
    WriteColourTransform(out, cx, alpha);
    return out.Finish();
  };
  ColourTransform fade;
  fade.hasMult = true;
  fade.mult[3] = 128;  // (256, 256, 256, 128): 10 bits each
  ColourTransform brighten;
  brighten.hasAdd = true;
  brighten.add[0] = brighten.add[1] = brighten.add[2] = 3;  // (3, 3, 3, 0): 3 bits each
  ColourTransform none;
  Matrix rotated = Matrix::Translate(-1, 1);
  rotated.hasRotate = true;
  rotated.rotate0 = 65536;
  rotated.rotate1 = -65536;
  const std::vector<Row> rows = {
      {"identity", matrix(Matrix()), "00"},
      // 0, 0 (no scale, no rotation), n 15 (01111), 11000, 8000, padding.
      {"translation", matrix(Matrix::Translate(11000, 8000)), "1E AB E0 FA 00"},
      // 1, n 17 (10001), 0.5 twice (32768 = 0 1000 0000 0000 0000), 0, n 2, 1, −1.
      {"half size", matrix(Matrix::ScaleTranslate(32768, 1, -1)), "C5 00 00 80 00 09 C0"},
      // 0, 1, n 18, 1 and −1 (65536, −65536), n 2, −1, 1.
      {"quarter turn", matrix(rotated), "64 80 00 60 00 02 D0"},
      {"scale 1 is left out", matrix(Matrix::ScaleTranslate(65536, 0, 0)), "00"},
      // add 0, mult 1, n 10 (1010), 256, 256, 256, 128.
      {"alpha ×½", cxform(fade, true), "69 00 40 10 02 00"},
      // add 1, mult 0, n 3 (0011), 3, 3, 3.
      {"add 3 without alpha", cxform(brighten, false), "8D B6"},
      {"identity transform", cxform(none, true), "00"},
  };
  for (const Row& row : rows) EXPECT_EQ(Hex(row.bytes), row.expected) << row.what;
}

TEST(SwfWriter, TagsUseTheLongFormFrom63Bytes) {
  EXPECT_EQ(Hex(ShowFrame()), "40 00");
  EXPECT_EQ(Hex(End()), "00 00");
  EXPECT_EQ(Hex(RemoveObject2(7)), "02 07 07 00");
  EXPECT_EQ(Hex(TagHeader(kMetadata, 62)), "7E 13");
  EXPECT_EQ(Hex(TagHeader(kMetadata, 63)), "7F 13 3F 00 00 00");
  EXPECT_EQ(Hex(TagHeader(kDefineShape3, 70000)), "3F 08 70 11 01 00");
  EXPECT_EQ(Metadata(std::string(61, ' ')).size(), 2u + 62u);
  EXPECT_EQ(Metadata(std::string(62, ' ')).size(), 6u + 63u);
  Placement move;
  move.depth = 300;
  move.move = true;
  move.matrix = Matrix::Translate(20, 20);
  move.colour = ColourTransform();
  // 0x0D: move, matrix, colour transform.
  EXPECT_EQ(Hex(PlaceObject2(move)), "87 06 0D 2C 01 0C A2 80 00");
}

// A version 3 shape: colours with alpha; a radial gradient's matrix maps the square
// ±16384 onto the radius; curves carry control and anchor deltas.
TEST(SwfWriter, DefineShape3WritesAlphaGradientsAndCurves) {
  Shape disc;
  disc.fills.push_back(FillStyle::Radial(0, 0, 100, {{0, {255, 255, 255, 200}}, {255, {255, 0, 0, 0}}}));
  Path path;
  path.startX = 100;
  path.segments = {{true, 100, 100, 0, 100}, {true, -100, 100, -100, 0}, {true, -100, -100, 0, -100},
                   {true, 100, -100, 100, 0}};
  disc.paths.push_back(path);
  const std::string tag = DefineShape3(5, disc);
  ASSERT_GT(tag.size(), 28u);
  EXPECT_EQ(tag.substr(0, 2), TagHeader(kDefineShape3, static_cast<std::uint32_t>(tag.size() - 2)));
  // Id 5; RECT n 8 (−100 … 100 both ways); one fill: radial (0x12), matrix scale 400
  // (100 twips / 16384 in 16.16) n 10, no translation; two RGBA stops; no line styles;
  // one fill bit, no line bits.
  EXPECT_EQ(Hex(tag.substr(2, 26)),
            "05 00 44 E3 24 E3 20 01 12 A9 90 64 00 02 00 FF FF FF C8 FF FF 00 00 00 00 10");
  // The records: a style change with MoveTo (100, 0) in 8 bits and fill 1, then four
  // curves of 8-bit deltas (n − 2 = 6), the end record: 6 + 5 + 16 + 1 + 4 × 38 + 6 bits.
  EXPECT_EQ(tag.size() - 28, (6u + 5 + 16 + 1 + 4 * 38 + 6 + 7) / 8);
  EXPECT_EQ(static_cast<unsigned char>(tag[28]) >> 2, 0b000101u);  // style change: fill 1, MoveTo
}

TEST(SwfWriter, CompressedMoviesKeepTheUncompressedLength) {
  MovieHeader header;
  header.compressed = true;
  header.version = 8;
  MovieWriter compressed(header);
  header.compressed = false;
  MovieWriter plain(header);
  for (MovieWriter* m : {&compressed, &plain}) {
    m->Add(FileAttributes(0));
    m->Add(SetBackgroundColor(0, 0, 0));
    for (int i = 0; i < 5; ++i) m->ShowFrame();
  }
  EXPECT_EQ(plain.LengthWithEnd(), compressed.LengthWithEnd());
  const std::string cws = compressed.Finish(), fws = plain.Finish();
  EXPECT_EQ(fws.size(), plain.LengthWithEnd());
  EXPECT_EQ(cws.substr(0, 3), "CWS");
  EXPECT_EQ(fws.substr(0, 3), "FWS");
  EXPECT_EQ(cws.substr(3, 5), fws.substr(3, 5));  // version and length
  EXPECT_EQ(fws.substr(17, 4), std::string("\x00\x0C\x05\x00", 4));  // 12 a second, 5 frames
  std::string body(fws.size() - 8, '\0');
  uLongf size = static_cast<uLongf>(body.size());
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(body.data()), &size, reinterpret_cast<const Bytef*>(cws.data() + 8),
                       static_cast<uLong>(cws.size() - 8)),
            Z_OK);
  EXPECT_EQ(size, body.size());
  EXPECT_TRUE(body == fws.substr(8));
}

}  // namespace
