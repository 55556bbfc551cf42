// FrameOutput into MP4 or Matroska through libavformat. The camera's Annex B frames go in as
// they are: both muxers turn them and the parameter sets into the length-prefixed form their
// files keep. The muxer writes through the writer's own descriptor (FileSink), so the bytes the
// file accepted are known exactly.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "av_output.h"
#include "file_sink.h"
#include "frame_output.h"
#include "nal_units.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

namespace orvcli {
namespace {

constexpr AVRational kMicroseconds = {1, 1000000};
constexpr int kIoBuffer = 64 * 1024;
// MP4 in fragments from an empty header on: each fragment is playable once it is on disk, at
// most a second apart (a fragment starts at an IDR frame or when a second has passed).
constexpr const char *kMp4Flags = "frag_keyframe+empty_moov+default_base_moof";
constexpr const char *kMp4FragmentMicroseconds = "1000000";

}  // namespace

// The picture size the SPS of an IDR frame gives, through libavcodec's H.264 parser.
bool PictureSize(const uint8_t *data, size_t size, int *width, int *height) {
    AVCodecParserContext *parser = av_parser_init(AV_CODEC_ID_H264);
    AVCodecContext *codec = avcodec_alloc_context3(nullptr);
    bool found = false;
    if (parser && codec) {
        parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
        uint8_t *out = nullptr;
        int out_size = 0;
        av_parser_parse2(parser, codec, &out, &out_size, data, static_cast<int>(size),
                         AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        *width = parser->width > 0 ? parser->width : codec->width;
        *height = parser->height > 0 ? parser->height : codec->height;
        found = *width > 0 && *height > 0;
    }
    avcodec_free_context(&codec);
    if (parser)
        av_parser_close(parser);
    return found;
}

namespace {

class ContainerWriter : public FrameOutput {
  public:
    ContainerWriter(int fd, const std::string &name) : sink_(fd, name), path_(name) {}

    ~ContainerWriter() override {
        std::string ignored;
        if (ctx_)
            Finish(&ignored);
        av_freep(&io_buffer_);
    }

    // `created`: the writer made the file, and removes it when nothing could be recorded.
    bool Open(bool created, std::string *why) {
        created_ = created;
        const bool mp4 = KindOf(path_) == OutputKind::kMp4;
        int r = avformat_alloc_output_context2(&ctx_, nullptr, mp4 ? "mp4" : "matroska", nullptr);
        io_buffer_ = static_cast<uint8_t *>(av_malloc(kIoBuffer));
        AVIOContext *io = io_buffer_ ? avio_alloc_context(io_buffer_, kIoBuffer, 1, &sink_, nullptr,
                                                          WritePacket, Seek)
                                     : nullptr;
        if (r < 0 || !ctx_ || !io) {
            *why = "cannot write " + path_ + ": " + AvError(r < 0 ? r : AVERROR(ENOMEM));
            avio_context_free(&io);
            avformat_free_context(ctx_);
            ctx_ = nullptr;
            return false;
        }
        io_buffer_ = nullptr;  // the context's now
        // A pipe or a device cannot seek: the muxers then write nothing they would come back to.
        io->seekable = lseek(sink_.fd(), 0, SEEK_CUR) < 0 ? 0 : AVIO_SEEKABLE_NORMAL;
        ctx_->pb = io;
        if (mp4) {
            av_dict_set(&options_, "movflags", kMp4Flags, 0);
            av_dict_set(&options_, "frag_duration", kMp4FragmentMicroseconds, 0);
        }
        return true;
    }

    bool Write(const uint8_t *data, size_t size, int64_t arrival_us, std::string *why) override {
        if (!ctx_) {
            *why = path_ + " is already complete";
            return false;
        }
        const bool idr = IsIdrFrame(data, size);
        if (!stream_) {
            if (!idr)
                return true;
            if (!Begin(data, size, why))
                return false;
            if (!stream_)
                return true;
        }
        if (first_us_ < 0)
            first_us_ = arrival_us;
        // Each frame lasts until the next one arrives: the one held back is written now.
        int64_t pts = av_rescale_q(arrival_us - first_us_, kMicroseconds, stream_->time_base);
        if (held_ && pts <= held_->pts)
            pts = held_->pts + 1;
        if (held_ && !Flush(pts - held_->pts, why))
            return false;
        held_ = av_packet_alloc();
        if (!held_ || av_new_packet(held_, static_cast<int>(size)) < 0) {
            *why = "out of memory recording " + path_;
            return false;
        }
        std::memcpy(held_->data, data, size);
        held_->pts = held_->dts = pts;
        held_->stream_index = stream_->index;
        if (idr)
            held_->flags |= AV_PKT_FLAG_KEY;
        return true;
    }

    bool Flush(std::string *why) override {
        if (!ctx_ || !stream_)
            return true;
        avio_flush(ctx_->pb);
        return IoOk(why);
    }

    bool Finish(std::string *why) override {
        if (!ctx_)
            return true;
        bool ok = true;
        if (held_)
            ok = Flush(last_duration_ > 0 ? last_duration_ : 1, why);
        if (stream_) {
            const int r = av_write_trailer(ctx_);
            if (r < 0 && ok) {
                *why = "cannot complete " + path_ + ": " + AvError(r);
                ok = false;
            }
            ok = ok && IoOk(why);
        } else {
            *why = "no I-frame arrived: nothing recorded in " + path_;
            ok = false;
        }
        av_freep(&ctx_->pb->buffer);
        avio_context_free(&ctx_->pb);
        avformat_free_context(ctx_);
        ctx_ = nullptr;
        av_dict_free(&options_);
        std::string closing;
        if (!sink_.Close(&closing) && ok) {
            *why = closing;
            ok = false;
        }
        if (!stream_ && created_)
            unlink(path_.c_str());
        return ok;
    }

    int64_t frames() const override { return frames_; }
    int64_t bytes() const override { return sink_.accepted(); }

  private:
    static int WritePacket(void *opaque, uint8_t *data, int size) {
        auto *sink = static_cast<FileSink *>(opaque);
        std::string why;
        if (sink->Write(data, static_cast<size_t>(size), &why))
            return size;
        return AVERROR(sink->error());
    }

    static int64_t Seek(void *opaque, int64_t offset, int whence) {
        auto *sink = static_cast<FileSink *>(opaque);
        if (whence & AVSEEK_SIZE) {
            struct stat st {};
            return fstat(sink->fd(), &st) == 0 ? st.st_size : AVERROR(errno);
        }
        const off_t at = lseek(sink->fd(), offset, whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : at;
    }

    // False with *why set once a write through the muxer's buffer failed.
    bool IoOk(std::string *why) {
        if (ctx_->pb->error == 0)
            return true;
        *why = WriteError(path_, AVUNERROR(ctx_->pb->error));
        return false;
    }

    // The stream, its parameters from the first IDR frame, and the file's header.
    bool Begin(const uint8_t *data, size_t size, std::string *why) {
        const std::string sets = ParameterSets(data, size);
        int width = 0, height = 0;
        if (sets.empty() || !PictureSize(data, size, &width, &height))
            return true;  // wait for an IDR frame that names its parameters
        AVStream *st = AddH264Stream(ctx_, sets, width, height);
        if (!st) {
            *why = "out of memory recording " + path_;
            return false;
        }
        const int r = avformat_write_header(ctx_, &options_);
        if (r < 0) {
            *why = "cannot write " + path_ + ": " + AvError(r);
            return false;
        }
        stream_ = st;
        return true;
    }

    bool Flush(int64_t duration, std::string *why) {
        held_->duration = duration;
        last_duration_ = duration;
        const int r = av_interleaved_write_frame(ctx_, held_);
        av_packet_free(&held_);
        if (r < 0 || !IoOk(why)) {
            if (r < 0)
                *why = "cannot write " + path_ + ": " + AvError(r);
            return false;
        }
        ++frames_;
        return true;
    }

    FileSink sink_;
    std::string path_;
    bool created_ = false;
    uint8_t *io_buffer_ = nullptr;
    AVDictionary *options_ = nullptr;
    AVFormatContext *ctx_ = nullptr;
    AVStream *stream_ = nullptr;
    AVPacket *held_ = nullptr;
    int64_t first_us_ = -1;
    int64_t last_duration_ = 0;
    int64_t frames_ = 0;
};

}  // namespace

std::unique_ptr<FrameOutput> OpenContainerOutput(int fd, const std::string &name,
                                                 std::string *why) {
    std::unique_ptr<ContainerWriter> writer(new ContainerWriter(fd, name));
    if (!writer->Open(false, why))
        return nullptr;
    return writer;
}

std::unique_ptr<FrameOutput> OpenContainer(const std::string &path, std::string *why) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = "cannot write " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<ContainerWriter> writer(new ContainerWriter(fd, path));
    if (!writer->Open(true, why))
        return nullptr;
    return writer;
}

}  // namespace orvcli
