#pragma once
// FoxProProvider: the "Provider=vfpoledb.1" provider. A connection opens a
// database container (.dbc) or a folder of free tables; its session reads
// tables (SELECT * FROM name), lists them (OpenSchema 20), and runs CREATE
// TABLE, INSERT and DROP TABLE.

#include "platform/ado/Provider.h"

namespace tw::foxpro {

class FoxProProvider : public ado::Provider {
public:
    static constexpr const char *kProviderName = "vfpoledb.1";

    QString name() const override;
    bool accepts(const ado::ConnectionString &cs) const override;
    std::unique_ptr<ado::Session> open(const ado::ConnectionString &cs, const ado::ConnectionOptions &options) override;
    // Fitted by columnNamesFor() (FoxProSession.h).
    QStringList columnNamesFor(const QStringList &names, int codePage) const override;
};

// Adds the FoxPro provider to ado::ProviderRegistry::instance().
void registerProvider();

} // namespace tw::foxpro
