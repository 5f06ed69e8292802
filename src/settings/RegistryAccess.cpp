#include "settings/RegistryAccess.h"

namespace dustrel {

std::size_t LengthToNull(std::string_view text)
{
    const std::size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text.size() : zero;
}

std::string RegistryAccess::ReadRegString(RegistryRoot root, std::string_view keyPath,
                                          std::string_view valueName)
{
    const auto value = m_registry.queryValue(root, keyPath, valueName, kRegistryReadLimit);
    if (!value)
        return {};
    return value->substr(0, LengthToNull(*value));
}

bool RegistryAccess::valueTooLong(RegistryRoot root, std::string_view keyPath, std::string_view valueName)
{
    const auto value = m_registry.queryValue(root, keyPath, valueName, std::string::npos);
    return value && value->size() > kRegistryReadLimit;
}

void RegistryAccess::WriteRegString(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                                    std::string_view value)
{
    if (m_registry.setValue(root, keyPath, valueName, value) == RegistryWrite::KeyMissing) {
        m_messageBoxes.show(Message{"Inexisting key.", "Registry error", MessageIcon::Critical,
                                    MessageButtons::Ok, MessageAnswer::Ok});
    }
}

Result<void> RegistryAccess::MakeRegistryKey(RegistryRoot root, std::string_view keyPath)
{
    return m_registry.createKey(root, keyPath);
}

} // namespace dustrel
