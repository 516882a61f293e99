// The decode path of the stream tools on arbitrary bytes: split into access
// units, parameter sets, picture order and decoding. Damage may be counted;
// nothing may crash, leak or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include "annexb.hpp"
#include "media/codec.hpp"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
  // A hostile parameter set may ask for pictures of any size: FFmpeg refuses
  // past this instead of asking the allocator.
  av_max_alloc(64 << 20);
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, std::size_t size)
{
  if (size < 1) {
    return 0;
  }
  // The first byte picks the codec; the rest is the stream.
  const annexb::Codec codec = data[0] & 1 ? annexb::Codec::H265 : annexb::Codec::H264;
  const std::vector<uint8_t> stream(data + 1, data + size);
  try {
    media::Decoder decoder(codec, 1);
    uint64_t frames = 0;
    const media::Decoder::Sink count = [&frames](const AVFrame &) {++frames;};
    int64_t index = 0;
    for (const annexb::AccessUnit & unit : annexb::split_access_units(stream, codec)) {
      annexb::parameter_sets(stream.data() + unit.offset, unit.size, codec);
      decoder.decode(stream.data() + unit.offset, unit.size, index++, count);
    }
    decoder.finish(count);
  } catch (const media::Error &) {
  }
  return 0;
}
