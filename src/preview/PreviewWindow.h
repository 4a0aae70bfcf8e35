#pragma once
// PreviewWindow: a window of its own (not modal) showing one table as the
// copies read it: its fields and what each becomes on the other side, its
// rows read on demand, its row count and code page. Choosing a code page
// reads the table again at once in that page, and the next copies of the
// table in this run read it so (ReadCodePages). It only reads: nothing is
// locked or written, and closing it lets the files go at once. Its text is
// in the fonts of the program's other windows, and each column is as wide as
// the text of the rows it first shows.

#include "transfer/TransferContext.h"

#include "platform/encoding/CodePageGuess.h"

#include <QString>
#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;
class QTableWidget;

namespace tw::preview {

class RowWindowModel;

struct PreviewTable {
    ReadCodePages::Side side = ReadCodePages::Side::FoxPro;
    QString name;                // as its list shows it
    QString connectionString;    // of its side
    bool keepFieldTypes = false; // the copies keep each field's type: its fields show the types they get
};

class PreviewWindow final : public QWidget {
    Q_OBJECT

public:
    // The most rows read at opening to guess the code page from.
    static constexpr int kGuessRows = 200;
    // The widest a column is made, in average characters: a long memo is cut
    // there rather than take the window.
    static constexpr int kWidestColumnCharacters = 40;

    // Opens the table; RuntimeError (with the reader's message) when it
    // cannot be read. `choices` outlives the window.
    PreviewWindow(PreviewTable table, ReadCodePages &choices, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    const PreviewTable &table() const { return m_table; }
    // Reads the table again in `codePage` (0: as its header says) and keeps
    // the choice for the next copies; RuntimeError when it cannot be read.
    // While the window has let its table go, the choice is kept and read by
    // reopen().
    void chooseCodePage(int codePage);
    // Lets the table's files go while a command may change, replace or
    // remove the table (on Windows an open file cannot be replaced); reopen()
    // reads it again as it then is, or says why it cannot.
    void letGo();
    void reopen();
    // Shows the fields' target types by the copies' own mapping or the one
    // that keeps each field's type.
    void setKeepFieldTypes(bool keep);

    RowWindowModel *rowsModel() const { return m_model; }
    QTableView *rowsView() const { return m_rows; }
    QTableWidget *fieldsView() const { return m_fields; }
    QComboBox *codePageBox() const { return m_codePages; }
    QCheckBox *keepFieldTypesBox() const { return m_keepTypes; }
    QLabel *headerLabel() const { return m_header; }
    // The guesses offered first, best first; empty when the table's mark reads it cleanly.
    const std::vector<encoding::CodePageCandidate> &guesses() const { return m_guesses; }

signals:
    // The user checked or cleared "Keep field types" here.
    void keepFieldTypesToggled(bool keep);

protected:
    // Lets the table's files go at once, before the window is deleted.
    void closeEvent(QCloseEvent *event) override;
    // Sizes the columns to the first screen once the window has its size.
    void showEvent(QShowEvent *event) override;

private:
    void open(int codePage);
    void guess();
    void fillCodePages();
    void fillFields();
    void showHeader();
    // Each column as wide as its name and the text of the rows the view
    // shows from the top, at most kWidestColumnCharacters.
    void sizeColumns();

    PreviewTable m_table;
    ReadCodePages &m_choices;
    std::vector<encoding::CodePageCandidate> m_guesses;
    RowWindowModel *m_model = nullptr;
    QLabel *m_header = nullptr;
    QComboBox *m_codePages = nullptr;
    QCheckBox *m_keepTypes = nullptr;
    QTableWidget *m_fields = nullptr;
    QTableView *m_rows = nullptr;
    bool m_filling = false;
    bool m_letGo = false; // between letGo() and reopen()
    bool m_sized = false; // the columns were sized once shown
};

} // namespace tw::preview
