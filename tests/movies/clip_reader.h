// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a written clip back with libavformat: its one video stream's header
// and every packet's position, size and key flag; optionally decodes one frame.

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

struct TClipPacket {
  int64_t Pts = 0;
  int Size = 0;
  bool Key = false;
  std::string Data;
};

struct TClipInfo {
  bool Opened = false;
  int Streams = 0;
  std::string Codec;
  int Width = 0, Height = 0;
  int64_t Frames = 0;  // the stream header's length in frame times
  AVRational TimeBase{0, 1};
  std::vector<TClipPacket> Packets;  // the non-empty ones
  std::vector<uint8_t> FirstFrameRgb;  // top-down RGB24 of the first frame
};

inline TClipInfo ReadClip(const std::string& path, bool decodeFirst = false) {
  TClipInfo info;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return info;
  if (avformat_find_stream_info(fmt, nullptr) < 0) {
    avformat_close_input(&fmt);
    return info;
  }
  info.Opened = true;
  info.Streams = int(fmt->nb_streams);
  AVStream* st = fmt->streams[0];
  info.Codec = avcodec_get_name(st->codecpar->codec_id);
  info.Width = st->codecpar->width;
  info.Height = st->codecpar->height;
  info.TimeBase = st->time_base;
  info.Frames = st->nb_frames;
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  AVCodecContext* dec = decodeFirst && codec ? avcodec_alloc_context3(codec) : nullptr;
  if (dec && (avcodec_parameters_to_context(dec, st->codecpar) < 0 || avcodec_open2(dec, codec, nullptr) < 0))
    avcodec_free_context(&dec);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  while (av_read_frame(fmt, pkt) >= 0) {
    if (pkt->size > 0) {
      info.Packets.push_back({pkt->pts, pkt->size, (pkt->flags & AV_PKT_FLAG_KEY) != 0,
                              std::string(reinterpret_cast<const char*>(pkt->data), size_t(pkt->size))});
      if (dec && info.FirstFrameRgb.empty() && avcodec_send_packet(dec, pkt) >= 0 &&
          avcodec_receive_frame(dec, frame) >= 0) {
        SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                         frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
        info.FirstFrameRgb.resize(size_t(frame->width) * frame->height * 3);
        uint8_t* dst[4] = {info.FirstFrameRgb.data()};
        int dstStride[4] = {frame->width * 3};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        sws_freeContext(sws);
      }
    }
    av_packet_unref(pkt);
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&fmt);
  return info;
}
