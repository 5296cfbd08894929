#pragma once

namespace hollerbox::OwnAudioStreams {

/// The application ID that marks this program's own playback streams, by which the device adapter finds them.
inline constexpr const char* applicationID = "org.hollerbox.Hollerbox";
/// The name the sound server shows for them.
inline constexpr const char* applicationName = "Hollerbox";

} // namespace hollerbox::OwnAudioStreams
