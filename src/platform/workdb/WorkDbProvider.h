#pragma once
// WorkDbProvider: the stand-in for the Jet provider over the work database
// ("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=.../dbtemp.mdb;"). It creates
// and drops work tables and exports them to Paradox, their rows going straight
// to the Paradox table an export was prepared for.

#include "platform/ado/Provider.h"

namespace tw::workdb {

class WorkDbProvider final : public ado::Provider {
public:
    static constexpr const char *kProviderName = "Microsoft.Jet.OLEDB.4.0";

    QString name() const override { return QStringLiteral("Work database"); }
    bool accepts(const ado::ConnectionString &cs) const override;
    // RuntimeError when the Data Source file is missing or is not a work database.
    std::unique_ptr<ado::Session> open(const ado::ConnectionString &cs, const ado::ConnectionOptions &options) override;
};

// Adds a WorkDbProvider to tw::ado::ProviderRegistry::instance().
void registerProvider();

// Makes an empty work database at path (the build and first start use it).
void createWorkDatabase(const QString &path);

} // namespace tw::workdb
