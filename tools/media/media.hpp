#ifndef ORVANE_H26X_MSGS_TOOLS__MEDIA__MEDIA_HPP_
#define ORVANE_H26X_MSGS_TOOLS__MEDIA__MEDIA_HPP_

// The tools' one layer over FFmpeg's libraries: containers in and out,
// decoding, encoding, scaling, PNG pictures and raw y4m frames. FFmpeg's
// objects live in owning wrappers; its errors become media::Error with one
// clear line, and its log goes through one callback (media/ffmpeg.hpp).

#include "media/codec.hpp"
#include "media/container_writer.hpp"
#include "media/demuxer.hpp"
#include "media/ffmpeg.hpp"
#include "media/picture.hpp"
#include "media/y4m.hpp"

#endif  // ORVANE_H26X_MSGS_TOOLS__MEDIA__MEDIA_HPP_
