#include "ui/browser/frame_grabber.h"

#include <cstring>
#include <limits>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace kadrel {
namespace {

// A clip that has delivered this much data without a picture has none worth waiting for.
constexpr int64_t kMaxBytesWithoutPicture = 64LL * 1024 * 1024;

struct Input {
    AVFormatContext* ctx = nullptr;
    ~Input() { avformat_close_input(&ctx); }
};
struct Decoder {
    AVCodecContext* ctx = nullptr;
    int stream = -1;
    ~Decoder() { avcodec_free_context(&ctx); }
};
struct Packet {
    AVPacket* pkt = av_packet_alloc();
    ~Packet() { av_packet_free(&pkt); }
};
struct Frame {
    AVFrame* frame = av_frame_alloc();
    ~Frame() { av_frame_free(&frame); }
};

enum class Open { Ready, Skip, DecoderFailed };

// Opens the decoder for a video stream; a stream of another codec that FFmpeg cannot decode is
// skipped, while a failing MPEG-2 decoder means thumbnails cannot be made at all.
Open openDecoder(Decoder& decoder, const AVStream* stream, const AVCodec* mpeg2) {
    const bool isMpeg = stream->codecpar->codec_id == AV_CODEC_ID_MPEG2VIDEO ||
                        stream->codecpar->codec_id == AV_CODEC_ID_MPEG1VIDEO;
    const AVCodec* codec = isMpeg ? mpeg2 : avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec == nullptr)
        return Open::Skip;
    decoder.ctx = avcodec_alloc_context3(codec);
    if (decoder.ctx == nullptr)
        return isMpeg ? Open::DecoderFailed : Open::Skip;
    avcodec_parameters_to_context(decoder.ctx, stream->codecpar);
    decoder.ctx->thread_count = 1;  // one picture: threads only add start-up time
    if (avcodec_open2(decoder.ctx, codec, nullptr) < 0) {
        avcodec_free_context(&decoder.ctx);
        return isMpeg ? Open::DecoderFailed : Open::Skip;
    }
    decoder.stream = stream->index;
    return Open::Ready;
}

// Feeds packets of the first decodable video stream until the decoder gives a picture.
Open decodeFirstPicture(Input& input, Decoder& decoder, const AVCodec* mpeg2, AVFrame* frame) {
    Packet packet;
    std::vector<bool> skipped(input.ctx->nb_streams, false);
    int64_t bytes = 0;
    while (bytes < kMaxBytesWithoutPicture && av_read_frame(input.ctx, packet.pkt) >= 0) {
        const int index = packet.pkt->stream_index;
        bytes += packet.pkt->size;
        if (static_cast<size_t>(index) >= skipped.size())
            skipped.resize(index + 1, false);
        const AVStream* stream = input.ctx->streams[index];
        if (decoder.ctx == nullptr && !skipped[index] && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            const Open opened = openDecoder(decoder, stream, mpeg2);
            if (opened == Open::DecoderFailed)
                return opened;
            skipped[index] = opened == Open::Skip;
        }
        if (decoder.ctx != nullptr && index == decoder.stream &&
            avcodec_send_packet(decoder.ctx, packet.pkt) >= 0 &&
            avcodec_receive_frame(decoder.ctx, frame) >= 0) {
            return Open::Ready;
        }
        av_packet_unref(packet.pkt);
    }
    // The last pictures of a short stream come out only when the decoder is drained.
    if (decoder.ctx != nullptr && avcodec_send_packet(decoder.ctx, nullptr) >= 0 &&
        avcodec_receive_frame(decoder.ctx, frame) >= 0) {
        return Open::Ready;
    }
    return Open::Skip;
}

// The colour converter of one thread, kept from clip to clip because clips of a card share
// their size; each thread has its own, so clips can be grabbed on several threads at once.
struct Scaler {
    SwsContext* ctx = nullptr;
    ~Scaler() { sws_freeContext(ctx); }
};

// Converts a decoded picture into rows of blue, green, red, bottom row first, at size (0 x 0:
// its own). Shrinking here, straight from the decoder's colours, costs far less than converting
// the whole picture first, and keeps the work on this thread: image libraries may spread
// large conversions over threads of their own, which would take cores from the other workers.
DibFrame toDib(const AVFrame* frame, FrameSize size) {
    DibFrame dib;
    const int32_t width = size.width > 0 ? size.width : frame->width;
    const int32_t height = size.height > 0 ? size.height : frame->height;
    const int32_t rowBytes = dibRowBytes(width, 24);
    if (frame->width < 1 || frame->height < 1 || rowBytes < 1)
        return dib;
    // Area averaging when shrinking gives the look of a smooth image stretch; it is bilinear
    // when enlarging.
    const int flags = width == frame->width && height == frame->height ? SWS_BILINEAR : SWS_AREA;
    thread_local Scaler scaler;
    scaler.ctx = sws_getCachedContext(scaler.ctx, frame->width, frame->height,
                                      static_cast<AVPixelFormat>(frame->format), width, height,
                                      AV_PIX_FMT_BGR24, flags, nullptr, nullptr, nullptr);
    if (scaler.ctx == nullptr)
        return dib;
    dib.bits.assign(static_cast<size_t>(rowBytes) * height, 0);
    uint8_t* const top[4] = {dib.bits.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {rowBytes, 0, 0, 0};
    sws_scale(scaler.ctx, frame->data, frame->linesize, 0, frame->height, top, strides);
    std::vector<uint8_t> row(rowBytes);
    for (int32_t y = 0; y < height / 2; ++y) {
        uint8_t* a = dib.bits.data() + static_cast<size_t>(y) * rowBytes;
        uint8_t* b = dib.bits.data() + static_cast<size_t>(height - 1 - y) * rowBytes;
        std::memcpy(row.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, row.data(), rowBytes);
    }
    dib.width = width;
    dib.height = height;
    dib.rowBytes = rowBytes;
    return dib;
}

DibFrame decoderFailed(bool& libraryFailed) {
    libraryFailed = true;
    return {};
}

}  // namespace

int32_t dibRowBytes(int32_t width, int16_t bitsPerPixel) {
    if (width < 0 || bitsPerPixel < 0)
        return -1;
    const int64_t bits = static_cast<int64_t>(width) * bitsPerPixel + 31;
    if (bits > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>((bits & ~int64_t{31}) / 8);
}

std::string decoderUnusableMessage() {
    return "Could not use the MPEG-2 decoder of the FFmpeg libraries!\r\n"
           "\r\n"
           "Please make sure that libavformat, libavcodec and libswscale are installed\r\n"
           "and that libavcodec was built with its MPEG-2 video decoder (mpeg2video).\r\n"
           "\r\n"
           "If these libraries are missing then they can be installed\r\n"
           "from your system's packages or from https://ffmpeg.org/download.html";
}

void showDecoderUnusable(UiSeam& ui) {
    showError(ui, decoderUnusableMessage());
}

DibFrame grabFirstPicture(const std::string& path, int64_t seekPosition, int32_t& height, int32_t& width,
                          bool& libraryFailed, const char* decoderName, FrameSize stretchTo) {
    libraryFailed = false;
    static std::once_flag quiet;  // broken clips are expected; they get the placeholder
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    const AVCodec* mpeg2 = avcodec_find_decoder_by_name(decoderName);
    if (mpeg2 == nullptr)
        return decoderFailed(libraryFailed);
    Input input;
    if (avformat_open_input(&input.ctx, path.c_str(), nullptr, nullptr) < 0)
        return {};
    if (seekPosition > 0)
        av_seek_frame(input.ctx, -1, seekPosition, AVSEEK_FLAG_BYTE);
    Decoder decoder;
    Frame frame;
    if (frame.frame == nullptr)
        return {};
    const Open result = decodeFirstPicture(input, decoder, mpeg2, frame.frame);
    if (result == Open::DecoderFailed)
        return decoderFailed(libraryFailed);
    if (result != Open::Ready)
        return {};
    DibFrame dib = toDib(frame.frame, stretchTo);
    if (!dib.isNull()) {
        height = frame.frame->height;
        width = frame.frame->width;
    }
    return dib;
}

DibFrame grabFirstFrame(const std::string& path, int64_t seekPosition, int32_t& height, int32_t& width,
                        bool& libraryFailed, UiSeam& ui, const char* decoderName) {
    DibFrame dib = grabFirstPicture(path, seekPosition, height, width, libraryFailed, decoderName);
    if (libraryFailed)
        showDecoderUnusable(ui);
    return dib;
}

}  // namespace kadrel
