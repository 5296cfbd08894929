#include "AlarmSoundSelectionCoding.h"

#include "Base64.h"

#include <nlohmann/json.hpp>

namespace hollerbox {

namespace {

AlarmSoundSelectionDecoding failed(std::string reason)
{
    return {std::nullopt, std::move(reason)};
}

std::string_view lastPathComponent(std::string_view path)
{
    const auto end = path.find_last_not_of('/');
    if (end == std::string_view::npos) {
        return path.empty() ? std::string_view{} : std::string_view{"/"};
    }
    const auto slash = path.rfind('/', end);
    const auto begin = slash == std::string_view::npos ? 0 : slash + 1;
    return path.substr(begin, end + 1 - begin);
}

} // namespace

std::string displayNameForPath(std::string_view path)
{
    const auto name = lastPathComponent(path);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) {
        return std::string{name};
    }
    return std::string{name.substr(0, dot)};
}

std::optional<std::string> encodeAlarmSoundSelection(const AlarmSoundSelection& selection)
{
    nlohmann::ordered_json object;
    if (const auto sound = selection.builtInSound()) {
        object["kind"] = "builtIn";
        object["builtIn"] = std::string{sound->id()};
    } else {
        object["kind"] = "customFile";
        object["path"] = *selection.customFilePath();
        object["displayName"] = *selection.customDisplayName();
    }
    try {
        return object.dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

AlarmSoundSelectionDecoding decodeAlarmSoundSelection(std::string_view json)
{
    const auto document = nlohmann::json::parse(json, nullptr, false);
    if (document.is_discarded()) {
        return failed("The data is not valid JSON.");
    }
    if (!document.is_object()) {
        return failed("Expected a JSON object.");
    }
    const auto kind = document.find("kind");
    if (kind == document.end()) {
        return failed("Missing key \"kind\".");
    }
    if (!kind->is_string()) {
        return failed("Expected a string for \"kind\".");
    }
    if (*kind == "builtIn") {
        const auto value = document.find("builtIn");
        if (value == document.end()) {
            return failed("Missing key \"builtIn\".");
        }
        if (!value->is_string()) {
            return failed("Expected a string for \"builtIn\".");
        }
        const auto& id = value->get_ref<const std::string&>();
        if (const auto sound = BuiltInAlarmSound::fromId(id)) {
            return {AlarmSoundSelection::builtIn(*sound), {}};
        }
        return failed("Unknown built-in alarm sound: " + id);
    }
    if (*kind == "customFile") {
        const auto path = document.find("path");
        if (path == document.end()) {
            return failed("Missing key \"path\".");
        }
        if (!path->is_string()) {
            return failed("Expected a string for \"path\".");
        }
        const auto& pathText = path->get_ref<const std::string&>();
        const auto displayName = document.find("displayName");
        if (displayName == document.end() || displayName->is_null()) {
            return {AlarmSoundSelection::customFile(pathText, displayNameForPath(pathText)), {}};
        }
        if (!displayName->is_string()) {
            return failed("Expected a string for \"displayName\".");
        }
        return {AlarmSoundSelection::customFile(pathText, displayName->get<std::string>()), {}};
    }
    return failed("Unknown alarm sound kind: " + kind->get<std::string>());
}

std::string alarmSoundSelectionCommandLineValue(const AlarmSoundSelection& selection)
{
    const auto json = encodeAlarmSoundSelection(selection);
    return json ? base64Encode(*json) : std::string{};
}

AlarmSoundSelection alarmSoundSelectionFromCommandLineValue(std::optional<std::string_view> base64)
{
    if (!base64) {
        return AlarmSoundSelection::defaultSelection();
    }
    const auto json = base64Decode(*base64);
    if (!json) {
        return AlarmSoundSelection::defaultSelection();
    }
    auto decoded = decodeAlarmSoundSelection(*json);
    return decoded.selection ? std::move(*decoded.selection) : AlarmSoundSelection::defaultSelection();
}

} // namespace hollerbox
