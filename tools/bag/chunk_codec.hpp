#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__CHUNK_CODEC_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__CHUNK_CODEC_HPP_

// Chunk compression as MCAP names it (zstd frames, LZ4 frames, or none),
// through Debian's libzstd and liblz4, and CRC-32 through zlib.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bag
{

enum class Compression {NONE, ZSTD, LZ4};

// Bytes that are always written before they are read: growing it does not
// zero them first (chunks are megabytes, read and unpacked many times).
template<class T>
struct UninitializedAllocator : std::allocator<T>
{
  template<class U>
  struct rebind {using other = UninitializedAllocator<U>;};
  UninitializedAllocator() = default;
  template<class U>
  UninitializedAllocator(const UninitializedAllocator<U> &) noexcept {}
  template<class U>
  void construct(U * place) noexcept {::new (static_cast<void *>(place)) U;}
  template<class U, class ... Args>
  void construct(U * place, Args && ... args) {::new (static_cast<void *>(place)) U(std::forward<Args>(args)...);}
};
using Buffer = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;

const char * compression_name(Compression compression);  // "", "zstd", "lz4"
std::optional<Compression> compression_named(const std::string & name);

// `out` becomes the compressed bytes.
void compress(Compression compression, const uint8_t * data, std::size_t size, Buffer & out);

// `out` becomes exactly `expected` bytes, or a FormatError. Memory follows
// what the data yields, never more than `expected`: a size that lies costs
// nothing.
void decompress(
  Compression compression, const uint8_t * data, std::size_t size, std::size_t expected, Buffer & out);

uint32_t crc32(const uint8_t * data, std::size_t size, uint32_t previous = 0);

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__CHUNK_CODEC_HPP_
