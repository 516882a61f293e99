#include "bag/chunk_codec.hpp"

#include <algorithm>
#include <memory>

#include <lz4frame.h>
#include <zlib.h>
#include <zstd.h>

#include "bag/mcap_records.hpp"

namespace bag
{

const char * compression_name(Compression compression)
{
  return compression == Compression::ZSTD ? "zstd" : compression == Compression::LZ4 ? "lz4" : "";
}

std::optional<Compression> compression_named(const std::string & name)
{
  if (name.empty() || name == "none") {
    return Compression::NONE;
  }
  if (name == "zstd") {
    return Compression::ZSTD;
  }
  if (name == "lz4") {
    return Compression::LZ4;
  }
  return std::nullopt;
}

void compress(Compression compression, const uint8_t * data, std::size_t size, Buffer & out)
{
  if (compression == Compression::ZSTD) {
    out.resize(ZSTD_compressBound(size));
    // Level 1: a live recorder cannot wait for a better ratio.
    const std::size_t written = ZSTD_compress(out.data(), out.size(), data, size, 1);
    if (ZSTD_isError(written)) {
      throw FormatError(std::string("zstd: ") + ZSTD_getErrorName(written));
    }
    out.resize(written);
  } else if (compression == Compression::LZ4) {
    LZ4F_preferences_t preferences = {};
    preferences.frameInfo.contentSize = size;
    out.resize(LZ4F_compressFrameBound(size, &preferences));
    const std::size_t written = LZ4F_compressFrame(out.data(), out.size(), data, size, &preferences);
    if (LZ4F_isError(written)) {
      throw FormatError(std::string("lz4: ") + LZ4F_getErrorName(written));
    }
    out.resize(written);
  } else {
    out.assign(data, data + size);
  }
}

namespace
{
// Output grows with what the data actually yields (at most `expected`), so a
// chunk that only claims a large size costs nothing: room for what a few
// times its compressed size gives, doubled as needed.
class GrowingOutput
{
public:
  GrowingOutput(Buffer & out, std::size_t compressed, std::size_t expected)
  : out_(out), expected_(expected)
  {
    out_.resize(std::min(expected, std::max<std::size_t>(8 * compressed, 64 << 10)));
  }
  uint8_t * here() {return out_.data() + produced_;}
  std::size_t room() const {return out_.size() - produced_;}
  void produced(std::size_t count) {produced_ += count;}
  std::size_t total() const {return produced_;}
  // False when it is full at the expected size.
  bool grow()
  {
    if (out_.size() >= expected_) {
      return false;
    }
    out_.resize(std::min(expected_, 2 * out_.size()));
    return true;
  }

private:
  Buffer & out_;
  std::size_t expected_;
  std::size_t produced_ = 0;
};

void lz4_decompress(const uint8_t * data, std::size_t size, GrowingOutput & out)
{
  LZ4F_dctx * raw = nullptr;
  if (LZ4F_isError(LZ4F_createDecompressionContext(&raw, LZ4F_VERSION))) {
    throw FormatError("lz4: no decompression context");
  }
  const std::unique_ptr<LZ4F_dctx, decltype(&LZ4F_freeDecompressionContext)> context(
    raw, LZ4F_freeDecompressionContext);
  std::size_t consumed = 0;
  while (true) {
    // Full at the expected size: one more call with no room must end the frame.
    const bool full = out.room() == 0 && !out.grow();
    std::size_t room = out.room();
    std::size_t taken = size - consumed;
    const std::size_t hint = LZ4F_decompress(context.get(), out.here(), &room, data + consumed, &taken, nullptr);
    if (LZ4F_isError(hint)) {
      throw FormatError(std::string("lz4: ") + LZ4F_getErrorName(hint));
    }
    out.produced(room);
    consumed += taken;
    if (hint == 0) {  // the frame is complete
      break;
    }
    if (full) {
      throw FormatError("lz4: the frame holds more than the size the chunk gives");
    }
    if (consumed == size && room == 0) {
      throw FormatError("lz4: the frame ends early");
    }
  }
  if (consumed != size) {
    throw FormatError("lz4: bytes after the frame");
  }
}

void zstd_decompress(const uint8_t * data, std::size_t size, GrowingOutput & out)
{
  const std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> context(ZSTD_createDCtx(), ZSTD_freeDCtx);
  if (!context) {
    throw FormatError("zstd: no decompression context");
  }
  ZSTD_inBuffer input{data, size, 0};
  while (true) {
    const bool full = out.room() == 0 && !out.grow();  // as for LZ4
    ZSTD_outBuffer output{out.here(), out.room(), 0};
    const std::size_t left = ZSTD_decompressStream(context.get(), &output, &input);
    if (ZSTD_isError(left)) {
      throw FormatError(std::string("zstd: ") + ZSTD_getErrorName(left));
    }
    out.produced(output.pos);
    if (left == 0 && input.pos == input.size) {  // the last frame is complete
      return;
    }
    if (full) {
      throw FormatError("zstd: the frame holds more than the size the chunk gives");
    }
    if (input.pos == input.size && output.pos < output.size) {
      throw FormatError("zstd: the frame ends early");
    }
  }
}
}  // namespace

void decompress(
  Compression compression, const uint8_t * data, std::size_t size, std::size_t expected, Buffer & out)
{
  if (compression == Compression::NONE) {
    if (size != expected) {
      throw FormatError("an uncompressed chunk's size differs from its records' size");
    }
    out.assign(data, data + size);
    return;
  }
  GrowingOutput output(out, size, expected);
  if (compression == Compression::LZ4) {
    lz4_decompress(data, size, output);
  } else {
    zstd_decompress(data, size, output);
  }
  if (output.total() != expected) {
    throw FormatError(std::string(compression_name(compression)) + ": the chunk unpacks to " +
            std::to_string(output.total()) + " bytes, not the " + std::to_string(expected) + " it gives");
  }
  out.resize(expected);
}

uint32_t crc32(const uint8_t * data, std::size_t size, uint32_t previous)
{
  uLong crc = previous;
  while (size > 0) {  // zlib takes its length as a uInt
    const uInt step = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    crc = ::crc32(crc, data, step);
    data += step;
    size -= step;
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace bag
