#pragma once
// Temporary tables: a writer builds a new table under a name of its own in the
// target folder ("~tw" and six letters or digits, with the table's suffixes)
// and renames it into place once whole. While it lives it holds the main file
// of its temporary locked; a temporary that nobody holds was left by a writer
// that died (killed, power lost) and is deleted by the next writer in that
// folder. Only names of exactly this form are ever deleted.

#include "FileSystem.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace tw::files {

inline constexpr char kTempPrefix[] = "~tw";
inline constexpr int kTempTagLength = 6;

// How a temporary, or what a new table left of the old one, is deleted: when
// it can be (a real path); what stays is swept up by the next writer.
inline constexpr Removal kLeftover{.form = PathForm::Real, .missingFails = false, .throws = false};

// True for a file name of a temporary: "~tw" + 6 characters, then "." and a suffix.
bool isTempName(const QString &fileName);

// A fresh temporary base (real path without suffix) in the real folder
// `folder`: no file of that base with any of the suffixes exists, in any
// letter case.
QString freshTempBase(const QString &folder, const QStringList &suffixes);

// Deletes the temporaries in `folder` whose main file (suffix `mainSuffix`)
// nobody holds, with their companions (`companionSuffixes`), and companions
// left without a main file. Main files still empty are left alone: their
// writer may be between creating and locking them.
void removeStaleTemps(const QString &folder, const QString &mainSuffix, const QStringList &companionSuffixes);

class File;

// An exclusive lock on an existing file (a writer's temporary), held until
// release() or destruction.
class HeldFile {
public:
    HeldFile() = default;
    explicit HeldFile(const QString &path);
    ~HeldFile();
    HeldFile(HeldFile &&other) noexcept;
    HeldFile &operator=(HeldFile &&other) noexcept;
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;

    void release();

private:
    std::unique_ptr<File> m_file;
};

} // namespace tw::files
