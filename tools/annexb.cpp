#include "annexb.hpp"

#include <algorithm>
#include <stdexcept>

namespace annexb
{
namespace
{

// Start of each NAL unit's start code (the leading zero of a 4-byte code
// included), and where its header byte is.
struct Nal
{
  std::size_t start_code;
  std::size_t header;
};

std::vector<Nal> find_nal_units(const uint8_t * data, std::size_t size)
{
  std::vector<Nal> units;
  for (std::size_t i = 0; i + 3 <= size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      const std::size_t code = (i > 0 && data[i - 1] == 0) ? i - 1 : i;
      units.push_back({code, i + 3});
      i += 2;
    }
  }
  return units;
}

bool is_vcl(Codec codec, unsigned type)
{
  return codec == Codec::H264 ? (type >= 1 && type <= 5) : type <= 31;
}

unsigned nal_type(Codec codec, uint8_t header)
{
  return codec == Codec::H264 ? (header & 0x1F) : ((header >> 1) & 0x3F);
}

// Whether a NAL unit can only open a new access unit: parameter sets,
// delimiters, SEI and the first slice of a picture.
bool opens_access_unit(Codec codec, const uint8_t * nal, std::size_t available)
{
  const unsigned type = nal_type(codec, nal[0]);
  if (codec == Codec::H264) {
    if (type == 6 || type == 7 || type == 8 || type == 9 || (type >= 14 && type <= 18)) {
      return true;
    }
    // first_mb_in_slice == 0 is the single bit "1" of ue(v).
    return (type == 1 || type == 5) && available > 1 && (nal[1] & 0x80);
  }
  if ((type >= 32 && type <= 35) || type == 39 || (type >= 41 && type <= 44) || (type >= 48 && type <= 55)) {
    return true;
  }
  // first_slice_segment_in_pic_flag follows the two-byte header.
  return type <= 31 && available > 2 && (nal[2] & 0x80);
}

class BitReader
{
public:
  explicit BitReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint32_t bit()
  {
    if (position_ >= bytes_.size() * 8) {
      throw std::out_of_range("sequence parameter set ends early");
    }
    const uint32_t value = (bytes_[position_ / 8] >> (7 - position_ % 8)) & 1;
    ++position_;
    return value;
  }
  uint32_t bits(int count)
  {
    uint32_t value = 0;
    while (count-- > 0) {
      value = (value << 1) | bit();
    }
    return value;
  }
  uint32_t ue()
  {
    int zeros = 0;
    while (bit() == 0) {
      if (++zeros > 31) {
        throw std::out_of_range("bad exp-Golomb code");
      }
    }
    return (uint32_t{1} << zeros) - 1 + bits(zeros);
  }
  int32_t se()
  {
    const uint32_t code = ue();
    return (code & 1) ? static_cast<int32_t>((code + 1) / 2) : -static_cast<int32_t>(code / 2);
  }

private:
  std::vector<uint8_t> bytes_;
  std::size_t position_ = 0;
};

// The RBSP of a NAL unit: emulation prevention bytes (00 00 03) removed.
std::vector<uint8_t> unescape(const uint8_t * data, std::size_t size)
{
  std::vector<uint8_t> rbsp;
  rbsp.reserve(size);
  int zeros = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (zeros >= 2 && data[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = data[i] == 0 ? zeros + 1 : 0;
    rbsp.push_back(data[i]);
  }
  return rbsp;
}

void skip_scaling_list(BitReader & reader, int size)
{
  int last = 8, next = 8;
  for (int j = 0; j < size; ++j) {
    if (next != 0) {
      next = (last + reader.se() + 256) % 256;
    }
    last = next == 0 ? last : next;
  }
}

// The start that the H.264 and H.265 VUI share: aspect ratio, overscan,
// video signal type, chroma location.
void skip_vui_start(BitReader & reader)
{
  if (reader.bit() && reader.bits(8) == 255) {  // aspect_ratio_idc: Extended_SAR
    reader.bits(32);
  }
  if (reader.bit()) {  // overscan_info_present_flag
    reader.bit();
  }
  if (reader.bit()) {  // video_signal_type_present_flag
    reader.bits(4);
    if (reader.bit()) {  // colour_description_present_flag
      reader.bits(24);
    }
  }
  if (reader.bit()) {  // chroma_loc_info_present_flag
    reader.ue();
    reader.ue();
  }
}

// Picture rate from an H.264 SPS's VUI timing information, read on from
// just after frame_cropping; 0 when the SPS has none.
double h264_vui_frame_rate(BitReader & reader)
{
  if (!reader.bit()) {  // vui_parameters_present_flag
    return 0;
  }
  skip_vui_start(reader);
  if (!reader.bit()) {  // timing_info_present_flag
    return 0;
  }
  const uint32_t units_in_tick = reader.bits(32);
  const uint32_t time_scale = reader.bits(32);
  // A frame is two ticks (one per field).
  return units_in_tick ? time_scale / (2.0 * units_in_tick) : 0;
}

struct SpsInfo
{
  Geometry geometry;
  double frame_rate = 0;
};

SpsInfo h264_sps(const uint8_t * payload, std::size_t size)
{
  BitReader reader(unescape(payload, size));
  const uint32_t profile = reader.bits(8);
  reader.bits(16);  // constraint flags, level
  reader.ue();      // seq_parameter_set_id
  uint32_t chroma_format = 1;
  bool separate_planes = false;
  static const uint32_t high_profiles[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
  if (std::find(std::begin(high_profiles), std::end(high_profiles), profile) != std::end(high_profiles)) {
    chroma_format = reader.ue();
    if (chroma_format == 3) {
      separate_planes = reader.bit();
    }
    reader.ue();  // bit depths
    reader.ue();
    reader.bit();  // qpprime_y_zero_transform_bypass_flag
    if (reader.bit()) {  // seq_scaling_matrix_present_flag
      for (int i = 0; i < (chroma_format == 3 ? 12 : 8); ++i) {
        if (reader.bit()) {
          skip_scaling_list(reader, i < 6 ? 16 : 64);
        }
      }
    }
  }
  reader.ue();  // log2_max_frame_num_minus4
  const uint32_t poc_type = reader.ue();
  if (poc_type == 0) {
    reader.ue();
  } else if (poc_type == 1) {
    reader.bit();
    reader.se();
    reader.se();
    const uint32_t cycle = reader.ue();
    for (uint32_t i = 0; i < cycle; ++i) {
      reader.se();
    }
  }
  reader.ue();   // max_num_ref_frames
  reader.bit();  // gaps_in_frame_num_value_allowed_flag
  const uint32_t width_in_mbs = reader.ue() + 1;
  const uint32_t height_in_map_units = reader.ue() + 1;
  const uint32_t frame_mbs_only = reader.bit();
  if (!frame_mbs_only) {
    reader.bit();
  }
  reader.bit();  // direct_8x8_inference_flag
  uint32_t crop_left = 0, crop_right = 0, crop_top = 0, crop_bottom = 0;
  if (reader.bit()) {
    crop_left = reader.ue();
    crop_right = reader.ue();
    crop_top = reader.ue();
    crop_bottom = reader.ue();
  }
  const uint32_t array_type = separate_planes ? 0 : chroma_format;
  const uint32_t crop_x = array_type == 0 ? 1 : (chroma_format == 3 ? 1 : 2);
  const uint32_t crop_y = (array_type == 0 ? 1 : (chroma_format == 1 ? 2 : 1)) * (2 - frame_mbs_only);
  SpsInfo info;
  info.geometry.width = width_in_mbs * 16 - (crop_left + crop_right) * crop_x;
  info.geometry.height = (2 - frame_mbs_only) * height_in_map_units * 16 - (crop_top + crop_bottom) * crop_y;
  try {
    info.frame_rate = h264_vui_frame_rate(reader);
  } catch (const std::out_of_range &) {
    // The size stands without the timing.
  }
  return info;
}

// profile_tier_level(1, sub_layers_minus1) of an H.265 VPS or SPS.
void skip_profile_tier_level(BitReader & reader, uint32_t sub_layers_minus1)
{
  reader.bits(32);  // general profile space, tier, idc, compatibility flags
  reader.bits(32);
  reader.bits(32);  // the constraint flags' rest, general_level_idc
  std::vector<std::pair<bool, bool>> sub_layer_present(sub_layers_minus1);
  for (auto & present : sub_layer_present) {
    present.first = reader.bit();
    present.second = reader.bit();
  }
  if (sub_layers_minus1 > 0) {
    reader.bits(2 * static_cast<int>(8 - sub_layers_minus1));
  }
  for (const auto & present : sub_layer_present) {
    if (present.first) {
      reader.bits(32);
      reader.bits(32);
      reader.bits(24);
    }
    if (present.second) {
      reader.bits(8);
    }
  }
}

// Picture rate from an H.265 VPS's timing information; 0 when it has none.
double h265_vps_frame_rate(const uint8_t * payload, std::size_t size)
{
  BitReader reader(unescape(payload, size));
  reader.bits(12);  // vps_id, base layer flags, max_layers_minus1
  const uint32_t sub_layers_minus1 = reader.bits(3);
  reader.bits(17);  // temporal_id_nesting_flag, reserved 0xffff
  skip_profile_tier_level(reader, sub_layers_minus1);
  const bool ordering_for_each = reader.bit();
  for (uint32_t i = ordering_for_each ? 0 : sub_layers_minus1; i <= sub_layers_minus1; ++i) {
    reader.ue();
    reader.ue();
    reader.ue();
  }
  const uint32_t max_layer_id = reader.bits(6);
  const uint32_t layer_sets = reader.ue() + 1;
  for (uint32_t i = 1; i < layer_sets; ++i) {
    reader.bits(static_cast<int>(max_layer_id) + 1);
  }
  if (!reader.bit()) {  // vps_timing_info_present_flag
    return 0;
  }
  const uint32_t units_in_tick = reader.bits(32);
  const uint32_t time_scale = reader.bits(32);
  return units_in_tick ? static_cast<double>(time_scale) / units_in_tick : 0;
}

void skip_h265_scaling_list_data(BitReader & reader)
{
  for (int size_id = 0; size_id < 4; ++size_id) {
    for (int matrix_id = 0; matrix_id < 6; matrix_id += size_id == 3 ? 3 : 1) {
      if (!reader.bit()) {  // scaling_list_pred_mode_flag
        reader.ue();        // scaling_list_pred_matrix_id_delta
        continue;
      }
      const int coefficients = std::min(64, 1 << (4 + (size_id << 1)));
      if (size_id > 1) {
        reader.se();  // scaling_list_dc_coef_minus8
      }
      for (int i = 0; i < coefficients; ++i) {
        reader.se();
      }
    }
  }
}

// st_ref_pic_set(index) of an H.265 SPS; `delta_pocs` holds NumDeltaPocs of
// the sets before it and gets this one's.
void skip_h265_short_term_set(BitReader & reader, std::size_t index, std::vector<uint32_t> & delta_pocs)
{
  if (index != 0 && reader.bit()) {  // inter_ref_pic_set_prediction_flag
    reader.bit();  // delta_rps_sign
    reader.ue();   // abs_delta_rps_minus1
    // In an SPS the reference is always the set just before this one.
    uint32_t count = 0;
    for (uint32_t j = 0; j <= delta_pocs[index - 1]; ++j) {
      const bool used = reader.bit();
      count += used || reader.bit();  // use_delta_flag, present when not used
    }
    delta_pocs.push_back(count);
    return;
  }
  const uint32_t negative = reader.ue();
  const uint32_t positive = reader.ue();
  if (negative > 16 || positive > 16) {
    throw std::out_of_range("bad reference picture set");
  }
  for (uint32_t i = 0; i < negative + positive; ++i) {
    reader.ue();   // delta_poc_minus1
    reader.bit();  // used_by_curr_pic_flag
  }
  delta_pocs.push_back(negative + positive);
}

// Picture rate from the timing information of an H.265 VUI; 0 when it has none.
double h265_vui_frame_rate(BitReader & reader)
{
  skip_vui_start(reader);
  reader.bits(3);  // neutral_chroma_indication, field_seq, frame_field_info_present
  if (reader.bit()) {  // default_display_window_flag
    for (int i = 0; i < 4; ++i) {
      reader.ue();
    }
  }
  if (!reader.bit()) {  // vui_timing_info_present_flag
    return 0;
  }
  const uint32_t units_in_tick = reader.bits(32);
  const uint32_t time_scale = reader.bits(32);
  return units_in_tick ? static_cast<double>(time_scale) / units_in_tick : 0;
}

// Size and VUI picture rate of an H.265 SPS. The size stands when the rest
// is cut short or malformed.
SpsInfo h265_sps(const uint8_t * payload, std::size_t size)
{
  BitReader reader(unescape(payload, size));
  reader.bits(4);  // sps_video_parameter_set_id
  const uint32_t sub_layers_minus1 = reader.bits(3);
  reader.bit();    // sps_temporal_id_nesting_flag
  skip_profile_tier_level(reader, sub_layers_minus1);
  reader.ue();     // sps_seq_parameter_set_id
  const uint32_t chroma_format = reader.ue();
  if (chroma_format == 3) {
    reader.bit();  // separate_colour_plane_flag
  }
  uint32_t width = reader.ue();
  uint32_t height = reader.ue();
  if (reader.bit()) {  // conformance_window_flag
    const uint32_t sub_width = chroma_format == 1 || chroma_format == 2 ? 2 : 1;
    const uint32_t sub_height = chroma_format == 1 ? 2 : 1;
    const uint32_t left = reader.ue(), right = reader.ue(), top = reader.ue(), bottom = reader.ue();
    width -= std::min(width, sub_width * (left + right));
    height -= std::min(height, sub_height * (top + bottom));
  }
  SpsInfo info;
  info.geometry.width = width;
  info.geometry.height = height;
  try {
    reader.ue();  // bit_depth_luma_minus8
    reader.ue();  // bit_depth_chroma_minus8
    const uint32_t poc_lsb_bits = reader.ue() + 4;
    const bool ordering_for_each = reader.bit();
    for (uint32_t i = ordering_for_each ? 0 : sub_layers_minus1; i <= sub_layers_minus1; ++i) {
      reader.ue();
      reader.ue();
      reader.ue();
    }
    for (int i = 0; i < 6; ++i) {  // coding and transform block sizes, hierarchy depths
      reader.ue();
    }
    if (reader.bit() && reader.bit()) {  // scaling_list_enabled, sps_scaling_list_data_present
      skip_h265_scaling_list_data(reader);
    }
    reader.bits(2);  // amp_enabled_flag, sample_adaptive_offset_enabled_flag
    if (reader.bit()) {  // pcm_enabled_flag
      reader.bits(8);
      reader.ue();
      reader.ue();
      reader.bit();
    }
    const uint32_t short_term_sets = reader.ue();
    if (short_term_sets > 64) {
      throw std::out_of_range("bad reference picture sets");
    }
    std::vector<uint32_t> delta_pocs;
    for (uint32_t i = 0; i < short_term_sets; ++i) {
      skip_h265_short_term_set(reader, i, delta_pocs);
    }
    if (reader.bit()) {  // long_term_ref_pics_present_flag
      const uint32_t long_term = reader.ue();
      if (long_term > 32) {
        throw std::out_of_range("bad long-term pictures");
      }
      for (uint32_t i = 0; i < long_term; ++i) {
        reader.bits(static_cast<int>(poc_lsb_bits));
        reader.bit();
      }
    }
    reader.bits(2);  // sps_temporal_mvp_enabled_flag, strong_intra_smoothing_enabled_flag
    if (reader.bit()) {  // vui_parameters_present_flag
      info.frame_rate = h265_vui_frame_rate(reader);
    }
  } catch (const std::out_of_range &) {
  }
  return info;
}

}  // namespace

Codec guess_codec(const std::string & path, const std::vector<uint8_t> & stream)
{
  auto ends_with = [&path](const char * suffix) {
      const std::string s(suffix);
      return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
    };
  if (ends_with(".h265") || ends_with(".265") || ends_with(".hevc")) {
    return Codec::H265;
  }
  if (ends_with(".h264") || ends_with(".264") || ends_with(".avc")) {
    return Codec::H264;
  }
  const std::vector<Nal> units = find_nal_units(stream.data(), stream.size());
  // An H.265 stream starts with a VPS (type 32: header byte 0x40).
  return !units.empty() && units[0].header < stream.size() && stream[units[0].header] == 0x40 ?
         Codec::H265 : Codec::H264;
}

const char * codec_name(Codec codec)
{
  return codec == Codec::H264 ? "h264" : "h265";
}

std::vector<AccessUnit> split_access_units(const std::vector<uint8_t> & stream, Codec codec)
{
  std::vector<AccessUnit> units;
  const std::vector<Nal> nals = find_nal_units(stream.data(), stream.size());
  std::size_t unit_start = 0;
  bool unit_has_picture = false;
  for (const Nal & nal : nals) {
    if (nal.header >= stream.size()) {
      break;
    }
    const uint8_t * header = &stream[nal.header];
    const std::size_t available = stream.size() - nal.header;
    if (unit_has_picture && opens_access_unit(codec, header, available)) {
      units.push_back({unit_start, nal.start_code - unit_start});
      unit_start = nal.start_code;
      unit_has_picture = false;
    }
    unit_has_picture = unit_has_picture || is_vcl(codec, nal_type(codec, header[0]));
  }
  if (unit_start < stream.size()) {
    units.push_back({unit_start, stream.size() - unit_start});
  }
  return units;
}

namespace
{
// The first parameter set of `type` in the range, parsed by `parse` (which
// gets the payload after the NAL header); `fallback` when there is none or it
// is cut short.
template<class Result, class Parse>
Result parse_first(
  const uint8_t * data, std::size_t size, Codec codec, unsigned type, Result fallback, Parse parse)
{
  const std::size_t header_size = codec == Codec::H264 ? 1 : 2;
  const std::vector<Nal> nals = find_nal_units(data, size);
  for (std::size_t i = 0; i < nals.size(); ++i) {
    if (nals[i].header + header_size <= size && nal_type(codec, data[nals[i].header]) == type) {
      const std::size_t end = i + 1 < nals.size() ? nals[i + 1].start_code : size;
      if (end < nals[i].header + header_size) {
        return fallback;
      }
      try {
        return parse(data + nals[i].header + header_size, end - nals[i].header - header_size);
      } catch (const std::out_of_range &) {
        return fallback;
      }
    }
  }
  return fallback;
}
}  // namespace

namespace
{
SpsInfo find_sps(const uint8_t * data, std::size_t size, Codec codec)
{
  return codec == Codec::H264 ?
         parse_first(data, size, codec, 7, SpsInfo{}, h264_sps) :
         parse_first(data, size, codec, 33, SpsInfo{}, h265_sps);
}
}  // namespace

Geometry find_geometry(const uint8_t * data, std::size_t size, Codec codec)
{
  return find_sps(data, size, codec).geometry;
}

double find_frame_rate(const uint8_t * data, std::size_t size, Codec codec)
{
  const double rate = find_sps(data, size, codec).frame_rate;
  if (rate > 0 || codec == Codec::H264) {
    return rate;
  }
  return parse_first(data, size, codec, 32, 0.0, h265_vps_frame_rate);
}

bool is_key_frame(const uint8_t * data, std::size_t size, Codec codec)
{
  for (const Nal & nal : find_nal_units(data, size)) {
    if (nal.header >= size) {
      break;
    }
    const unsigned type = nal_type(codec, data[nal.header]);
    if (codec == Codec::H264 ? type == 5 : (type >= 16 && type <= 23)) {
      return true;
    }
  }
  return false;
}

bool is_annexb(const std::vector<uint8_t> & stream, Codec codec)
{
  // Leading zero bytes are allowed (zero_byte, trailing_zero_8bits).
  std::size_t zeros = 0;
  while (zeros < stream.size() && zeros < 64 && stream[zeros] == 0) {
    ++zeros;
  }
  if (zeros < 2 || zeros >= stream.size() || stream[zeros] != 1) {
    return false;
  }
  for (const Nal & nal : find_nal_units(stream.data(), stream.size())) {
    if (nal.header < stream.size() && is_vcl(codec, nal_type(codec, stream[nal.header])) &&
      (codec == Codec::H264 || nal.header + 1 < stream.size()))
    {
      return true;
    }
  }
  return false;
}

std::vector<uint8_t> parameter_sets(const uint8_t * data, std::size_t size, Codec codec)
{
  std::vector<uint8_t> sets;
  for (const auto & payload : nal_payloads(data, size)) {
    const unsigned type = nal_type(codec, payload[0]);
    const bool is_set = codec == Codec::H264 ? (type == 7 || type == 8) : (type >= 32 && type <= 34);
    if (is_set) {
      sets.insert(sets.end(), {0, 0, 0, 1});
      sets.insert(sets.end(), payload.begin(), payload.end());
    }
  }
  return sets;
}

void ParameterSetKeeper::remember(const uint8_t * data, std::size_t size)
{
  std::vector<uint8_t> sets = parameter_sets(data, size, codec_);
  if (!sets.empty()) {
    sets_ = std::move(sets);
  }
}

bool ParameterSetKeeper::complete(std::vector<uint8_t> & unit)
{
  const std::vector<uint8_t> own = parameter_sets(unit.data(), unit.size(), codec_);
  if (!own.empty()) {
    sets_ = own;
  }
  if (!is_key_frame(unit.data(), unit.size(), codec_)) {
    return false;
  }
  if (own.empty() && !sets_.empty()) {
    // An access unit delimiter stays first.
    const std::vector<Nal> nals = find_nal_units(unit.data(), unit.size());
    const bool delimited = !nals.empty() &&
      nal_type(codec_, unit[nals[0].header]) == (codec_ == Codec::H264 ? 9u : 35u);
    const std::size_t at = delimited ? (nals.size() > 1 ? nals[1].start_code : unit.size()) : 0;
    unit.insert(unit.begin() + static_cast<std::ptrdiff_t>(at), sets_.begin(), sets_.end());
  }
  return !sets_.empty();
}

std::vector<std::vector<uint8_t>> nal_payloads(const uint8_t * data, std::size_t size)
{
  const std::vector<Nal> units = find_nal_units(data, size);
  std::vector<std::vector<uint8_t>> payloads;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::size_t end = i + 1 < units.size() ? units[i + 1].start_code : size;
    while (end > units[i].header && data[end - 1] == 0) {
      --end;
    }
    if (end > units[i].header) {
      payloads.emplace_back(data + units[i].header, data + end);
    }
  }
  return payloads;
}

}  // namespace annexb
