#include "platform/Registry.h"

namespace dustrel {

std::string_view registryRootName(RegistryRoot root)
{
    switch (root) {
    case RegistryRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    }
    return {};
}

} // namespace dustrel
