// Reading SWF bytes: the header, the records bit by bit, the tags of the subset, and
// refusals of what is not read.
#include <gtest/gtest.h>

#include <string>

#include "runtime/movie/bits.h"
#include "runtime/movie/movie.h"
#include "runtime/movie/records.h"
#include "tests/support/swf_writer.h"

namespace zorvel::movie {
namespace {

namespace swf = test::swf;

std::unique_ptr<Movie> Read(const swf::Bytes& bytes, std::string* reason = nullptr) {
  return ReadMovie(bytes.data(), bytes.size(), reason);
}

TEST(MovieReader, GoldenMovieEveryField) {
  std::string reason;
  auto movie = Read(swf::kGoldenMovie, &reason);
  ASSERT_TRUE(movie) << reason;
  const MovieInfo& info = movie->info();
  EXPECT_EQ(info.signature, "FWS");
  EXPECT_EQ(info.version, 6);
  EXPECT_EQ(info.fileLength, 66u);
  EXPECT_EQ(info.stage, (TwipsRect{0, 11000, 0, 8000}));
  EXPECT_EQ(info.widthPx, 550);
  EXPECT_EQ(info.heightPx, 400);
  EXPECT_EQ(info.frameRateStored, 0x0C00);
  EXPECT_DOUBLE_EQ(info.frameRate, 12.0);
  EXPECT_EQ(info.headerFrameCount, 1);
  EXPECT_EQ(info.frameCount, 1);
  EXPECT_TRUE(info.backgroundSet);
  EXPECT_EQ(info.background, (Rgba{255, 255, 255, 255}));
  EXPECT_FALSE(info.truncated);
  EXPECT_EQ(info.tagCounts, (std::map<int, int>{{0, 1}, {1, 1}, {2, 1}, {9, 1}, {26, 1}}));

  ASSERT_EQ(movie->shapes().size(), 1u);
  const Shape& shape = movie->shapes()[0];
  EXPECT_EQ(shape.id, 1);
  EXPECT_EQ(shape.version, 1);
  EXPECT_EQ(shape.bounds, (TwipsRect{0, 400, 0, 400}));
  EXPECT_EQ(shape.edgeCount, 4u);
  ASSERT_EQ(shape.layers.size(), 1u);
  ASSERT_EQ(shape.layers[0].fills.size(), 1u);
  EXPECT_EQ(shape.layers[0].fills[0].colour, (Rgba{255, 0, 0, 255}));
  EXPECT_TRUE(shape.layers[0].lines.empty());
  EXPECT_EQ(shape.layers[0].fillPaths[0].boundingRect(), QRectF(0, 0, 400, 400));
  EXPECT_EQ(movie->character(1).kind, Character::Kind::kShape);
  EXPECT_EQ(movie->character(2).kind, Character::Kind::kNone);

  ASSERT_EQ(movie->timeline().frames.size(), 1u);
  ASSERT_EQ(movie->timeline().frames[0].size(), 1u);
  const Command& place = movie->timeline().frames[0][0];
  EXPECT_EQ(place.op, Command::Op::kPlace);
  EXPECT_EQ(place.depth, 1);
  EXPECT_EQ(place.character, 1);
  EXPECT_TRUE(place.hasMatrix);
  EXPECT_EQ(place.matrix, Matrix{});
  EXPECT_FALSE(place.hasColorTransform);
}

TEST(MovieReader, BitFieldsSignedValuesAndFixedPoint) {
  // 1011 0011 1100 0101 | 1111 0000
  const std::uint8_t data[] = {0xB3, 0xC5, 0xF0};
  BitReader r(data, sizeof data);
  EXPECT_EQ(r.Ub(3), 0b101u);
  EXPECT_EQ(r.Ub(7), 0b1001111u);  // across the byte boundary
  EXPECT_EQ(r.Sb(6), 5);           // 000101
  EXPECT_EQ(r.Sb(4), -1);          // 1111
  EXPECT_EQ(r.Sb(3), 0);           // 000
  EXPECT_FALSE(r.overrun());
  EXPECT_EQ(r.Ub(2), 0u);          // one bit left: the second is past the end
  EXPECT_TRUE(r.overrun());
  EXPECT_EQ(r.U32(), 0u);

  // Written and read back: widths 1 … 32, signed extremes, 16.16 values.
  swf::BitWriter w;
  w.Ub(1, 1);
  w.Sb(-65536, 18);
  w.Sb(65535, 18);
  w.Fb(1.5, 19);
  w.Fb(-0.25, 17);
  w.Ub(0xDEADBEEF, 32);
  w.Sb(-1, 1);
  BitReader back(w.bytes().data(), w.bytes().size());
  EXPECT_EQ(back.Ub(1), 1u);
  EXPECT_EQ(back.Sb(18), -65536);
  EXPECT_EQ(back.Sb(18), 65535);
  EXPECT_DOUBLE_EQ(back.Fb(19), 1.5);
  EXPECT_DOUBLE_EQ(back.Fb(17), -0.25);
  EXPECT_EQ(back.Ub(32), 0xDEADBEEFu);
  EXPECT_EQ(back.Sb(1), -1);
  EXPECT_EQ(back.Sb(0), 0);
  EXPECT_FALSE(back.overrun());
}

TEST(MovieReader, MatrixOrderAndColourTransforms) {
  // a = 2, d = 0.5, b = 0.25, c = -1, tx = 100, ty = -40
  swf::BitWriter w;
  swf::WriteMatrix(w, {.a = 2, .b = 0.25, .c = -1, .d = 0.5, .tx = 100, .ty = -40});
  BitReader r(w.bytes().data(), w.bytes().size());
  const Matrix m = ReadMatrix(r);
  EXPECT_EQ(m, (Matrix{2, 0.25, -1, 0.5, 100, -40}));
  // x' = a·x + c·y + tx, y' = b·x + d·y + ty
  EXPECT_EQ(m.ToTransform().map(QPointF(10, 20)), QPointF(2 * 10 - 1 * 20 + 100, 0.25 * 10 + 0.5 * 20 - 40));
  const std::uint8_t identity[] = {0x00};
  BitReader ri(identity, 1);
  EXPECT_EQ(ReadMatrix(ri), Matrix{});

  struct Row {
    swf::Cx written;
    bool alpha;
    ColorTransform read;
  } rows[] = {
      {{.mult = {256, 128, 0, 151}, .add = {0, 0, 0, 0}, .hasMult = true, .hasAdd = false}, true,
       {{256, 128, 0, 151}, {0, 0, 0, 0}}},
      {{.mult = {256, 256, 256, 256}, .add = {255, -10, 3, -255}, .hasMult = false, .hasAdd = true}, true,
       {{256, 256, 256, 256}, {255, -10, 3, -255}}},
      // Without alpha the fourth channel stays as it is.
      {{.mult = {10, 20, 30, 0}, .add = {-1, -2, -3, 0}}, false, {{10, 20, 30, 256}, {-1, -2, -3, 0}}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    swf::BitWriter cw;
    swf::WriteCx(cw, rows[i].written, rows[i].alpha);
    cw.U8(0xAB);  // what follows starts on the next byte
    BitReader cr(cw.bytes().data(), cw.bytes().size());
    EXPECT_EQ(ReadColorTransform(cr, rows[i].alpha), rows[i].read) << "row " << i;
    EXPECT_EQ(cr.U8(), 0xAB) << "row " << i;
  }

  // The check value: fill (102,255,255,255) through mult (256,256,256,151) and add
  // (255,255,255,0) is (255,255,255,150), which over (204,255,0) gives (234,255,150).
  const ColorTransform cx{{256, 256, 256, 151}, {255, 255, 255, 0}};
  EXPECT_EQ(cx.Apply({102, 255, 255, 255}), (Rgba{255, 255, 255, 150}));
}

TEST(MovieReader, FrameRates) {
  struct Row {
    std::uint16_t stored;
    double used;
  } rows[] = {{0x0C00, 12}, {0x1880, 24.5}, {0x0000, kDefaultFrameRate}, {0x0001, 1}, {0x1800, 24}, {0xFF00, 120},
              {0x7900, 120}, {0x0080, 1}};
  for (const Row& row : rows) {
    EXPECT_DOUBLE_EQ(UsableFrameRate(row.stored), row.used) << row.stored;
    auto movie = Read(swf::Movie({swf::ShowFrame()}, {.rate = row.stored}));
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->info().frameRateStored, row.stored);
    EXPECT_DOUBLE_EQ(movie->info().frameRate, row.used);
  }
}

TEST(MovieReader, TagsFramesAndHeaderCounts) {
  // Long headers for short tags, unknown and skipped tags, a count in the header that
  // lies, a background only the first of which counts, one inside a sprite ignored.
  const swf::Bytes shape = swf::DefineShape(1, 1, swf::RectShape(1, swf::Solid(0, 0, 255), 0, 0, 200, 200));
  auto movie = Read(swf::Movie(
      {swf::Tag(69, {0x08, 0, 0, 0}), swf::Tag(77, {'x', 'm', 'l', 0}),
       swf::DefineSprite(2, 1, {swf::Background(1, 2, 3), swf::PlaceObject2({.depth = 1, .character = 1}),
                                swf::ShowFrame(), swf::End()}),
       swf::Background(10, 20, 30), shape,
       swf::Tag(26, {0x06, 1, 0, 1, 0, 0}, true), swf::Tag(12, {0x00}), swf::ShowFrame(), swf::Background(40, 50, 60),
       swf::Tag(43, {'a', 0}), swf::Tag(200, swf::Bytes(100, 0x55)), swf::RemoveObject2(1), swf::ShowFrame(),
       swf::ShowFrame()},
      {.version = 8, .frameCount = 77}));
  ASSERT_TRUE(movie);
  const MovieInfo& info = movie->info();
  EXPECT_EQ(info.headerFrameCount, 77);
  EXPECT_EQ(info.frameCount, 3);
  EXPECT_EQ(info.background, (Rgba{10, 20, 30, 255}));
  EXPECT_TRUE(info.hasFileAttributes);
  EXPECT_EQ(info.fileAttributes, 8u);
  EXPECT_EQ(info.tagCounts, (std::map<int, int>{{0, 2}, {1, 4}, {2, 1}, {9, 3}, {12, 1}, {26, 2}, {28, 1}, {39, 1},
                                                {43, 1}, {69, 1}, {77, 1}, {200, 1}}));
  ASSERT_EQ(movie->timeline().frames.size(), 3u);
  ASSERT_EQ(movie->timeline().frames[0].size(), 1u);
  EXPECT_EQ(movie->timeline().frames[0][0].character, 1);
  ASSERT_EQ(movie->timeline().frames[1].size(), 1u);
  EXPECT_EQ(movie->timeline().frames[1][0].op, Command::Op::kRemove);
  EXPECT_TRUE(movie->timeline().frames[2].empty());
  ASSERT_EQ(movie->character(2).kind, Character::Kind::kSprite);
  const Sprite& sprite = movie->sprites()[movie->character(2).index];
  ASSERT_EQ(sprite.timeline.frames.size(), 1u);
  EXPECT_EQ(sprite.timeline.frames[0].size(), 1u);

  // Absent background: white, not set.
  auto plain = Read(swf::Movie({swf::ShowFrame()}));
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->info().backgroundSet);
  EXPECT_EQ(plain->info().background, (Rgba{255, 255, 255, 255}));
}

TEST(MovieReader, PlaceObjectFlagsAndRemoves) {
  const swf::Cx fade{.mult = {256, 256, 256, 128}, .add = {0, 0, 0, 0}, .hasMult = true, .hasAdd = false};
  auto movie = Read(swf::Movie({
      swf::PlaceObject(3, 4, {.tx = 20, .ty = 40}),
      swf::PlaceObject(3, 5, {}, swf::Cx{.mult = {128, 256, 256, 256}, .add = {1, 2, 3, 0}}),
      swf::PlaceObject2({.depth = 6, .character = 3, .matrix = swf::Mat{.tx = -5}, .cx = fade, .ratio = 9,
                         .name = "spark", .clipDepth = 8}),
      swf::PlaceObject2({.depth = 6, .matrix = swf::Mat{.tx = 7}, .move = true}),
      swf::PlaceObject2({.depth = 6, .character = 9, .move = true}),
      swf::PlaceObject2({.depth = 6}),  // neither move nor character: nothing
      swf::RemoveObject(3, 4),
      swf::RemoveObject2(5),
      swf::ShowFrame(),
  }));
  ASSERT_TRUE(movie);
  ASSERT_EQ(movie->timeline().frames.size(), 1u);
  const auto& c = movie->timeline().frames[0];
  ASSERT_EQ(c.size(), 7u);
  EXPECT_EQ(c[0].op, Command::Op::kPlace);
  EXPECT_EQ(c[0].matrix, (Matrix{1, 0, 0, 1, 20, 40}));
  EXPECT_FALSE(c[0].hasColorTransform);
  EXPECT_TRUE(c[1].hasColorTransform);
  EXPECT_EQ(c[1].colorTransform, (ColorTransform{{128, 256, 256, 256}, {1, 2, 3, 0}}));
  EXPECT_EQ(c[2].op, Command::Op::kPlace);
  EXPECT_EQ(c[2].depth, 6);
  EXPECT_EQ(c[2].colorTransform, (ColorTransform{{256, 256, 256, 128}, {0, 0, 0, 0}}));
  EXPECT_TRUE(c[2].mask);  // after the ratio and the name
  EXPECT_FALSE(c[0].mask);
  EXPECT_EQ(c[3].op, Command::Op::kModify);
  EXPECT_TRUE(c[3].hasMatrix);
  EXPECT_FALSE(c[3].hasColorTransform);
  EXPECT_EQ(c[4].op, Command::Op::kReplace);
  EXPECT_EQ(c[4].character, 9);
  EXPECT_FALSE(c[4].hasMatrix);
  EXPECT_EQ(c[5].op, Command::Op::kRemove);
  EXPECT_EQ(c[5].depth, 4);
  EXPECT_EQ(c[6].op, Command::Op::kRemove);
  EXPECT_EQ(c[6].depth, 5);
}

TEST(MovieReader, ShapeStylesNewStylesAndCountExtension) {
  // 300 fill styles: DefineShape2 writes the count as FF 2C 01; DefineShape 1 cannot,
  // and reads FF as 255 styles.
  swf::Styles many;
  for (int i = 0; i < 300; ++i) many.fills.push_back(swf::Solid(static_cast<std::uint8_t>(i), 0, 0));
  const swf::Styles second{{swf::Solid(0, 255, 0)}, {{40, {0, 0, 255, 255}}}};
  const swf::Bytes records = swf::ShapeWriter(2, many)
                                 .Set({.move = std::pair{0, 0}, .fill1 = 300})
                                 .To(100, 0).To(0, 100).To(-100, 0).To(0, -100)
                                 .Set({.newStyles = &second})
                                 .Set({.fill1 = 1, .line = 1})  // indices are written with the new bit counts
                                 .To(50, 0).To(0, 50).To(-50, 0).To(0, -50)
                                 .End();
  auto movie = Read(swf::Movie({swf::DefineShape(1, 2, records)}));
  ASSERT_TRUE(movie);
  ASSERT_EQ(movie->shapes().size(), 1u);
  const Shape& s = movie->shapes()[0];
  ASSERT_EQ(s.layers.size(), 2u);
  ASSERT_EQ(s.layers[0].fills.size(), 300u);
  EXPECT_EQ(s.layers[0].fills[299].colour, (Rgba{43, 0, 0, 255}));
  EXPECT_EQ(s.layers[0].fillPaths[299].boundingRect(), QRectF(0, 0, 100, 100));
  ASSERT_EQ(s.layers[1].fills.size(), 1u);
  EXPECT_EQ(s.layers[1].fills[0].colour, (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(s.layers[1].fillPaths[0].boundingRect(), QRectF(0, 0, 50, 50));
  ASSERT_EQ(s.layers[1].lines.size(), 1u);
  EXPECT_EQ(s.layers[1].lines[0].width, 40);
  EXPECT_EQ(s.layers[1].linePaths[0].boundingRect(), QRectF(0, 0, 50, 50));

  // DefineShape 1 with NewStyles (read in every version) and a count byte of FF: 255
  // solid fills follow, not a UI16 count.
  swf::BitWriter w;
  w.U16(5);
  swf::WriteRect(w, 0, 100, 0, 100);
  w.U8(0xFF);
  for (int i = 0; i < 255; ++i) {
    w.U8(0x00);
    swf::WriteColour(w, {static_cast<std::uint8_t>(i), 1, 2, 255}, false);
  }
  w.U8(0);       // no line styles
  w.U8(0x80);    // 8 fill bits, 0 line bits
  // Records: fill1 = 255, a square, then NewStyles with one fill and a square in it.
  swf::BitWriter rec;
  rec.Ub(0, 1); rec.Ub(0b00101, 5); rec.Ub(0, 5);        // move to 0,0 (no bits), fill1
  rec.Ub(255, 8);
  auto edge = [&](int dx, int dy) {
    rec.Ub(1, 1); rec.Ub(1, 1); rec.Ub(8 - 2, 4); rec.Ub(0, 1); rec.Ub(dx == 0, 1); rec.Sb(dx == 0 ? dy : dx, 8);
  };
  edge(100, 0); edge(0, 100); edge(-100, 0); edge(0, -100);
  rec.Ub(0, 1); rec.Ub(0b10100, 5); rec.Ub(1, 8);        // fill1 = 1 (old bits), NewStyles
  rec.Align();
  rec.U8(1); rec.U8(0x00); swf::WriteColour(rec, {7, 8, 9, 255}, false); rec.U8(0); rec.U8(0x10);
  rec.Ub(1, 1); rec.Ub(1, 1); rec.Ub(8 - 2, 4); rec.Ub(0, 1); rec.Ub(0, 1); rec.Sb(60, 8);
  rec.Ub(1, 1); rec.Ub(1, 1); rec.Ub(8 - 2, 4); rec.Ub(0, 1); rec.Ub(1, 1); rec.Sb(60, 8);
  rec.Ub(1, 1); rec.Ub(1, 1); rec.Ub(8 - 2, 4); rec.Ub(0, 1); rec.Ub(0, 1); rec.Sb(-60, 8);
  rec.Ub(1, 1); rec.Ub(1, 1); rec.Ub(8 - 2, 4); rec.Ub(0, 1); rec.Ub(1, 1); rec.Sb(-60, 8);
  rec.Ub(0, 6);
  w.Append(rec.bytes());
  auto v1 = Read(swf::Movie({swf::Tag(2, w.bytes())}));
  ASSERT_TRUE(v1);
  ASSERT_EQ(v1->shapes().size(), 1u);
  const Shape& s1 = v1->shapes()[0];
  ASSERT_EQ(s1.layers.size(), 2u);
  ASSERT_EQ(s1.layers[0].fills.size(), 255u);
  EXPECT_EQ(s1.layers[0].fills[254].colour, (Rgba{254, 1, 2, 255}));
  EXPECT_EQ(s1.layers[0].fillPaths[254].boundingRect(), QRectF(0, 0, 100, 100));
  ASSERT_EQ(s1.layers[1].fills.size(), 1u);
  EXPECT_EQ(s1.layers[1].fills[0].colour, (Rgba{7, 8, 9, 255}));
  EXPECT_EQ(s1.layers[1].fillPaths[0].boundingRect(), QRectF(0, 0, 60, 60));  // the pen is back at 0,0
  EXPECT_EQ(s1.edgeCount, 8u);
}

TEST(MovieReader, CompressedMoviesAndRefusals) {
  const swf::Bytes tags = swf::Movie({swf::DefineShape(1, 3, swf::RectShape(3, swf::Solid(1, 2, 3, 4), 0, 0, 20, 20)),
                                      swf::PlaceObject2({.depth = 1, .character = 1}), swf::ShowFrame()});
  swf::Bytes cws = swf::Movie({swf::DefineShape(1, 3, swf::RectShape(3, swf::Solid(1, 2, 3, 4), 0, 0, 20, 20)),
                               swf::PlaceObject2({.depth = 1, .character = 1}), swf::ShowFrame()},
                              {.compressed = true});
  std::string reason;
  auto movie = Read(cws, &reason);
  ASSERT_TRUE(movie) << reason;
  EXPECT_EQ(movie->info().signature, "CWS");
  EXPECT_EQ(movie->info().fileLength, tags.size());
  EXPECT_EQ(movie->info().bodyBytes, tags.size() - 8);
  EXPECT_EQ(movie->info().frameCount, 1);
  EXPECT_FALSE(movie->info().truncated);
  ASSERT_EQ(movie->shapes().size(), 1u);
  EXPECT_EQ(movie->shapes()[0].layers[0].fills[0].colour, (Rgba{1, 2, 3, 4}));

  // A compressed stream cut short: what inflates is read.
  swf::Bytes cut(cws.begin(), cws.end() - 6);
  auto partial = Read(cut, &reason);
  ASSERT_TRUE(partial) << reason;
  EXPECT_TRUE(partial->info().truncated);

  struct Row {
    swf::Bytes bytes;
    const char* reason;
  } rows[] = {
      {{'Z', 'W', 'S', 13, 66, 0, 0, 0, 1, 2, 3, 4, 5}, "SWF: LZMA-compressed movies are not read"},
      {{'F', 'W', 'S'}, "SWF: the file is too short for a header (3 bytes)"},
      {{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}, "SWF: not an SWF file (no FWS or CWS signature)"},
      {{'F', 'W', 'S', 6, 66, 0, 0, 0, 0x78, 0x00, 0x05}, "SWF: the header is truncated"},
      {{'C', 'W', 'S', 6, 66, 0, 0, 0, 0x12, 0x34, 0x56, 0x78}, "SWF: the compressed body cannot be inflated"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::string why;
    EXPECT_FALSE(Read(rows[i].bytes, &why)) << "row " << i;
    EXPECT_EQ(why, rows[i].reason) << "row " << i;
  }
}

TEST(MovieReader, TruncatedMoviesReadUpToWhereTheyEnd) {
  // Every prefix of the golden movie past its header: no read past the end (the
  // sanitizers watch), the tags whole up to the cut kept.
  for (std::size_t size = 21; size < swf::kGoldenMovie.size(); ++size) {
    swf::Bytes prefix(swf::kGoldenMovie.begin(), swf::kGoldenMovie.begin() + static_cast<std::ptrdiff_t>(size));
    std::string why;
    auto movie = Read(prefix, &why);
    ASSERT_TRUE(movie) << size << ": " << why;
    EXPECT_TRUE(movie->info().truncated) << size;
    EXPECT_EQ(movie->info().backgroundSet, size >= 26) << size;
    EXPECT_EQ(movie->shapes().size(), size >= 54 ? 1u : 0u) << size;
    EXPECT_EQ(movie->info().frameCount, size >= 64 ? 1 : 0) << size;
  }
  // A tag whose length runs past the data ends the tags.
  swf::Bytes longer = swf::Movie({swf::ShowFrame(), swf::Tag(2, swf::Bytes(10, 0), true)}, {.end = false});
  longer.resize(longer.size() - 5);
  auto cut = Read(longer);
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->info().truncated);
  EXPECT_EQ(cut->info().frameCount, 1);
  EXPECT_EQ(cut->info().tagCounts.count(2), 0u);
}

}  // namespace
}  // namespace zorvel::movie
