// What the decoder and the encoder share of FFmpeg: owners that free its objects, and its error
// numbers as text. Private to the codec library.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace sonthra::av {

// FFmpeg's own description of an error number ("Invalid data found when processing input").
std::string errorText(int err);

// Keeps FFmpeg's own messages off the terminal: the result carries what went wrong.
void quietLogs();

struct Packet {
    AVPacket* p = av_packet_alloc();
    ~Packet() { av_packet_free(&p); }
};
struct Frame {
    AVFrame* f = av_frame_alloc();
    ~Frame() { av_frame_free(&f); }
};
struct CodecContext {
    AVCodecContext* c = nullptr;
    ~CodecContext() { avcodec_free_context(&c); }
};
struct Resampler {
    SwrContext* s = nullptr;
    ~Resampler() { swr_free(&s); }
};

}  // namespace sonthra::av
