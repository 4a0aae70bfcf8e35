#include "ProviderRegistry.h"

#include <algorithm>

namespace tw::ado {

ProviderRegistry &ProviderRegistry::instance()
{
    static ProviderRegistry registry;
    return registry;
}

void ProviderRegistry::add(std::shared_ptr<Provider> provider)
{
    if (provider)
        m_providers.push_back(std::move(provider));
}

void ProviderRegistry::remove(const Provider *provider)
{
    std::erase_if(m_providers, [provider](const auto &p) { return p.get() == provider; });
}

std::shared_ptr<Provider> ProviderRegistry::find(const ConnectionString &cs) const
{
    // The latest registration wins, so a test can stand in for a real provider.
    for (auto it = m_providers.rbegin(); it != m_providers.rend(); ++it) {
        if ((*it)->accepts(cs))
            return *it;
    }
    throw RuntimeError(kErrProviderNotFound,
                       QStringLiteral("Provider cannot be found. It may not be properly installed. "
                                      "(connection string: %1)")
                           .arg(cs.text()));
}

ScopedProvider::ScopedProvider(std::shared_ptr<Provider> provider) : m_provider(std::move(provider))
{
    ProviderRegistry::instance().add(m_provider);
}

ScopedProvider::~ScopedProvider()
{
    ProviderRegistry::instance().remove(m_provider.get());
}

} // namespace tw::ado
