#pragma once

#include "atomicfile.h"
#include "error.h"

#include <QString>

#include <optional>

namespace spartiti {

class Module1;

// One attach cut at its thread boundary, so that a window can copy a large file without
// blocking: prepared where Module1 lives (the chosen file, the score on show and the
// category are checked and fixed there), run on any thread (it touches only files), and
// finished back where Module1 lives (a track's category changes only once the track is in
// place). attach.h runs the three steps in one go.
class AttachJob
{
public:
    enum class Kind { LeftPage, RightPage, Track };

    // Checks what the window asks for; on success `job` is ready to run. `categoryCode`
    // (1..33) is for a track only.
    static std::optional<Error> prepare(Kind kind, const Module1 &state, const QString &chosenPath,
                                        int categoryCode, AttachJob &job);

    Kind kind() const { return m_kind; }
    int scoreNumber() const { return m_number; }
    QString sourcePath() const { return m_source; }

    // The copies. A left page is followed by a fresh placeholder on the right; a failed
    // left copy copies no placeholder, a failed placeholder keeps the new left page and
    // the error says so. `progress` follows and may cancel the chosen file's copy only:
    // the placeholder after it is small and completes the page pair.
    std::optional<Error> run(const CopyProgress &progress = {});
    // Whether run() wrote any file of the score (the left page before a failed placeholder).
    bool filesWritten() const { return m_written; }
    // Files a track's score under its category once run() succeeded; nothing otherwise.
    void finish(Module1 &state) const;

private:
    Kind m_kind = Kind::LeftPage;
    int m_number = -1;
    int m_category = 0;
    QString m_source;
    bool m_written = false;
    bool m_succeeded = false;
};

} // namespace spartiti
