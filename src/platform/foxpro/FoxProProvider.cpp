#include "FoxProProvider.h"

#include "FoxProSession.h"

#include "platform/ado/ProviderRegistry.h"

namespace tw::foxpro {

QString FoxProProvider::name() const
{
    return QString::fromLatin1(kProviderName);
}

bool FoxProProvider::accepts(const ado::ConnectionString &cs) const
{
    const auto provider = cs.value(QStringLiteral("Provider"));
    return provider && provider->trimmed().compare(QLatin1String(kProviderName), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<ado::Session> FoxProProvider::open(const ado::ConnectionString &cs, const ado::ConnectionOptions &)
{
    QString source = cs.valueOr(QStringLiteral("Data Source")).trimmed();
    if (source.size() >= 2 && source.front() == '"' && source.back() == '"')
        source = source.mid(1, source.size() - 2);
    return std::make_unique<FoxProSession>(source);
}

QStringList FoxProProvider::columnNamesFor(const QStringList &names, int codePage) const
{
    return foxpro::columnNamesFor(names, codePage);
}

void registerProvider()
{
    ado::ProviderRegistry::instance().add(std::make_shared<FoxProProvider>());
}

} // namespace tw::foxpro
