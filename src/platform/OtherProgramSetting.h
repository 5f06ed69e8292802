#pragma once

#include "platform/Registry.h"

#include <string>
#include <string_view>

namespace dustrel {

// A value in the settings store through which another program tells where one of its folders is. The
// start-up reads these to find the special folders, and the desktop stands in for them when the store
// lacks them: both name them from here, since a value read under one spelling and answered under
// another would make a special folder silently disappear.
struct OtherProgramSetting
{
    RegistryRoot root;
    std::string_view keyPath;
    std::string_view valueName;
};

inline constexpr OtherProgramSetting kRecentFolderSetting{
    RegistryRoot::CurrentUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "Recent"};

inline constexpr OtherProgramSetting kNavigatorCacheSetting{
    RegistryRoot::CurrentUser, "SOFTWARE\\Netscape\\Netscape Navigator\\Cache", "Cache dir"};

inline constexpr OtherProgramSetting kExplorerCacheSetting{
    RegistryRoot::LocalMachine,
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths", "Directory"};

// The browser's current user is named in its users key; that user's folder is a value of the key under
// the users key that bears the user's name (see navigatorUserKey).
inline constexpr OtherProgramSetting kNavigatorCurrentUserSetting{
    RegistryRoot::LocalMachine, "SOFTWARE\\Netscape\\Netscape Navigator\\Users", "CurrentUser"};
inline constexpr std::string_view kNavigatorUserFolderName = "DirRoot";

// The key that holds the folder of the browser's user `user`.
inline std::string navigatorUserKey(std::string_view user)
{
    return std::string(kNavigatorCurrentUserSetting.keyPath) + "\\" + std::string(user);
}

} // namespace dustrel
