#pragma once
// CodePageGuess: which code page a table's text was written in, guessed from
// a bounded sample of its text values, for tables without a code-page mark or
// whose mark does not decode their text cleanly. Each candidate page decodes
// the sample and is scored: letters of one script, no control characters or
// undefined bytes, no capitals inside words, common words of the languages
// written in it.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

namespace tw::encoding {

class TextCodec;

// One candidate and how well it read the sample.
struct CodePageCandidate {
    int codePage = 0;
    double score = 0;      // per byte of the sample; higher is better
    int badCharacters = 0; // undefined bytes and control characters it gave
    QString sample;        // a line of the sample as it reads it
};

// The user's name for a code page ("866", "cp866", "ibm866", "windows-1251",
// "gbk", "mac-cyrillic"...): its number, 0 when the name is not one of the
// pages offered (candidates()).
int codePageFromName(QStringView name);
// The name the program shows for a code page: "cp866", "windows-1251", "gbk".
QString codePageName(int codePage);

class CodePageGuess {
public:
    // The most bytes of text the sample keeps, and the most values it looks at.
    static constexpr qsizetype kSampleBytes = 4096;
    static constexpr int kMaxValues = 2000;

    // The pages guessed among, in the order that settles a tie.
    static const std::vector<int> &candidates();

    // Adds a text value's bytes as the table stores them; values of plain
    // ASCII tell the pages apart no better than nothing and are only counted.
    void addBytes(QByteArrayView bytes);
    // Adds a value read through `codec`: its bytes are got back by encoding it
    // again (exactly so on the single-byte pages, whose every byte decodes to
    // a character of its own).
    void addDecoded(QStringView text, const TextCodec &codec);
    // Whether the sample holds all it will take.
    bool full() const { return m_bytes >= kSampleBytes || m_values >= kMaxValues; }
    // Whether any value had bytes beyond ASCII: without them there is nothing to guess.
    bool telling() const { return !m_texts.isEmpty(); }

    // The candidates, best first (at most `count`; every one when count < 0).
    std::vector<CodePageCandidate> best(int count = 3) const;
    // How one page reads the sample.
    CodePageCandidate score(int codePage) const;
    // Whether `codePage` reads the sample doubtfully: another page reads it
    // clearly better (scores clearly higher, or as high with fewer undefined
    // bytes and control characters). Ties go to `codePage`.
    bool doubtful(int codePage) const;

private:
    QList<QByteArray> m_texts; // the values with bytes beyond ASCII
    qsizetype m_bytes = 0;
    int m_values = 0;
};

} // namespace tw::encoding
