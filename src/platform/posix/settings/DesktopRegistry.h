#pragma once

#include "platform/ForwardingRegistry.h"

#include <optional>
#include <string>
#include <string_view>

namespace dustrel::posix {

// The user's folders that the desktop answers from.
struct DesktopFolders
{
    std::string home;  // holds .mozilla/firefox/profiles.ini
    std::string data;  // $XDG_DATA_HOME
    std::string cache; // $XDG_CACHE_HOME

    static DesktopFolders fromEnvironment();
};

// The settings store as other programs' folder settings are read from it. Every call goes to the
// wrapped store; the few values through which the program finds other programs' folders (recent
// documents, browser caches, the browser's user folder) are answered from the desktop when the store
// lacks them, much as a Windows compatibility layer would fill them in. A value in the store always
// wins over the desktop's, even one too long for the caller.
class DesktopRegistry : public ForwardingRegistry
{
public:
    explicit DesktopRegistry(Registry& store, DesktopFolders folders = DesktopFolders::fromEnvironment());

    bool keyExists(RegistryRoot root, std::string_view keyPath) override;
    std::optional<std::string> queryValue(RegistryRoot root, std::string_view keyPath,
                                          std::string_view valueName, std::size_t capacity) override;

private:
    // The desktop's answer for one value; nothing for values it does not stand in for.
    std::optional<std::string> desktopValue(RegistryRoot root, std::string_view keyPath,
                                            std::string_view valueName);

    DesktopFolders m_folders;
};

// The default profile of a profiles.ini, as the browser picks it.
struct MozillaProfile
{
    std::string name;
    std::string folder; // absolute, without a trailing "/"
};

// Nothing when the text names no profile or none can be told the default. `profilesFolder` is the
// folder of the profiles.ini, against which relative profile paths are resolved.
std::optional<MozillaProfile> defaultMozillaProfile(std::string_view profilesIni,
                                                    const std::string& profilesFolder);

} // namespace dustrel::posix
