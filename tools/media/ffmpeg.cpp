#include "media/av.hpp"

#include <atomic>
#include <cstdarg>
#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

namespace media
{
namespace
{
std::atomic<bool> verbose_log{false};

void log_line(void * object, int level, const char * format, va_list arguments)
{
  if (!verbose_log || level > AV_LOG_INFO) {
    return;
  }
  char line[1024];
  int prefix = 1;
  av_log_format_line2(object, level, format, arguments, line, sizeof(line), &prefix);
  std::fprintf(stderr, "ffmpeg: %s", line);
}
}  // namespace

namespace av
{
std::string describe(int code)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}
}  // namespace av

void Deleter::operator()(AVCodecContext * context) const {avcodec_free_context(&context);}
void Deleter::operator()(AVCodecParserContext * parser) const {av_parser_close(parser);}
void Deleter::operator()(AVFormatContext * format) const {avformat_free_context(format);}
void Deleter::operator()(AVFrame * frame) const {av_frame_free(&frame);}
void Deleter::operator()(AVPacket * packet) const {av_packet_free(&packet);}
void Deleter::operator()(AVBSFContext * filter) const {av_bsf_free(&filter);}
void Deleter::operator()(SwsContext * scaler) const {sws_freeContext(scaler);}
void InputDeleter::operator()(AVFormatContext * format) const {avformat_close_input(&format);}

void set_ffmpeg_log(bool verbose)
{
  verbose_log = verbose;
  av_log_set_callback(log_line);
}

bool ffmpeg_log_verbose()
{
  return verbose_log;
}

}  // namespace media
