// A small decoder for the baseline JPEG pictures we embed (sequential, Huffman-coded, 8-bit
// YCbCr colour, any sampling factors, no restart intervals). It writes straight into the
// caller's bitmap, so a picture costs its pixels and nothing else: no decoder library, no
// intermediate copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

struct JpegSize {
  int width = 0;
  int height = 0;
};

// The picture's size from its frame header; false when the data is not a baseline JPEG.
bool ReadJpegSize(std::span<const std::uint8_t> data, JpegSize* size);

// Decodes into rows of blue-green-red bytes, top row first, each row `stride` bytes apart
// (the layout of a top-down 24-bit bitmap). `size` is the size the caller made its bitmap
// for, as ReadJpegSize gave it; `pixels` must hold stride x size.height bytes. False when
// the picture is not of that size or does not fit `pixels`, when the data is damaged or has
// more than one frame header, or when it uses a JPEG feature we do not embed (progressive
// or arithmetic coding, 12-bit samples, grey scale, restart intervals); the pixels are then
// undefined.
bool DecodeJpeg(std::span<const std::uint8_t> data, JpegSize size, std::span<std::uint8_t> pixels,
                std::size_t stride);

}  // namespace platform
