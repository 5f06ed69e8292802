#pragma once

#include <string_view>

namespace dustrel {

// A test on file names that a folder cursor may put to names on several threads at once.
class NameFilter
{
public:
    virtual ~NameFilter() = default;
    virtual bool matches(std::string_view name) const = 0;
};

} // namespace dustrel
