#pragma once
// A temporary world for transfer tests: a work database, a Paradox folder, a
// FoxPro side held in memory, both lists, scripted dialogs and a progress bar.

#include "MemoryProvider.h"
#include "common/ConnectionSettings.h"
#include "common/TableList.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ui/Pointer.h"
#include "platform/ui/ScriptedDialogs.h"
#include "transfer/TransferContext.h"

#include <QTemporaryDir>

#include <memory>

namespace tw::test {

class RecordingProgress final : public ProgressSink {
public:
    void setProgressValue(int value) override { values << value; }
    void setProgressText(const QString &text) override { texts << text; }
    QList<int> values;
    QStringList texts;
};

struct TransferFixture {
    TransferFixture();
    ~TransferFixture();

    TransferContext context();
    QString paradoxFolder() const { return dir.path() + "/px"; }
    QString foxproFolder() const { return dir.path() + "/fox"; }
    MemoryDatabase &foxpro() { return memory->database(settings.freeTables); }

    QTemporaryDir dir;
    PlainConnectionSettings settings;
    MemoryTableList list1;
    MemoryTableList list2;
    ui::ScriptedDialogs dialogs;
    ui::PlainPointer pointer;
    RecordingProgress progress;
    std::shared_ptr<MemoryProvider> memory;
    std::unique_ptr<ado::ScopedProvider> registration;
};

} // namespace tw::test
