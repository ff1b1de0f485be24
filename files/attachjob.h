#pragma once

#include "atomicfile.h"
#include "cataloguefolder.h"
#include "error.h"
#include "scorefile.h"

#include <QString>

#include <optional>

namespace spartiti {

// The copies of one attach, cut at their thread boundary so that a large file is copied
// without blocking the windows: prepared by the document (the chosen file, the score and
// the category are checked and fixed there), then run on any thread (it touches only
// files). The document files a track's score under its category once the track is in
// place.
class AttachJob
{
public:
    using Kind = ScoreFile;

    // Checks what the window asks for; on success `job` is ready to run. `categoryCode`
    // (1..33) is for a track only.
    static std::optional<Error> prepare(Kind kind, const CatalogueFolder &folder, int number,
                                        const QString &chosenPath, int categoryCode, AttachJob &job);

    Kind kind() const { return m_kind; }
    int scoreNumber() const { return m_number; }
    int categoryCode() const { return m_category; }
    QString sourcePath() const { return m_source; }

    // The copies. A left page is followed by a fresh placeholder on the right; a failed
    // left copy copies no placeholder, a failed placeholder keeps the new left page and
    // the error says so. `progress` follows and may cancel the chosen file's copy only:
    // the placeholder after it is small and completes the page pair.
    std::optional<Error> run(const CopyProgress &progress = {});
    // Whether run() wrote any file of the score (the left page before a failed placeholder).
    bool filesWritten() const { return m_written; }
    bool succeeded() const { return m_succeeded; }

private:
    Kind m_kind = Kind::LeftPage;
    CatalogueFolder m_folder;
    int m_number = -1;
    int m_category = 0;
    QString m_source;
    bool m_written = false;
    bool m_succeeded = false;
};

} // namespace spartiti
