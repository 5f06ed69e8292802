#pragma once

#include <string>

namespace dustrel::posix {

// The value of the environment variable `name` when it is an absolute path, without trailing "/" (but
// "/" itself); else "".
std::string absoluteVariable(const char* name);

// The user's folders as the XDG base-directory rules name them. None ends with "/".
std::string homeFolder();          // $HOME, else the password database's entry
std::string configHome();          // $XDG_CONFIG_HOME when absolute, else ~/.config
std::string dataHome();            // $XDG_DATA_HOME when absolute, else ~/.local/share
std::string cacheHome();           // $XDG_CACHE_HOME when absolute, else ~/.cache
std::string stateHome();           // $XDG_STATE_HOME when absolute, else ~/.local/state
std::string runtimeFolder();       // $XDG_RUNTIME_DIR when absolute, else ""
std::string dustrelConfigFolder(); // configHome() + "/dustrel"

} // namespace dustrel::posix
