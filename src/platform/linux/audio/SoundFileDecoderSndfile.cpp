#include "SoundFileDecoderSndfile.h"

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

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i) & 0xff));
    }
}

void appendTag(std::vector<std::uint8_t>& bytes, std::string_view tag)
{
    for (const char c : tag) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
}

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
    std::vector<short> samples(static_cast<std::size_t>(frames) * static_cast<std::size_t>(info.channels));
    const auto read = sf_readf_short(file.get(), samples.data(), frames);
    if (read <= 0) {
        return {{}, "The file contains no sound."};
    }
    samples.resize(static_cast<std::size_t>(read) * static_cast<std::size_t>(info.channels));

    const auto channels = static_cast<std::uint32_t>(info.channels);
    const auto rate = static_cast<std::uint32_t>(info.samplerate);
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    Decoding decoding;
    auto& wav = decoding.wav;
    wav.reserve(44 + dataSize);
    appendTag(wav, "RIFF");
    appendLittleEndian(wav, 36 + dataSize, 4);
    appendTag(wav, "WAVE");
    appendTag(wav, "fmt ");
    appendLittleEndian(wav, 16, 4);
    appendLittleEndian(wav, 1, 2);
    appendLittleEndian(wav, channels, 2);
    appendLittleEndian(wav, rate, 4);
    appendLittleEndian(wav, rate * channels * 2, 4);
    appendLittleEndian(wav, channels * 2, 2);
    appendLittleEndian(wav, 16, 2);
    appendTag(wav, "data");
    appendLittleEndian(wav, dataSize, 4);
    for (const auto sample : samples) {
        appendLittleEndian(wav, static_cast<std::uint16_t>(sample), 2);
    }
    return decoding;
}

} // namespace hollerbox::SoundFileDecoderSndfile
