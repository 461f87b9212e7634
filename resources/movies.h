// The movies built into the program: the SWF files of resources/movies/ as constant data,
// written by zorvel-movies.
#pragma once

#include <string_view>

namespace zorvel::resources {
// Celebration movie 1, 2 or 3 (fireworks on black, to play over the main window); an
// empty view for any other number.
//   1: compressed (CWS), version 8, 550 × 400, 12 frames a second, 91 frames
//   2: compressed (CWS), version 6, 550 × 400, 36 frames a second, 60 frames
//   3: uncompressed (FWS), version 5, 400 × 400, 20 frames a second, 35 frames
std::string_view CelebrationMovie(int number);
// The movie played when none is given: uncompressed (FWS), version 5, 18 547 bytes,
// 680 × 350, one frame, a golden egg on white.
std::string_view DefaultMovie();
}  // namespace zorvel::resources
