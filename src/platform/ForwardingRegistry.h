#pragma once

#include "platform/Registry.h"

namespace dustrel {

// A store that hands every call to another one: the base of stores that answer a few values themselves
// and leave the rest, writes and batches included, to the store they wrap.
class ForwardingRegistry : public Registry
{
public:
    explicit ForwardingRegistry(Registry& store) : m_store(store) {}

    bool keyExists(RegistryRoot root, std::string_view keyPath) override
    {
        return m_store.keyExists(root, keyPath);
    }
    std::optional<std::string> queryValue(RegistryRoot root, std::string_view keyPath,
                                          std::string_view valueName, std::size_t capacity) override
    {
        return m_store.queryValue(root, keyPath, valueName, capacity);
    }
    std::optional<std::uint32_t> queryNumber(RegistryRoot root, std::string_view keyPath,
                                             std::string_view valueName) override
    {
        return m_store.queryNumber(root, keyPath, valueName);
    }
    RegistryWrite setValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                           std::string_view data) override
    {
        return m_store.setValue(root, keyPath, valueName, data);
    }
    Result<void> createKey(RegistryRoot root, std::string_view keyPath) override
    {
        return m_store.createKey(root, keyPath);
    }
    void beginBatch() override { m_store.beginBatch(); }
    Result<void> commitBatch() override { return m_store.commitBatch(); }
    void abandonBatch() override { m_store.abandonBatch(); }

protected:
    Registry& store() { return m_store; }

private:
    Registry& m_store;
};

} // namespace dustrel
