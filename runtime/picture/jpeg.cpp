// JPEG pictures through libjpeg (the 6b interface), read from memory into 24-bit
// blue, green, red rows, bottom-up, unpadded.
//
// The decompressor writes each scan line straight into its bottom-up place in the
// record, already in blue, green, red order where the library can produce it, so no
// second pass over the pixels is made. Grey-scale pictures come out with equal red,
// green and blue.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "runtime/memory.h"
#include "runtime/picture/decoders.h"

namespace zorvel::picture {

namespace {

// libjpeg's error manager, extended with the place to jump back to. It comes first so
// that the library's pointer to it is a pointer to the whole.
struct ErrorExit {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void AbandonDecode(j_common_ptr info) {
  auto* exit = reinterpret_cast<ErrorExit*>(info->err);
  std::longjmp(exit->jump, 1);
}

// Warnings (corrupt but readable data) are not shown anywhere.
void Quiet(j_common_ptr) {}

#if defined(JCS_EXTENSIONS)
constexpr bool kLibraryGivesBgr = true;
constexpr J_COLOR_SPACE kOutputSpace = JCS_EXT_BGR;
#else
constexpr bool kLibraryGivesBgr = false;
constexpr J_COLOR_SPACE kOutputSpace = JCS_RGB;
#endif

struct JpegOutcome {
  std::uint8_t* pixels = nullptr;
  std::uint32_t width = 0, height = 0;
  bool tooLarge = false, noMemory = false;
  char message[JMSG_LENGTH_MAX] = {};
};

// Runs the decompressor over the whole stream. Nothing in this function has a
// destructor: a library error comes back here through longjmp, which frees what was
// built and gives false.
bool RunDecompressor(const std::uint8_t* data, std::size_t size, JpegOutcome* outcome) {
  jpeg_decompress_struct info;
  ErrorExit error;
  std::uint8_t* volatile pixels = nullptr;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = AbandonDecode;
  error.manager.output_message = Quiet;
  if (setjmp(error.jump)) {
    (*info.err->format_message)(reinterpret_cast<j_common_ptr>(&info), outcome->message);
    jpeg_destroy_decompress(&info);
    Free(pixels);
    return false;
  }
  jpeg_create_decompress(&info);
  // The library's own buffers (whole-image coefficients of progressive pictures) are
  // held to the same limit as the pixels; past it the library reports an error.
  info.mem->max_memory_to_use = kMaxPictureBytes;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);

  const std::uint64_t width = info.image_width, height = info.image_height;
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height * 3 > static_cast<std::uint64_t>(kMaxPictureBytes)) {
    outcome->tooLarge = true;
    outcome->width = info.image_width;
    outcome->height = info.image_height;
    jpeg_destroy_decompress(&info);
    return false;
  }
  // Three-component pictures (YCbCr or RGB) and grey-scale ones are converted to
  // colour by the library; four-component ones (CMYK, YCCK) are not read.
  const bool fourColours = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  if (fourColours || (info.num_components != 1 && info.num_components != 3)) {
    if (fourColours)
      std::snprintf(outcome->message, sizeof outcome->message, "CMYK colour%s is not read",
                    info.jpeg_color_space == JCS_YCCK ? " (as YCCK)" : "");
    else
      std::snprintf(outcome->message, sizeof outcome->message, "%d colour components are not read",
                    info.num_components);
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = kOutputSpace;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width != width || info.output_height != height) {
    std::snprintf(outcome->message, sizeof outcome->message, "output of %d components at %ux%u is not read",
                  info.output_components, info.output_width, info.output_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  pixels = static_cast<std::uint8_t*>(AllocateUnchecked(rowBytes * static_cast<std::size_t>(height)));
  if (!pixels) {
    outcome->noMemory = true;
    jpeg_destroy_decompress(&info);
    return false;
  }
  // Scan lines arrive top-down and go to their rows counted from the bottom.
  std::uint8_t* const bottomRow = pixels + rowBytes * static_cast<std::size_t>(height - 1);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[16];
    const JDIMENSION first = info.output_scanline;
    JDIMENSION want = info.output_height - first;
    if (want > 16) want = 16;
    for (JDIMENSION i = 0; i < want; ++i) rows[i] = bottomRow - rowBytes * (first + i);
    const JDIMENSION got = jpeg_read_scanlines(&info, rows, want);
    if (!kLibraryGivesBgr)
      for (JDIMENSION i = 0; i < got; ++i)
        for (std::size_t x = 0; x < rowBytes; x += 3) std::swap(rows[i][x], rows[i][x + 2]);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  outcome->pixels = pixels;
  outcome->width = static_cast<std::uint32_t>(width);
  outcome->height = static_cast<std::uint32_t>(height);
  return true;
}

}  // namespace

bool DecodeJpegPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason) {
  JpegOutcome outcome;
  if (!RunDecompressor(data, size, &outcome)) {
    if (outcome.tooLarge)
      return SidesFit(outcome.width, outcome.height, "JPEG", reason) &&
             Refuse(reason, "JPEG: " + std::to_string(outcome.width) + " x " + std::to_string(outcome.height) +
                                " is too large");
    if (outcome.noMemory) return Refuse(reason, "JPEG: out of memory");
    return Refuse(reason, std::string("JPEG: ") + outcome.message);
  }
  picture.width = static_cast<std::int32_t>(outcome.width);
  picture.height = static_cast<std::int32_t>(outcome.height);
  picture.pixels = outcome.pixels;
  picture.pixelBytes = outcome.width * outcome.height * 3;
  return true;
}

}  // namespace zorvel::picture
