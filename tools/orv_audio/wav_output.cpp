#include "wav_output.h"

namespace orvaudio {
namespace {

SF_INFO Info(const RecordingFormat &f) {
    SF_INFO info{};
    info.samplerate = f.rate;
    info.channels = f.channels;
    info.format =
        RecordingContainer(f.data_bytes) | (f.use_float ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16);
    return info;
}

Sndfile AsWavWhileItFits(SNDFILE *file) {
    if (file != nullptr)
        sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    return Sndfile(file);
}

}  // namespace

int RecordingContainer(uint64_t data_bytes) {
    return data_bytes <= kWavDataLimit ? SF_FORMAT_WAV : SF_FORMAT_RF64;
}

Sndfile CreateRecording(const std::string &path, const RecordingFormat &format) {
    SF_INFO info = Info(format);
    return AsWavWhileItFits(sf_open(path.c_str(), SFM_WRITE, &info));
}

Sndfile CreateRecording(SF_VIRTUAL_IO *io, void *user, const RecordingFormat &format) {
    SF_INFO info = Info(format);
    return AsWavWhileItFits(sf_open_virtual(io, SFM_WRITE, &info, user));
}

}  // namespace orvaudio
