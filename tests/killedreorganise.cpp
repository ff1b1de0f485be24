// Helper of the kill test in tst_reorganisation: carries out one step on the catalogue in
// the data folder and then its inverse (step 0 moves score 1 to the end, 1 deletes 500,
// 2 inserts an empty 1000), and kills itself at the Nth sync to disk.
//
//   killedreorganise <data folder> <step> <N>

#include "archive.h"
#include "catalogue.h"
#include "killpoint.h"
#include "reorganiser.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace spartiti;

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const QString data = QString::fromLocal8Bit(argv[1]);
    auto catalogue = std::make_unique<ScoreCatalogue>();
    if (auto error = readArchive(*catalogue, data + QStringLiteral("/archivio.js"))) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    const int count = catalogue->scoreCount();
    const Reorganisation steps[] = {Reorganisation::move(1, count), Reorganisation::deletion(500),
                                    Reorganisation::insertion(1000)};
    // Every run names its dated folder alike, so that the states can be compared.
    const QDateTime fixed(QDate(2000, 1, 1), QTime(0, 0));
    killpoint::killAtSync(std::atoi(argv[3]));
    ReorganisationPlan plan;
    auto error = reorganise(*catalogue, data, steps[std::atoi(argv[2]) % 3], fixed, &plan);
    if (!error)
        error = reorganise(*catalogue, data, plan.inverse, fixed);
    if (error) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    return 0;
}
