// The program's movies as the generator builds them: three fireworks movies and the
// default movie, each first a scene (the shapes, and per frame the objects on the stage
// with their place, size, colour change and alpha), then written as SWF from that scene.
// The preview paints the same scenes, so what it shows is what the movie holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/swf_writer.h"

namespace zorvel::tools::movies {

// One object on the stage in one frame: the shape (character id, 1-based into the
// scene's shapes) at a depth, moved to (x, y) twips, scaled by scale (16.16), its colours
// multiplied by 256 (red, green, blue) and alpha / 256 (alpha), then whiten added to red,
// green and blue.
struct Object {
  std::uint16_t depth = 1;
  std::uint16_t character = 1;
  std::int32_t x = 0, y = 0;
  std::int32_t scale = 65536;
  std::int32_t alpha = 256;
  std::int32_t whiten = 0;
  swf::Matrix Matrix() const { return swf::Matrix::ScaleTranslate(scale, x, y); }
  swf::ColourTransform ColourTransform() const;
};

struct Scene {
  swf::MovieHeader header;
  bool attributes = false;  // a FileAttributes tag first (version 8 and later)
  swf::Rgba background;
  bool version1Shapes = false;  // DefineShape rather than DefineShape3
  std::vector<swf::Shape> shapes;
  std::vector<std::vector<Object>> frames;  // each in ascending depth
  // Text for a Metadata tag just before End that brings the file to exactly this many
  // bytes (0: no such tag).
  std::uint32_t exactLength = 0;
  std::string description;
};

// Fireworks movie 1, 2 or 3.
Scene Fireworks(int number);
// The movie shown when none is given: a golden egg on white.
Scene DefaultScene();

// The SWF file of a scene: the header's fields, SetBackgroundColor, the shapes, then per
// frame the changes from the frame before (RemoveObject2 for objects gone, PlaceObject2
// 0x0E for new ones, 0x05 / 0x09 / 0x0D for moves with a new matrix and/or colour
// transform) and ShowFrame, then End.
std::string WriteMovie(const Scene& scene);

// The largest number of objects on the stage in any frame.
std::size_t BusiestFrame(const Scene& scene);

}  // namespace zorvel::tools::movies
