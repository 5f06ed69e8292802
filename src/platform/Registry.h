#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dustrel {

enum class RegistryRoot
{
    LocalMachine,
    CurrentUser,
};

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
std::string_view registryRootName(RegistryRoot root);

enum class RegistryWrite
{
    Written,
    KeyMissing, // the key must exist before a value is written to it
    Failed,     // the store refused the write (no access, disk full)
};

// The system's hierarchical settings store: keys of string values under a predefined root.
// Key paths use "\" between levels; key and value names compare without regard to ASCII letter case.
// Values are byte strings. Every call stands alone: nothing stays open between calls.
class Registry
{
public:
    virtual ~Registry() = default;

    virtual bool keyExists(RegistryRoot root, std::string_view keyPath) = 0;

    // The value's bytes, or nothing when the key or the value is missing or its data is longer than
    // `capacity` bytes.
    virtual std::optional<std::string> queryValue(RegistryRoot root, std::string_view keyPath,
                                                  std::string_view valueName, std::size_t capacity) = 0;

    // The number a 32-bit number value ("dword:") holds, or nothing for a missing value or one of
    // another type. Other programs' exports store counts that way.
    virtual std::optional<std::uint32_t> queryNumber(RegistryRoot /*root*/, std::string_view /*keyPath*/,
                                                     std::string_view /*valueName*/)
    {
        return std::nullopt;
    }

    virtual RegistryWrite setValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                                   std::string_view data) = 0;

    // Creates every missing level of the path. Refused for a path no key can have; inside a batch a
    // failure to store the key is told by commitBatch().
    [[nodiscard]] virtual Result<void> createKey(RegistryRoot root, std::string_view keyPath) = 0;

    // Writes made between beginBatch() and commitBatch() may be collected and reach the store in one
    // replacement. Reads inside a batch see the batch's own writes. Batches do not nest. A batch ended
    // by abandonBatch() leaves the store as it was, where the store collects writes.
    virtual void beginBatch() {}
    virtual Result<void> commitBatch() { return {}; }
    virtual void abandonBatch() {}
};

// Collects the writes of one scope (a save of every parameter) into a single replacement of the store.
// Only commit() stores them and tells whether that worked: a scope left without it (a failure on the
// way) stores nothing, since a destructor has no one to tell of a failed write.
class RegistryBatch
{
public:
    explicit RegistryBatch(Registry& registry) : m_registry(registry) { m_registry.beginBatch(); }
    ~RegistryBatch()
    {
        if (!m_ended)
            m_registry.abandonBatch();
    }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    [[nodiscard]] Result<void> commit()
    {
        m_ended = true;
        return m_registry.commitBatch();
    }

private:
    Registry& m_registry;
    bool m_ended = false;
};

} // namespace dustrel
