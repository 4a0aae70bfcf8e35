#pragma once
// ParadoxProvider: the stand-in for the Microsoft Paradox ODBC driver. A
// connection names a folder (Dbq); its .db files are the tables, read with
// SELECT * FROM name and removed with DROP TABLE name.

#include "platform/ado/Provider.h"

namespace tw::paradox {

class ParadoxProvider final : public tw::ado::Provider {
public:
    // The Driver value it answers to, compared without regard to case.
    static constexpr const char *kDriverName = "{Microsoft Paradox Driver (*.db )}";

    QString name() const override { return QStringLiteral("Paradox"); }
    bool accepts(const tw::ado::ConnectionString &cs) const override;
    // The folder is the Dbq value (DefaultDir when Dbq is missing);
    // RuntimeError 76 when it is not an existing folder.
    std::unique_ptr<tw::ado::Session> open(const tw::ado::ConnectionString &cs,
                                           const tw::ado::ConnectionOptions &options) override;
};

// Adds a ParadoxProvider to tw::ado::ProviderRegistry::instance().
void registerProvider();

} // namespace tw::paradox
