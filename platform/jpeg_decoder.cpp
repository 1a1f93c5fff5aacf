// Baseline JPEG as ITU T.81 describes it: markers, Huffman tables, 8x8 inverse DCT and the
// JFIF colour conversion. Every read is bounds-checked; damaged data gives false, never a
// read outside the input.
#include "platform/jpeg_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace platform {
namespace {

// Zigzag position -> natural (row x 8 + column) position of a coefficient.
constexpr std::array<int, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

struct HuffmanTable {
  bool defined = false;
  std::array<std::uint8_t, 256> symbols{};
  std::array<int, 17> minCode{}, maxCode{}, firstIndex{};  // by code length 1..16
};

struct Component {
  int id = 0;
  int h = 1, v = 1;  // sampling factors
  int quantTable = 0;
  int dcTable = 0, acTable = 0;
  int predictor = 0;
  int planeWidth = 0;               // samples in one row of the plane (whole blocks)
  std::vector<std::uint8_t> plane;  // the samples of one row of MCUs
};

// The entropy-coded data of a scan, bit by bit. A stuffed 0xFF 0x00 is a data byte; any
// other marker, or the end of the input, ends the data: reading on past it marks the
// scan as damaged.
class BitReader {
 public:
  BitReader(const std::uint8_t* at, const std::uint8_t* end) : at_(at), end_(end) {}

  int Bit() {
    if (bitsLeft_ == 0) {
      current_ = NextByte();
      bitsLeft_ = 8;
    }
    --bitsLeft_;
    return (current_ >> bitsLeft_) & 1;
  }

  int Bits(int count) {
    int value = 0;
    while (count-- > 0) value = (value << 1) | Bit();
    return value;
  }

  bool damaged() const { return damaged_; }

 private:
  int NextByte() {
    if (atMarker_ || at_ >= end_) {
      damaged_ = true;
      return 0;
    }
    const std::uint8_t byte = *at_++;
    if (byte != 0xFF) return byte;
    if (at_ < end_ && *at_ == 0x00) {
      ++at_;
      return 0xFF;
    }
    --at_;  // a marker: the data ends here
    atMarker_ = true;
    damaged_ = true;
    return 0;
  }

  const std::uint8_t* at_;
  const std::uint8_t* end_;
  int current_ = 0;
  int bitsLeft_ = 0;
  bool atMarker_ = false;
  bool damaged_ = false;
};

int DecodeSymbol(BitReader& bits, const HuffmanTable& table) {
  int code = 0;
  for (int length = 1; length <= 16; ++length) {
    code = (code << 1) | bits.Bit();
    if (table.maxCode[length] >= 0 && code <= table.maxCode[length]) {
      return table.symbols[table.firstIndex[length] + code - table.minCode[length]];
    }
  }
  return -1;
}

// A value of `size` bits, of which the first says the sign (T.81 F.2.2.1, EXTEND).
int Extend(int value, int size) {
  return size > 0 && value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

// cos((2x + 1) u pi / 16) scaled for the inverse DCT, with the 1/sqrt(2) of u = 0.
const std::array<std::array<float, 8>, 8>& IdctTable() {
  static const auto table = [] {
    std::array<std::array<float, 8>, 8> cosines{};
    for (int x = 0; x < 8; ++x) {
      for (int u = 0; u < 8; ++u) {
        const double scale = u == 0 ? std::sqrt(0.5) : 1.0;
        cosines[x][u] = static_cast<float>(scale * std::cos((2 * x + 1) * u * std::numbers::pi / 16) / 2);
      }
    }
    return cosines;
  }();
  return table;
}

std::uint8_t ClampSample(float value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// Inverse DCT of one block into 8 x 8 samples at `out`, rows `stride` apart.
void InverseDct(const std::array<float, 64>& coefficients, std::uint8_t* out, int stride) {
  const auto& c = IdctTable();
  std::array<float, 64> rows{};
  for (int v = 0; v < 8; ++v) {
    for (int x = 0; x < 8; ++x) {
      float sum = 0;
      for (int u = 0; u < 8; ++u) sum += c[x][u] * coefficients[v * 8 + u];
      rows[v * 8 + x] = sum;
    }
  }
  for (int x = 0; x < 8; ++x) {
    for (int y = 0; y < 8; ++y) {
      float sum = 0;
      for (int v = 0; v < 8; ++v) sum += c[y][v] * rows[v * 8 + x];
      out[y * stride + x] = ClampSample(sum + 128);
    }
  }
}

class Decoder {
 public:
  explicit Decoder(std::span<const std::uint8_t> data) : data_(data) {}

  // Reads the segments up to the frame header (sizeOnly) or up to the end of the first
  // scan, decoding it into `pixels`, which the caller made for a picture of `expected` size.
  bool Run(bool sizeOnly, JpegSize expected = {}, std::span<std::uint8_t> pixels = {},
           std::size_t stride = 0) {
    if (data_.size() < 4 || data_[0] != 0xFF || data_[1] != 0xD8) return false;
    std::size_t at = 2;
    for (;;) {
      while (at < data_.size() && data_[at] == 0xFF && at + 1 < data_.size() &&
             data_[at + 1] == 0xFF) {
        ++at;  // fill bytes before a marker
      }
      if (at + 2 > data_.size() || data_[at] != 0xFF) return false;
      const int marker = data_[at + 1];
      if (marker == 0xD9) return false;  // the end, and no picture yet
      if ((marker >= 0xD0 && marker <= 0xD8) || marker == 0x01) {  // markers without a length
        at += 2;
        continue;
      }
      if (at + 4 > data_.size()) return false;
      const std::size_t length = (data_[at + 2] << 8) | data_[at + 3];
      if (length < 2 || at + 2 + length > data_.size()) return false;
      const std::span<const std::uint8_t> segment = data_.subspan(at + 4, length - 2);
      at += 2 + length;
      switch (marker) {
        case 0xC0:  // baseline
        case 0xC1:  // extended sequential, Huffman: the same for 8-bit samples
          // One picture has one frame header. A second one would replace the size that
          // ReadJpegSize gave the caller, who has made a bitmap of that size.
          if (width_ != 0 || !ReadFrame(segment)) return false;
          if (sizeOnly) return true;
          break;
        case 0xC4:
          if (!ReadHuffmanTables(segment)) return false;
          break;
        case 0xDB:
          if (!ReadQuantTables(segment)) return false;
          break;
        case 0xDD:  // restart intervals: not in what we embed
          if (segment.size() != 2 || segment[0] != 0 || segment[1] != 0) return false;
          break;
        case 0xDA:
          if (sizeOnly || width_ == 0) return false;
          return ReadScanHeader(segment) && DecodeScan(at, expected, pixels, stride);
        default:
          // Other frame types (progressive, lossless, arithmetic coding) are not ours.
          if (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
              marker != 0xCC) {
            return false;
          }
          break;  // APPn, COM and the like carry nothing we need
      }
    }
  }

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool ReadFrame(std::span<const std::uint8_t> segment) {
    if (segment.size() < 6 || segment[0] != 8) return false;  // 8-bit samples only
    height_ = (segment[1] << 8) | segment[2];
    width_ = (segment[3] << 8) | segment[4];
    const int count = segment[5];
    if (width_ == 0 || height_ == 0 || count != 3) return false;  // colour: Y, Cb, Cr
    if (segment.size() != 6 + 3 * static_cast<std::size_t>(count)) return false;
    components_.assign(count, Component{});
    for (int i = 0; i < count; ++i) {
      Component& component = components_[i];
      component.id = segment[6 + 3 * i];
      component.h = segment[7 + 3 * i] >> 4;
      component.v = segment[7 + 3 * i] & 15;
      component.quantTable = segment[8 + 3 * i];
      if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4 ||
          component.quantTable > 3) {
        return false;
      }
      maxH_ = std::max(maxH_, component.h);
      maxV_ = std::max(maxV_, component.v);
    }
    return true;
  }

  bool ReadQuantTables(std::span<const std::uint8_t> segment) {
    std::size_t at = 0;
    while (at < segment.size()) {
      const int precision = segment[at] >> 4, id = segment[at] & 15;
      const std::size_t size = precision == 0 ? 64 : 128;
      if (precision > 1 || id > 3 || at + 1 + size > segment.size()) return false;
      for (int k = 0; k < 64; ++k) {
        quant_[id][k] = precision == 0 ? segment[at + 1 + k]
                                       : (segment[at + 1 + 2 * k] << 8) | segment[at + 2 + 2 * k];
      }
      at += 1 + size;
    }
    return true;
  }

  bool ReadHuffmanTables(std::span<const std::uint8_t> segment) {
    std::size_t at = 0;
    while (at < segment.size()) {
      if (at + 17 > segment.size()) return false;
      const int tableClass = segment[at] >> 4, id = segment[at] & 15;
      if (tableClass > 1 || id > 3) return false;
      HuffmanTable& table = huffman_[tableClass][id];
      int total = 0, code = 0;
      for (int length = 1; length <= 16; ++length) {
        const int count = segment[at + length];
        table.firstIndex[length] = total;
        table.minCode[length] = code;
        table.maxCode[length] = count > 0 ? code + count - 1 : -1;
        total += count;
        code = (code + count) << 1;
        if (total > 256 || code > (2 << length)) return false;  // not a prefix code
      }
      if (at + 17 + total > segment.size()) return false;
      std::copy_n(segment.begin() + static_cast<std::ptrdiff_t>(at + 17), total,
                  table.symbols.begin());
      table.defined = true;
      at += 17 + total;
    }
    return true;
  }

  bool ReadScanHeader(std::span<const std::uint8_t> segment) {
    if (segment.empty()) return false;
    const std::size_t count = segment[0];
    // One scan with every component: what baseline encoders write.
    if (count != components_.size() || segment.size() != 4 + 2 * count) return false;
    for (std::size_t i = 0; i < count; ++i) {
      Component& component = components_[i];
      if (segment[1 + 2 * i] != component.id) return false;
      component.dcTable = segment[2 + 2 * i] >> 4;
      component.acTable = segment[2 + 2 * i] & 15;
      if (component.dcTable > 1 || component.acTable > 1 ||
          !huffman_[0][component.dcTable].defined || !huffman_[1][component.acTable].defined) {
        return false;
      }
    }
    const std::size_t spectral = 1 + 2 * count;
    return segment[spectral] == 0 && segment[spectral + 1] == 63 && segment[spectral + 2] == 0;
  }

  bool DecodeBlock(BitReader& bits, Component& component, std::uint8_t* out, int stride) {
    const auto& quant = quant_[component.quantTable];
    std::array<float, 64> coefficients{};
    const int size = DecodeSymbol(bits, huffman_[0][component.dcTable]);
    if (size < 0 || size > 11) return false;
    component.predictor += Extend(bits.Bits(size), size);
    if (component.predictor < -2048 || component.predictor > 2047) return false;
    coefficients[0] = static_cast<float>(component.predictor * quant[0]);
    const HuffmanTable& ac = huffman_[1][component.acTable];
    for (int k = 1; k < 64;) {
      const int symbol = DecodeSymbol(bits, ac);
      if (symbol < 0) return false;
      const int run = symbol >> 4, bitCount = symbol & 15;
      if (bitCount == 0) {
        if (run != 15) break;  // end of block
        k += 16;
        continue;
      }
      k += run;
      if (k > 63) return false;
      coefficients[kZigzag[k]] = static_cast<float>(Extend(bits.Bits(bitCount), bitCount) * quant[k]);
      ++k;
    }
    InverseDct(coefficients, out, stride);
    return !bits.damaged();
  }

  bool DecodeScan(std::size_t at, JpegSize expected, std::span<std::uint8_t> pixels,
                  std::size_t stride) {
    if (width_ != expected.width || height_ != expected.height) return false;
    // Whether height rows of stride bytes fit, asked by dividing: the product stride x height
    // can wrap around, in a 32-bit size_t with the frame's own size, and in any size_t with
    // a stride near its top, and then pass for a buffer far too small.
    if (stride < static_cast<std::size_t>(width_) * 3 ||
        stride > pixels.size() / static_cast<std::size_t>(height_)) {
      return false;
    }
    const int mcuWidth = 8 * maxH_, mcuHeight = 8 * maxV_;
    const int mcusAcross = (width_ + mcuWidth - 1) / mcuWidth;
    const int mcusDown = (height_ + mcuHeight - 1) / mcuHeight;
    for (Component& component : components_) {
      component.planeWidth = mcusAcross * component.h * 8;
      component.plane.assign(static_cast<std::size_t>(component.planeWidth) * component.v * 8, 0);
    }
    BitReader bits(data_.data() + at, data_.data() + data_.size());
    for (int mcuRow = 0; mcuRow < mcusDown; ++mcuRow) {
      for (int mcu = 0; mcu < mcusAcross; ++mcu) {
        for (Component& component : components_) {
          for (int by = 0; by < component.v; ++by) {
            for (int bx = 0; bx < component.h; ++bx) {
              std::uint8_t* out = component.plane.data() +
                                  static_cast<std::size_t>(by * 8) * component.planeWidth +
                                  (mcu * component.h + bx) * 8;
              if (!DecodeBlock(bits, component, out, component.planeWidth)) return false;
            }
          }
        }
      }
      WriteRows(mcuRow * mcuHeight, std::min(mcuHeight, height_ - mcuRow * mcuHeight), pixels,
                stride);
    }
    return true;
  }

  // The samples of one row of MCUs as blue-green-red pixels; a component sampled less
  // often than the most often sampled one is repeated over the pixels it covers.
  void WriteRows(int top, int rows, std::span<std::uint8_t> pixels, std::size_t stride) const {
    const auto sample = [&](const Component& component, int x, int y) {
      const int sx = x * component.h / maxH_, sy = y * component.v / maxV_;
      return static_cast<float>(
          component.plane[static_cast<std::size_t>(sy) * component.planeWidth + sx]);
    };
    for (int y = 0; y < rows; ++y) {
      std::uint8_t* out = pixels.data() + (top + y) * stride;
      for (int x = 0; x < width_; ++x, out += 3) {
        const float luma = sample(components_[0], x, y);
        const float cb = sample(components_[1], x, y) - 128;
        const float cr = sample(components_[2], x, y) - 128;
        out[0] = ClampSample(luma + 1.772f * cb);
        out[1] = ClampSample(luma - 0.344136f * cb - 0.714136f * cr);
        out[2] = ClampSample(luma + 1.402f * cr);
      }
    }
  }

  std::span<const std::uint8_t> data_;
  int width_ = 0, height_ = 0;
  int maxH_ = 1, maxV_ = 1;
  std::vector<Component> components_;
  std::array<std::array<int, 64>, 4> quant_{};
  std::array<std::array<HuffmanTable, 4>, 2> huffman_{};  // [DC, AC][table id]
};

}  // namespace

bool ReadJpegSize(std::span<const std::uint8_t> data, JpegSize* size) {
  Decoder decoder(data);
  if (!decoder.Run(true)) return false;
  *size = {decoder.width(), decoder.height()};
  return true;
}

bool DecodeJpeg(std::span<const std::uint8_t> data, JpegSize size, std::span<std::uint8_t> pixels,
                std::size_t stride) {
  return Decoder(data).Run(false, size, pixels, stride);
}

}  // namespace platform
