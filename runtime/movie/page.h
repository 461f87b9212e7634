// The page that embeds a movie: the effect writes a small HTML page beside the movie
// file and the movie host reads from it which file to play, at what size and on what
// background. Only the first <embed> tag counts; everything else on the page is
// ignored.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/movie/movie.h"

namespace zorvel::movie {

// Pages longer than this are refused: the effect's page is a few hundred bytes.
inline constexpr std::size_t kMaxPageBytes = 64 * 1024;
// The largest width or height a page may give its movie.
inline constexpr int kMaxPageExtent = 16384;

struct MoviePage {
  std::string source;  // the movie's file name (GBK), in the page's own folder
  int width = 0;       // pixels; 0: the window's width
  int height = 0;      // pixels; 0: the window's height
  std::optional<Rgba> background;  // the embed's bgcolor; none: the movie's own
};

// Reads the page bytes (GBK). Null with a one-line reason ("page: …") when there is no
// <embed> tag, its src is missing or is not a bare file name (a folder separator or
// ".." in it), its width or height is given but is not a whole number from 1 to
// kMaxPageExtent, or the page is longer than kMaxPageBytes. A bgcolor that is not
// #RRGGBB counts as none. The work is linear in the page's length.
std::optional<MoviePage> ReadMoviePage(std::string_view bytes, std::string* reason = nullptr);

}  // namespace zorvel::movie
