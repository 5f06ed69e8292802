#include "platform/posix/session/XdgPaths.h"

#include "base/Text.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace dustrel::posix {

std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    // The base-directory rules ignore relative values.
    if (value == nullptr || value[0] != '/')
        return {};
    return std::string(withoutTrailingSeparatorsKeepingRoot(value, '/'));
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return std::string(withoutTrailingSeparatorsKeepingRoot(home, '/'));
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return std::string(withoutTrailingSeparatorsKeepingRoot(entry->pw_dir, '/'));
    return {};
}

std::string configHome()
{
    std::string value = absoluteVariable("XDG_CONFIG_HOME");
    return value.empty() ? homeFolder() + "/.config" : value;
}

std::string dataHome()
{
    std::string value = absoluteVariable("XDG_DATA_HOME");
    return value.empty() ? homeFolder() + "/.local/share" : value;
}

std::string cacheHome()
{
    std::string value = absoluteVariable("XDG_CACHE_HOME");
    return value.empty() ? homeFolder() + "/.cache" : value;
}

std::string stateHome()
{
    std::string value = absoluteVariable("XDG_STATE_HOME");
    return value.empty() ? homeFolder() + "/.local/state" : value;
}

std::string runtimeFolder()
{
    return absoluteVariable("XDG_RUNTIME_DIR");
}

std::string dustrelConfigFolder()
{
    return configHome() + "/dustrel";
}

} // namespace dustrel::posix
