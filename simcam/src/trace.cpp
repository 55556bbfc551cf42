// The trace's names and its one-line text form.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "simcam/simcam.h"

namespace simcam {

const char *CallName(Call call) {
    switch (call) {
        case Call::kOpen:
            return "OPEN";
        case Call::kClose:
            return "CLOSE";
        case Call::kMmap:
            return "MMAP";
        case Call::kMunmap:
            return "MUNMAP";
        case Call::kQueryCap:
            return "QUERYCAP";
        case Call::kEnumFmt:
            return "ENUM_FMT";
        case Call::kGetFmt:
            return "G_FMT";
        case Call::kSetFmt:
            return "S_FMT";
        case Call::kTryFmt:
            return "TRY_FMT";
        case Call::kGetParm:
            return "G_PARM";
        case Call::kSetParm:
            return "S_PARM";
        case Call::kEnumFrameSizes:
            return "ENUM_FRAMESIZES";
        case Call::kEnumFrameIntervals:
            return "ENUM_FRAMEINTERVALS";
        case Call::kReqBufs:
            return "REQBUFS";
        case Call::kQueryBuf:
            return "QUERYBUF";
        case Call::kQBuf:
            return "QBUF";
        case Call::kDQBuf:
            return "DQBUF";
        case Call::kStreamOn:
            return "STREAMON";
        case Call::kStreamOff:
            return "STREAMOFF";
        case Call::kQueryCtrl:
            return "QUERYCTRL";
        case Call::kGetCtrl:
            return "G_CTRL";
        case Call::kSetCtrl:
            return "S_CTRL";
        case Call::kXuQuery:
            return "XU";
        case Call::kIdentity:
            return "IDENTITY";
        case Call::kOther:
            return "IOCTL";
    }
    return "?";
}

namespace {

std::string Fourcc(uint32_t f) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((f >> (8 * i)) & 0xFF);
        s += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return s;
}

std::string Format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

}  // namespace

std::string TraceEntry::Text() const {
    std::string s = std::string(CallName(call)) + " " + path;
    switch (call) {
        case Call::kOpen:
            s += Format(" flags=0x%x", flags);
            break;
        case Call::kMmap:
            s += Format(" index=%u offset=%llu length=%llu prot=0x%x", index,
                        static_cast<unsigned long long>(offset),
                        static_cast<unsigned long long>(length), flags);
            break;
        case Call::kMunmap:
            s += Format(" index=%u length=%llu", index, static_cast<unsigned long long>(length));
            break;
        case Call::kEnumFmt:
            s += Format(" index=%u pixelformat=%s", index, Fourcc(pixelformat).c_str());
            break;
        case Call::kGetFmt:
        case Call::kSetFmt:
        case Call::kTryFmt:
            s += Format(" pixelformat=%s width=%u height=%u field=%u", Fourcc(pixelformat).c_str(),
                        width, height, field);
            break;
        case Call::kGetParm:
        case Call::kSetParm:
            s += Format(" timeperframe=%u/%u", numerator, denominator);
            break;
        case Call::kEnumFrameSizes:
            s += Format(" index=%u pixelformat=%s", index, Fourcc(pixelformat).c_str());
            break;
        case Call::kEnumFrameIntervals:
            s += Format(" index=%u pixelformat=%s size=%ux%u", index, Fourcc(pixelformat).c_str(),
                        width, height);
            break;
        case Call::kReqBufs:
            s += Format(" count=%u memory=%u granted=%u", count, memory, granted);
            break;
        case Call::kQueryBuf:
        case Call::kQBuf:
            s += Format(" index=%u", index);
            break;
        case Call::kDQBuf:
            s += Format(" index=%u bytesused=%u", index, bytesused);
            break;
        case Call::kQueryCtrl:
            s += Format(" id=0x%08x", id);
            break;
        case Call::kGetCtrl:
        case Call::kSetCtrl:
            s += Format(" id=0x%08x value=%d", id, value);
            break;
        case Call::kXuQuery:
            s += Format(" unit=%u selector=%u query=0x%02x size=%u data=", unit, selector, query,
                        size);
            for (size_t i = 0; i < data.size(); ++i)
                s += Format(i ? " %02x" : "%02x", data[i]);
            break;
        case Call::kOther:
            s += Format(" request=0x%lx", request);
            break;
        default:
            break;
    }
    s += result < 0 ? Format(" -> -1 errno=%d", error) : Format(" -> %d", result);
    return s;
}

}  // namespace simcam
