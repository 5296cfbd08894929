#include "MissedWriteCoding.h"

#include <nlohmann/json.hpp>
#include <pulse/volume.h>

namespace hollerbox {

std::string MissedWriteCoding::encode(const std::vector<AudioHardwarePulse::MissedWrite>& writes)
{
    auto array = nlohmann::json::array();
    for (const auto& write : writes) {
        nlohmann::json object{{"sink", write.sinkName}, {"volumes", write.channelVolumes}};
        if (write.mute) {
            object["mute"] = *write.mute;
        }
        array.push_back(std::move(object));
    }
    // A sink name that is not UTF-8 is sent with replacement characters: it then names no sink.
    return array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<std::vector<AudioHardwarePulse::MissedWrite>> MissedWriteCoding::decode(std::string_view text)
{
    const auto array = nlohmann::json::parse(text, nullptr, false);
    if (!array.is_array()) {
        return std::nullopt;
    }
    std::vector<AudioHardwarePulse::MissedWrite> writes;
    for (const auto& object : array) {
        if (!object.is_object()) {
            return std::nullopt;
        }
        const auto sink = object.find("sink");
        const auto mute = object.find("mute");
        const auto volumes = object.find("volumes");
        if (sink == object.end() || !sink->is_string() || sink->get_ref<const std::string&>().empty() ||
            (mute != object.end() && !mute->is_boolean()) ||
            (volumes != object.end() && !volumes->is_array())) {
            return std::nullopt;
        }
        AudioHardwarePulse::MissedWrite write;
        write.sinkName = sink->get<std::string>();
        if (mute != object.end()) {
            write.mute = mute->get<bool>();
        }
        if (volumes != object.end()) {
            if (volumes->size() > PA_CHANNELS_MAX) {
                return std::nullopt;
            }
            for (const auto& volume : *volumes) {
                if (!volume.is_number_unsigned() || volume.get<std::uint64_t>() > PA_VOLUME_MAX) {
                    return std::nullopt;
                }
                write.channelVolumes.push_back(volume.get<std::uint32_t>());
            }
        }
        if (!write.mute && write.channelVolumes.empty()) {
            return std::nullopt;
        }
        writes.push_back(std::move(write));
    }
    return writes;
}

} // namespace hollerbox
