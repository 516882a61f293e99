#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__AV_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__AV_HPP_

// For the layer's own sources only: FFmpeg's headers and the checks that
// turn its return codes into media::Error.

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "annexb.hpp"
#include "media/ffmpeg.hpp"

namespace media
{
namespace av
{

std::string describe(int code);

inline int check(int code, const std::string & what)
{
  if (code < 0) {
    throw Error(what + ": " + describe(code));
  }
  return code;
}

template<class T>
T * check_allocated(T * object, const char * what)
{
  if (!object) {
    throw Error(std::string("out of memory for ") + what);
  }
  return object;
}

inline AVCodecID codec_id(annexb::Codec codec)
{
  return codec == annexb::Codec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC;
}

constexpr AVRational kNanoseconds{1, 1000000000};

}  // namespace av
}  // namespace media

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__AV_HPP_
