#include "media/demuxer.hpp"

#include "media/av.hpp"

namespace media
{
using av::check;
using av::check_allocated;

int Demuxer::interrupt(void * demuxer)
{
  const auto & interrupted = static_cast<Demuxer *>(demuxer)->interrupted_;
  return interrupted && interrupted() ? 1 : 0;
}

Demuxer::Demuxer(const std::string & path, const Options & options)
: interrupted_(options.interrupted)
{
  AVFormatContext * format = check_allocated(avformat_alloc_context(), "a demuxer");
  format->interrupt_callback = {&Demuxer::interrupt, this};
  AVDictionary * settings = nullptr;
  for (const auto & [key, value] : options.format) {
    av_dict_set(&settings, key.c_str(), value.c_str(), 0);
  }
  // On failure libavformat frees the context itself.
  const int opened = avformat_open_input(&format, path.c_str(), nullptr, &settings);
  av_dict_free(&settings);
  check(opened, "cannot open " + path);
  format_.reset(format);
  check(avformat_find_stream_info(format, nullptr), "cannot read the streams of " + path);
  stream_ = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVStream * stream = stream_ >= 0 ? format->streams[stream_] : nullptr;
  if (!stream || (stream->codecpar->codec_id != AV_CODEC_ID_H264 && stream->codecpar->codec_id != AV_CODEC_ID_HEVC)) {
    throw Error(path + " has no H.264 or H.265 stream");
  }
  codec_ = stream->codecpar->codec_id == AV_CODEC_ID_H264 ? annexb::Codec::H264 : annexb::Codec::H265;
  frame_rate_ = stream->avg_frame_rate.num > 0 ? av_q2d(stream->avg_frame_rate) : 0;
  size_hint_ = stream->nb_frames > 0 ? static_cast<std::size_t>(stream->nb_frames) : 0;
  width_ = stream->codecpar->width;
  height_ = stream->codecpar->height;
  const AVBitStreamFilter * filter = av_bsf_get_by_name(
    codec_ == annexb::Codec::H264 ? "h264_mp4toannexb" : "hevc_mp4toannexb");
  AVBSFContext * context = nullptr;
  check(av_bsf_alloc(filter, &context), "no Annex-B filter");
  to_annexb_.reset(context);
  check(avcodec_parameters_copy(context->par_in, stream->codecpar), "Annex-B filter");
  context->time_base_in = stream->time_base;
  check(av_bsf_init(context), "Annex-B filter");
  packet_.reset(check_allocated(av_packet_alloc(), "a packet"));
}

int64_t Demuxer::start_time_realtime_ns() const
{
  return format_->start_time_realtime == AV_NOPTS_VALUE ? -1 : format_->start_time_realtime * 1000;
}

std::vector<uint8_t> Demuxer::configuration() const
{
  const AVCodecParameters & parameters = *format_->streams[stream_]->codecpar;
  return std::vector<uint8_t>(parameters.extradata, parameters.extradata + parameters.extradata_size);
}

bool Demuxer::next(Unit & unit)
{
  const AVRational time_base = format_->streams[stream_]->time_base;
  const auto nanoseconds = [time_base](int64_t time) {
      return time == AV_NOPTS_VALUE ? kNoTime : av_rescale_q(time, time_base, av::kNanoseconds);
    };
  while (true) {
    const int received = av_bsf_receive_packet(to_annexb_.get(), packet_.get());
    if (received == 0) {
      unit.data.assign(packet_->data, packet_->data + packet_->size);
      unit.decode_time_ns = nanoseconds(packet_->dts);
      unit.presentation_time_ns = nanoseconds(packet_->pts);
      av_packet_unref(packet_.get());
      return true;
    }
    if (received != AVERROR(EAGAIN) || draining_) {
      return false;
    }
    const int read = av_read_frame(format_.get(), packet_.get());
    if (read < 0) {
      draining_ = true;
      check(av_bsf_send_packet(to_annexb_.get(), nullptr), "Annex-B filter");
      continue;
    }
    if (packet_->stream_index != stream_) {
      av_packet_unref(packet_.get());
      continue;
    }
    check(av_bsf_send_packet(to_annexb_.get(), packet_.get()), "Annex-B filter");
  }
}

}  // namespace media
