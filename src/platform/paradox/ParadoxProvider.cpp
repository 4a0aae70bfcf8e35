#include "ParadoxProvider.h"

#include "ParadoxSession.h"

#include "platform/ado/ProviderRegistry.h"
#include "platform/files/FileSystem.h"

#include <QFileInfo>

namespace tw::paradox {

using tw::ado::RuntimeError;

bool ParadoxProvider::accepts(const tw::ado::ConnectionString &cs) const
{
    const std::optional<QString> driver = cs.value(QStringLiteral("Driver"));
    if (!driver)
        return false;
    auto bare = [](QString text) {
        text = text.trimmed();
        if (text.startsWith(QLatin1Char('{')) && text.endsWith(QLatin1Char('}')))
            text = text.mid(1, text.size() - 2);
        return text;
    };
    return bare(*driver).compare(bare(QLatin1String(kDriverName)), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<tw::ado::Session> ParadoxProvider::open(const tw::ado::ConnectionString &cs,
                                                        const tw::ado::ConnectionOptions &)
{
    QString folder = cs.valueOr(QStringLiteral("Dbq")).trimmed();
    if (folder.isEmpty())
        folder = cs.valueOr(QStringLiteral("DefaultDir")).trimmed();
    if (folder.isEmpty())
        throw RuntimeError(RuntimeError::kPathNotFound,
                           QStringLiteral("Paradox driver: the connection string names no folder (Dbq)."));
    const QString native = tw::files::toNativePath(folder);
    if (!tw::files::isDirectory(native))
        throw RuntimeError(RuntimeError::kPathNotFound,
                           QStringLiteral("Paradox driver: '%1' is not an existing folder.").arg(folder));
    return std::make_unique<ParadoxSession>(native);
}

void registerProvider()
{
    tw::ado::ProviderRegistry::instance().add(std::make_shared<ParadoxProvider>());
}

} // namespace tw::paradox
