#include "platform/Result.h"

#include <cstring>

namespace dustrel {

Error systemError(int code, std::string path)
{
    return Error{code, std::strerror(code), std::move(path)};
}

} // namespace dustrel
