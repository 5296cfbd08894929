#include "XdgDirectories.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace hollerbox::XdgDirectories {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string{value} : std::string{};
}

} // namespace

std::string homeDirectory()
{
    auto home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            home = entry->pw_dir;
        }
    }
    return home;
}

std::string resolve(const std::string& variableValue, const std::string& home, const std::string& fallback)
{
    if (!variableValue.empty() && std::filesystem::path{variableValue}.is_absolute()) {
        return variableValue;
    }
    return (std::filesystem::path{home} / fallback).string();
}

std::string configHome()
{
    return resolve(environment("XDG_CONFIG_HOME"), homeDirectory(), ".config");
}

std::string stateHome()
{
    return resolve(environment("XDG_STATE_HOME"), homeDirectory(), ".local/state");
}

std::string dataHome()
{
    return resolve(environment("XDG_DATA_HOME"), homeDirectory(), ".local/share");
}

} // namespace hollerbox::XdgDirectories
