#include "TransferFixture.h"

#include "platform/foxpro/FoxProSession.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/workdb/WorkDbProvider.h"

#include <QDir>

namespace tw::test {

TransferFixture::TransferFixture()
{
    static const bool registered = [] {
        workdb::registerProvider();
        paradox::registerProvider();
        return true;
    }();
    Q_UNUSED(registered);
    workdb::createWorkDatabase(dir.path() + "/dbtemp.mdb");
    QDir(dir.path()).mkdir("px");
    QDir(dir.path()).mkdir("fox");
    settings.paradox = paradoxFolder();
    settings.freeTables = foxproFolder();
    memory = std::make_shared<MemoryProvider>();
    memory->acceptedProvider = "vfpoledb.1";
    memory->columnNames = [](const QStringList &names, int codePage) {
        return foxpro::columnNamesFor(names, codePage);
    };
    registration = std::make_unique<ado::ScopedProvider>(memory);
}

TransferFixture::~TransferFixture() = default;

TransferContext TransferFixture::context()
{
    return TransferContext{dialogs, settings, list1, list2, pointer, progress, dir.path() + "\\dbtemp.mdb", nullptr};
}

} // namespace tw::test
