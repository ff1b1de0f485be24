// Test helper for the kill test in tst_reorganisation: reorganises the catalogue in the
// data folder it is given forever, each step followed by its inverse (move 1 to the end,
// delete 500, insert an empty 1000), until it is killed. A folder left between a step and
// its inverse by an earlier kill is put back first. It says "pronto" once it starts work,
// then "fatto" after each step.
//
//   reorganiseloop <archive before any step> <data folder> <first step, 0 to 2>

#include "archive.h"
#include "catalogue.h"
#include "reorganiser.h"

#include <cstdio>
#include <memory>

using namespace spartiti;

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "uso: reorganiseloop prima.js cartella-spartiti passo\n");
        return 2;
    }
    const QString data = QString::fromLocal8Bit(argv[2]);
    auto original = std::make_unique<ScoreCatalogue>();
    auto catalogue = std::make_unique<ScoreCatalogue>();
    if (auto error = readArchive(*original, QString::fromLocal8Bit(argv[1]));
        error || (error = readArchive(*catalogue, data + QStringLiteral("/archivio.js")))) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    const int count = original->scoreCount();
    // Every run names its dated folder alike, so that the states can be compared.
    const QDateTime fixed(QDate(2000, 1, 1), QTime(0, 0));
    Reorganisation restore{Reorganisation::Kind::Restore, 500, 0, {}, QStringLiteral("eliminati/20000101-000000")};
    for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
        restore.record[f] = original->value(ScoreCatalogue::Field(f), 500);
    const Reorganisation steps[] = {Reorganisation::move(1, count), Reorganisation::deletion(500),
                                    Reorganisation::insertion(1000)};

    std::optional<Reorganisation> pending;
    if (catalogue->scoreCount() == count + 1)
        pending = Reorganisation::deletion(1000);
    else if (catalogue->scoreCount() == count - 1)
        pending = restore;
    else if (catalogue->title(1) != original->title(1))
        pending = Reorganisation::move(count, 1);
    std::puts("pronto");
    std::fflush(stdout);

    for (int round = std::atoi(argv[3]);; ++round) {
        ReorganisationPlan plan;
        const Reorganisation step = pending ? *pending : steps[round % 3];
        if (auto error = reorganise(*catalogue, data, step, fixed, &plan)) {
            std::fprintf(stderr, "%s\n", qPrintable(error->message));
            return 1;
        }
        pending = pending ? std::nullopt : std::optional(plan.inverse);
        // One line per step, so that the test can time a round.
        std::puts("fatto");
        std::fflush(stdout);
    }
}
