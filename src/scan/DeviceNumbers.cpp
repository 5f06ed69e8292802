#include "scan/DeviceNumbers.h"

namespace dustrel {

DeviceNumbers::Number DeviceNumbers::number(std::uint64_t device)
{
    if (m_last < m_devices.size() && m_devices[m_last] == device)
        return m_last;
    if (const auto known = m_numbers.find(device); known != m_numbers.end())
        return m_last = known->second;
    if (m_devices.size() == kFull)
        return kFull;
    m_last = static_cast<Number>(m_devices.size());
    m_devices.push_back(device);
    m_numbers.emplace(device, m_last);
    return m_last;
}

void DeviceNumbers::clear()
{
    m_devices.clear();
    m_numbers.clear();
    m_last = kFull;
}

} // namespace dustrel
