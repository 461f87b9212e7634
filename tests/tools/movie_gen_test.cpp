// The movie generator, run as a program, writes exactly the movies kept in
// resources/movies/ (the compressed ones compared by their header and inflated body,
// since zlib's output may differ between its versions); each movie has the header it
// should, and a small tag walker of its own, independent of the writer, finds a sound
// file: every tag within it, End last, FileAttributes first in version 8, one ShowFrame
// per frame counted, and a display list that only places at free depths, only moves and
// removes what is there, and uses only the shapes defined.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace {

using zorvel::test::ReadBytes;

const std::string kGenerator = std::string(ZORVEL_BINARY_DIR) + "/tools/zorvel-movies";
const std::filesystem::path kKept = std::filesystem::path(ZORVEL_SOURCE_DIR) / "resources/movies";

struct Expected {
  const char* name;
  const char* signature;
  int version, width, height;
  std::uint8_t rateFraction, rate;
  int frames;
  std::uint8_t background[3];
};
const Expected kMovies[] = {
    {"fireworks-1.swf", "CWS", 8, 550, 400, 0, 12, 91, {0, 0, 0}},
    {"fireworks-2.swf", "CWS", 6, 550, 400, 0, 36, 60, {0, 0, 0}},
    {"fireworks-3.swf", "FWS", 5, 400, 400, 0, 20, 35, {0, 0, 0}},
    {"default.swf", "FWS", 5, 680, 350, 0, 12, 1, {255, 255, 255}},
};

std::uint32_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// The whole file as it is uncompressed: the header's eight bytes, then the body.
std::string Expand(const std::string& file) {
  if (file.size() < 8 || file.compare(0, 3, "CWS") != 0) return file;
  std::string body(U32(file, 4) - 8, '\0');
  uLongf size = static_cast<uLongf>(body.size());
  if (uncompress(reinterpret_cast<Bytef*>(body.data()), &size, reinterpret_cast<const Bytef*>(file.data() + 8),
                 static_cast<uLong>(file.size() - 8)) != Z_OK ||
      size != body.size()) {
    return {};
  }
  return file.substr(0, 8) + body;
}

// Reads UB fields most significant bit first.
struct Bits {
  const std::string& b;
  std::size_t bit;
  std::uint32_t Take(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++bit) v = v << 1 | ((static_cast<std::uint8_t>(b[bit / 8]) >> (7 - bit % 8)) & 1u);
    return v;
  }
  std::int32_t Signed(int n) {
    const std::uint32_t v = Take(n);
    return n > 0 && (v >> (n - 1)) ? static_cast<std::int32_t>(v) - (1 << n) : static_cast<std::int32_t>(v);
  }
};

struct Walk {
  std::vector<std::uint16_t> codes;
  int shows = 0;
  bool withinFile = true;
  std::uint8_t background[3] = {1, 2, 3};
  std::size_t busiest = 0;
  std::vector<std::string> faults;  // display-list misuse
  std::int32_t stage[4] = {};
};

Walk WalkTags(const std::string& swf) {
  Walk w;
  Bits rect{swf, 8 * 8};
  const int n = static_cast<int>(rect.Take(5));
  for (std::int32_t& v : w.stage) v = rect.Signed(n);
  std::size_t at = (rect.bit + 7) / 8 + 4;
  std::set<std::uint16_t> defined, depths;
  while (at + 2 <= swf.size()) {
    const std::uint32_t header = U16(swf, at);
    std::uint32_t length = header & 63;
    at += 2;
    if (length == 63) {
      if (at + 4 > swf.size()) break;
      length = U32(swf, at);
      at += 4;
    }
    if (length > swf.size() - at) {
      w.withinFile = false;
      break;
    }
    const auto code = static_cast<std::uint16_t>(header >> 6);
    w.codes.push_back(code);
    const std::string body = swf.substr(at, length);
    at += length;
    if (code == 0) break;
    if (code == 1) {
      ++w.shows;
      w.busiest = std::max(w.busiest, depths.size());
    } else if (code == 9 && length == 3) {
      for (int i = 0; i < 3; ++i) w.background[i] = static_cast<std::uint8_t>(body[i]);
    } else if ((code == 2 || code == 32) && length >= 2) {
      defined.insert(static_cast<std::uint16_t>(U16(body, 0)));
    } else if (code == 28 && length == 2) {
      if (depths.erase(static_cast<std::uint16_t>(U16(body, 0))) == 0) w.faults.push_back("removes an empty depth");
    } else if (code == 26 && length >= 3) {
      const auto flags = static_cast<std::uint8_t>(body[0]);
      const auto depth = static_cast<std::uint16_t>(U16(body, 1));
      if (flags == 0x0E && length >= 5) {
        if (!defined.contains(static_cast<std::uint16_t>(U16(body, 3)))) w.faults.push_back("places an undefined shape");
        if (!depths.insert(depth).second) w.faults.push_back("places at a taken depth");
      } else if (flags == 0x05 || flags == 0x09 || flags == 0x0D) {
        if (!depths.contains(depth)) w.faults.push_back("moves at an empty depth");
      } else {
        w.faults.push_back("PlaceObject2 flags " + std::to_string(flags));
      }
    }
  }
  w.withinFile = w.withinFile && at == swf.size();
  return w;
}

class Movies : public testing::Test {
 protected:
  void SetUp() override {
    for (const Expected& e : kMovies) {
      kept_.push_back(ReadBytes((kKept / e.name).string()));
      ASSERT_FALSE(kept_.back().empty()) << kKept / e.name << " is missing";
    }
  }
  std::vector<std::string> kept_;
};

TEST_F(Movies, GeneratorWritesTheMoviesKeptInResources) {
  zorvel::test::TempFolder folder("zorvel-movies");
  std::string said;
  ASSERT_EQ(zorvel::test::RunCommand(zorvel::test::ShellQuote(kGenerator) + " " + zorvel::test::ShellQuote(folder.path()), &said), 0)
      << said;
  for (std::size_t i = 0; i < std::size(kMovies); ++i) {
    const std::string written = ReadBytes(folder / kMovies[i].name);
    ASSERT_FALSE(written.empty()) << kMovies[i].name;
    if (kMovies[i].signature[0] == 'F') {
      EXPECT_TRUE(written == kept_[i]) << "resources/movies/" << kMovies[i].name << " differs from what zorvel-movies writes";
    } else {
      EXPECT_EQ(written.substr(0, 8), kept_[i].substr(0, 8)) << kMovies[i].name;
      const std::string a = Expand(written), b = Expand(kept_[i]);
      EXPECT_FALSE(a.empty()) << kMovies[i].name;
      EXPECT_TRUE(a == b) << "resources/movies/" << kMovies[i].name << " expands to other bytes than zorvel-movies writes";
    }
  }
}

TEST_F(Movies, HeadersAndTagsAreSound) {
  for (std::size_t i = 0; i < std::size(kMovies); ++i) {
    const Expected& e = kMovies[i];
    SCOPED_TRACE(e.name);
    const std::string& file = kept_[i];
    EXPECT_EQ(file.substr(0, 3), e.signature);
    EXPECT_EQ(file[3], e.version);
    const std::string swf = Expand(file);
    ASSERT_GT(swf.size(), 21u);
    EXPECT_EQ(U32(file, 4), swf.size());
    const Walk w = WalkTags(swf);
    EXPECT_EQ(w.stage[0], 0);
    EXPECT_EQ(w.stage[1], e.width * 20);
    EXPECT_EQ(w.stage[2], 0);
    EXPECT_EQ(w.stage[3], e.height * 20);
    Bits rect{swf, 8 * 8};
    const std::size_t rateAt = (5 + 4 * rect.Take(5) + 7) / 8 + 8;
    EXPECT_EQ(static_cast<std::uint8_t>(swf[rateAt]), e.rateFraction);
    EXPECT_EQ(static_cast<std::uint8_t>(swf[rateAt + 1]), e.rate);
    EXPECT_EQ(U16(swf, rateAt + 2), static_cast<std::uint32_t>(e.frames));
    EXPECT_EQ(w.shows, e.frames);
    EXPECT_TRUE(w.withinFile);
    ASSERT_FALSE(w.codes.empty());
    EXPECT_EQ(w.codes.back(), 0) << "the last tag is End";
    EXPECT_EQ(w.codes.front() == 69, e.version >= 8) << "FileAttributes first from version 8";
    EXPECT_EQ(std::vector<std::uint8_t>(w.background, w.background + 3),
              std::vector<std::uint8_t>(e.background, e.background + 3));
    EXPECT_TRUE(w.faults.empty()) << w.faults.front();
    EXPECT_GE(w.busiest, 1u);
    EXPECT_LE(w.busiest, 400u) << "a frame with more objects than the movies allow";
  }
  EXPECT_EQ(kept_[3].size(), 18547u) << "the default movie";
}

// Each fireworks movie shows a few hundred objects at its busiest frame.
TEST_F(Movies, FireworksFillTheirFrames) {
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(kMovies[i].name);
    const Walk w = WalkTags(Expand(kept_[i]));
    EXPECT_GE(w.busiest, 200u);
  }
}

}  // namespace
