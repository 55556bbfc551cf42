#include "av_output.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace orvcli {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(code, text, sizeof text);
    return text;
}

AVStream *AddH264Stream(AVFormatContext *ctx, const std::string &sets, int width, int height) {
    AVStream *st = avformat_new_stream(ctx, nullptr);
    if (!st)
        return nullptr;
    st->time_base = {1, 90000};
    AVCodecParameters *par = st->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = width;
    par->height = height;
    par->extradata = static_cast<uint8_t *>(av_mallocz(sets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata)
        return nullptr;
    std::memcpy(par->extradata, sets.data(), sets.size());
    par->extradata_size = static_cast<int>(sets.size());
    return st;
}

}  // namespace orvcli
