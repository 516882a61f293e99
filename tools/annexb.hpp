#ifndef ORVANE_H26X_MSGS_TOOLS__ANNEXB_HPP_
#define ORVANE_H26X_MSGS_TOOLS__ANNEXB_HPP_

// Splitting H.264 / H.265 Annex-B elementary streams into access units.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace annexb
{

enum class Codec {H264, H265};

// The codec from the file name (.h264/.264/.avc or .h265/.265/.hevc), else
// from the first NAL unit header; "h264" or "h265" as text.
Codec guess_codec(const std::string & path, const std::vector<uint8_t> & stream);
const char * codec_name(Codec codec);

// [offset, offset + size) of each access unit. The units are back to back
// and cover the whole stream, so writing them in order gives the input again.
struct AccessUnit
{
  std::size_t offset;
  std::size_t size;
};
std::vector<AccessUnit> split_access_units(const std::vector<uint8_t> & stream, Codec codec);

// Whether the bytes are an Annex-B stream: a start code (after at most a few
// zero bytes) where the first NAL unit must begin, and a picture in it.
bool is_annexb(const std::vector<uint8_t> & stream, Codec codec);

// Picture size from the first sequence parameter set in the range (the
// conformance window applied); zeros where there is none.
struct Geometry
{
  uint32_t width = 0;
  uint32_t height = 0;
};
Geometry find_geometry(const uint8_t * data, std::size_t size, Codec codec);

// Pictures per second from the timing information of the first sequence
// parameter set's VUI (H.264, H.265) or, for H.265, the video parameter set
// in the range; 0 where there is none.
double find_frame_rate(const uint8_t * data, std::size_t size, Codec codec);

// Whether the access unit holds a picture a decoder can start at: an IDR
// picture (H.264) or an intra random access point (H.265).
bool is_key_frame(const uint8_t * data, std::size_t size, Codec codec);

// The parameter sets of the range (H.264 SPS and PPS; H.265 VPS, SPS and
// PPS), each after a 4-byte start code: what a container stores as the
// stream's configuration. Empty when there are none.
std::vector<uint8_t> parameter_sets(const uint8_t * data, std::size_t size, Codec codec);

// A stream's latest parameter sets, put before every key frame that lacks
// them, so that a reader may start at any key frame (parameter sets sent
// once, out of band or at the start only, serve no late reader).
class ParameterSetKeeper
{
public:
  explicit ParameterSetKeeper(Codec codec) : codec_(codec) {}
  // Takes the sets of a range (a unit, a container's configuration).
  void remember(const uint8_t * data, std::size_t size);
  // Remembers the unit's own sets; when it is a key frame without them and
  // sets are known, puts them in front (after an access unit delimiter).
  // True when the unit is a key frame a decoder can start at.
  bool complete(std::vector<uint8_t> & unit);
  bool known() const {return !sets_.empty();}

private:
  Codec codec_;
  std::vector<uint8_t> sets_;
};

// The NAL units of the range without their start codes (and without the
// zero bytes that pad before the next one), for comparing access units
// whatever framing carried them.
std::vector<std::vector<uint8_t>> nal_payloads(const uint8_t * data, std::size_t size);

}  // namespace annexb

#endif  // ORVANE_H26X_MSGS_TOOLS__ANNEXB_HPP_
