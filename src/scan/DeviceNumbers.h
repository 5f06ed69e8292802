#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace dustrel {

// The devices of a list's files, numbered in the order they are met: the files of a search lie on a
// handful of file systems, so a row pays two bytes for its device rather than eight.
class DeviceNumbers
{
public:
    using Number = std::uint16_t;
    // What a device met after every number is taken reads back as: no file has it, so a deletion that
    // compares it refuses that row rather than taking a file of another device for it.
    static constexpr std::uint64_t kUnknownDevice = ~std::uint64_t{0};

    Number number(std::uint64_t device);
    std::uint64_t device(Number number) const
    {
        return number < m_devices.size() ? m_devices[number] : kUnknownDevice;
    }
    void clear();

private:
    static constexpr Number kFull = 0xFFFF;
    std::vector<std::uint64_t> m_devices;
    std::unordered_map<std::uint64_t, Number> m_numbers;
    Number m_last = kFull; // the number given last: rows come folder by folder, mostly of one device
};

} // namespace dustrel
