#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__FFMPEG_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__FFMPEG_HPP_

// What every part of the tools' FFmpeg layer shares: its errors, owning
// pointers for FFmpeg's objects, and FFmpeg's log.

#include <memory>
#include <stdexcept>
#include <string>

struct AVCodecContext;
struct AVCodecParserContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVBSFContext;
struct SwsContext;

namespace media
{

// A failure of FFmpeg or of the media, as one line for the user.
struct Error : std::runtime_error
{
  using std::runtime_error::runtime_error;
};

struct Deleter
{
  void operator()(AVCodecContext * context) const;
  void operator()(AVCodecParserContext * parser) const;
  void operator()(AVFormatContext * format) const;  // an output context (no input open)
  void operator()(AVFrame * frame) const;
  void operator()(AVPacket * packet) const;
  void operator()(AVBSFContext * filter) const;
  void operator()(SwsContext * scaler) const;
};
template<class T>
using Owned = std::unique_ptr<T, Deleter>;

// An opened input (avformat_open_input): closed with avformat_close_input.
struct InputDeleter
{
  void operator()(AVFormatContext * format) const;
};
using OwnedInput = std::unique_ptr<AVFormatContext, InputDeleter>;

// FFmpeg's own log lines (its libraries', x264's, x265's) go through one
// callback: dropped unless `verbose`, then on stderr after "ffmpeg: ". The
// tools say what failed in their own line either way.
void set_ffmpeg_log(bool verbose);
bool ffmpeg_log_verbose();

}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__FFMPEG_HPP_
