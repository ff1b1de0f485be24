#include "attach.h"

#include "attachjob.h"

namespace spartiti {

namespace {

std::optional<Error> attachNow(AttachJob::Kind kind, Module1 &state, const QString &chosenPath,
                               int categoryCode, bool *written)
{
    if (written)
        *written = false;
    AttachJob job;
    if (auto error = AttachJob::prepare(kind, state, chosenPath, categoryCode, job))
        return error;
    const auto error = job.run();
    if (written)
        *written = job.filesWritten();
    job.finish(state);
    return error;
}

} // namespace

std::optional<Error> attachLeftPage(Module1 &state, const QString &chosenPath,
                                    bool *leftPageWritten)
{
    return attachNow(AttachJob::Kind::LeftPage, state, chosenPath, 0, leftPageWritten);
}

std::optional<Error> attachRightPage(Module1 &state, const QString &chosenPath)
{
    return attachNow(AttachJob::Kind::RightPage, state, chosenPath, 0, nullptr);
}

std::optional<Error> attachTrack(Module1 &state, const QString &chosenPath, int categoryCode)
{
    return attachNow(AttachJob::Kind::Track, state, chosenPath, categoryCode, nullptr);
}

} // namespace spartiti
