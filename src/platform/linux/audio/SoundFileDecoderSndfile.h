#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hollerbox {

/// Decodes sound files with libsndfile, for formats that the installed GStreamer cannot read (Core Audio
/// Format) or reads unreliably (its AIFF parser sometimes stalls the pipeline before it prerolls).
namespace SoundFileDecoderSndfile {

/// Whether the file at `path` starts like a Core Audio Format or AIFF file, which are decoded here.
bool isDecodedHere(const std::string& path);

/// Result of decoding: a complete 16-bit PCM WAV file, or the reason it could not be made.
struct Decoding
{
    std::vector<std::uint8_t> wav;
    std::string error;
};

/// The file at `path` decoded into a WAV file held in memory (at most ten minutes of sound).
Decoding decodeToWav(const std::string& path);

} // namespace SoundFileDecoderSndfile
} // namespace hollerbox
