#pragma once
// Driving the movie makers in tests: answering the next modal dialog, and
// reading a written clip back with libavformat.

#include <cstdint>
#include <functional>
#include <string>

#include <QApplication>
#include <QTimer>

extern "C" {
#include <libavformat/avformat.h>
}

// Runs `act` on the next modal dialog of type T once it is shown (gives up
// after 20 s). Call it before the action that opens the dialog.
template <class T>
void OnModal(std::function<void(T*)> act) {
  auto* poll = new QTimer;
  auto* waited = new int(0);
  QObject::connect(poll, &QTimer::timeout, [poll, waited, act] {
    T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog && ++*waited < 2000) return;
    poll->stop();
    poll->deleteLater();
    delete waited;
    if (dialog) act(dialog);
  });
  poll->start(10);
}

// What a clip holds: its video stream's size, rate and the packets (frames)
// in it with their positions.
struct TClipInfo {
  bool Valid = false;
  int Width = 0, Height = 0;
  int RateNum = 0, RateDen = 0;
  std::vector<int64_t> Positions;
};

inline TClipInfo ReadClip(const std::string& path) {
  TClipInfo info;
  AVFormatContext* ctx = nullptr;
  if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return info;
  if (avformat_find_stream_info(ctx, nullptr) >= 0) {
    const int v = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v >= 0) {
      const AVStream* s = ctx->streams[v];
      info.Valid = true;
      info.Width = s->codecpar->width;
      info.Height = s->codecpar->height;
      info.RateNum = s->time_base.den;
      info.RateDen = s->time_base.num;
      AVPacket* pkt = av_packet_alloc();
      while (av_read_frame(ctx, pkt) >= 0) {
        if (pkt->stream_index == v && pkt->size > 0) info.Positions.push_back(pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts);
        av_packet_unref(pkt);
      }
      av_packet_free(&pkt);
    }
  }
  avformat_close_input(&ctx);
  return info;
}
