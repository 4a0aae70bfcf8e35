#pragma once
// ProviderRegistry: the providers a program has, looked up by connection string.
// Programs register theirs at start; Connection::Open asks the registry.

#include "Provider.h"

#include <memory>
#include <vector>

namespace tw::ado {

class ProviderRegistry {
public:
    static ProviderRegistry &instance();

    void add(std::shared_ptr<Provider> provider);
    void remove(const Provider *provider);
    // The provider that accepts the string; RuntimeError naming the string otherwise.
    std::shared_ptr<Provider> find(const ConnectionString &cs) const;

private:
    std::vector<std::shared_ptr<Provider>> m_providers;
};

// Registers a provider for the lifetime of this object (tests).
class ScopedProvider {
public:
    explicit ScopedProvider(std::shared_ptr<Provider> provider);
    ~ScopedProvider();
    ScopedProvider(const ScopedProvider &) = delete;
    ScopedProvider &operator=(const ScopedProvider &) = delete;

private:
    std::shared_ptr<Provider> m_provider;
};

} // namespace tw::ado
