#pragma once

#include "platform/MessageBoxes.h"
#include "platform/Registry.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dustrel {

// Values up to this size read whole (an ignored path may be long); a longer one reads as the empty
// text, and valueTooLong() tells it from a missing one.
constexpr std::size_t kRegistryReadLimit = 32768;

// Number of characters before the first character 0, or the whole length when there is none.
std::size_t LengthToNull(std::string_view text);

// The three settings-store primitives the program uses. Every call opens and closes its key.
class RegistryAccess
{
public:
    RegistryAccess(Registry& registry, MessageBoxes& messageBoxes)
        : m_registry(registry), m_messageBoxes(messageBoxes)
    {}

    // The value's text up to its first character 0; the empty text for anything unreadable.
    std::string ReadRegString(RegistryRoot root, std::string_view keyPath, std::string_view valueName);

    // Whether the value exists but is longer than kRegistryReadLimit, so ReadRegString gave nothing.
    bool valueTooLong(RegistryRoot root, std::string_view keyPath, std::string_view valueName);

    // Says "Inexisting key." when the key does not exist, once per value.
    void WriteRegString(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                        std::string_view value);

    [[nodiscard]] Result<void> MakeRegistryKey(RegistryRoot root, std::string_view keyPath);

    Registry& registry() { return m_registry; }
    MessageBoxes& messageBoxes() { return m_messageBoxes; }

private:
    Registry& m_registry;
    MessageBoxes& m_messageBoxes;
};

} // namespace dustrel
