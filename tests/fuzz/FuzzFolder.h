#pragma once
// FuzzFolder: unpacks one fuzzer input into a set of named files in a
// memory-backed folder, so the readers can open them as they open tables.
//
// Input layout, repeated until the input ends (at most kMaxFiles files):
//   [name length u8][name bytes][data length u32 LE][data bytes]
// A data length past the end takes what is left. Name bytes outside
// [A-Za-z0-9._~-] become '_', so a name never leaves the folder.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace tw::fuzz {

constexpr int kMaxFiles = 8;

class FuzzFolder {
public:
    FuzzFolder();
    ~FuzzFolder();
    FuzzFolder(const FuzzFolder &) = delete;
    FuzzFolder &operator=(const FuzzFolder &) = delete;

    // Empties the folder, then writes the files the input describes; returns their names.
    QStringList unpack(const uint8_t *data, size_t size);
    const QString &path() const { return m_path; }

private:
    void clear();
    QString m_path;
};

// Splits an input into its files without writing them (used by the regression tests).
struct PackedFile {
    QString name;
    QByteArray data;
};
std::vector<PackedFile> splitInput(const uint8_t *data, size_t size);

} // namespace tw::fuzz
