#include "SoundFileDecoderSndfile.h"

#include "audio/AlarmPlaybackProbe.h"

#include <array>
#include <fstream>
#include <memory>
#include <sndfile.h>

namespace hollerbox::SoundFileDecoderSndfile {

namespace {

constexpr sf_count_t kMaximumSeconds = 600;
// At most 64 MB of decoded sound: a longer file plays its beginning instead of exhausting memory.
constexpr sf_count_t kMaximumSamples = 32 * 1024 * 1024;

struct SndfileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};

} // namespace

bool isDecodedHere(const std::string& path)
{
    std::ifstream file{path, std::ios::binary};
    std::array<char, 12> magic{};
    if (!file.read(magic.data(), magic.size())) {
        return false;
    }
    const std::string_view head{magic.data(), magic.size()};
    return head.starts_with("caff") ||
           (head.starts_with("FORM") && (head.substr(8) == "AIFF" || head.substr(8) == "AIFC"));
}

Decoding decodeToWav(const std::string& path)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file{sf_open(path.c_str(), SFM_READ, &info)};
    if (!file) {
        return {{}, sf_strerror(nullptr)};
    }
    if (info.channels <= 0 || info.channels > 8 || info.samplerate <= 0 || info.samplerate > 384000) {
        return {{}, "The file has an unsupported sound layout."};
    }
    const auto maximumFrames = std::min(kMaximumSeconds * info.samplerate, kMaximumSamples / info.channels);
    const auto frames = std::min(info.frames, maximumFrames);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) *
                                      static_cast<std::size_t>(info.channels));
    const auto read = sf_readf_short(file.get(), samples.data(), frames);
    if (read <= 0) {
        return {{}, "The file contains no sound."};
    }
    samples.resize(static_cast<std::size_t>(read) * static_cast<std::size_t>(info.channels));

    Decoding decoding;
    decoding.wav = AlarmPlaybackProbe::wavData(samples, static_cast<std::uint32_t>(info.samplerate),
                                               static_cast<std::uint16_t>(info.channels));
    return decoding;
}

} // namespace hollerbox::SoundFileDecoderSndfile
