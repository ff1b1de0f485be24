// Helper of the reorganisation kill test: carries out a step on the catalogue in the data
// folder and then its inverse (0 moves score 1 to the end, 1 deletes 500, 2 inserts an
// empty 1000), and kills itself with SIGKILL, as a crash or a power cut
// would end it, the Nth time it makes a write durable. Every such write goes through
// spartiti::syncFile, so a test that raises N from 1 until the helper ends normally has
// killed it at every one of those moments, in the same order each run.
//
//   killedhelper <data folder> <step> <N>

#include "archive.h"
#include "atomicfile.h"
#include "reorganiser.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace spartiti;

static int syncsLeft = 0;

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const QString data = QString::fromLocal8Bit(argv[1]);
    auto catalogue = std::make_unique<ScoreCatalogue>();
    auto error = readArchive(*catalogue, data + QStringLiteral("/archivio.js"));
    syncsLeft = std::atoi(argv[3]);
    syncFile = [](int fd) {
        if (--syncsLeft == 0)
            ::raise(SIGKILL);
        return ::fsync(fd);
    };
    if (!error) {
        const int count = catalogue->scoreCount();
        const Reorganisation steps[] = {Reorganisation::move(1, count), Reorganisation::deletion(500),
                                        Reorganisation::insertion(1000)};
        // Every run names its dated folder alike, so that the states can be compared.
        const QDateTime fixed(QDate(2000, 1, 1), QTime(0, 0));
        ReorganisationPlan plan;
        error = reorganise(*catalogue, data, steps[std::atoi(argv[2]) % 3], fixed, &plan);
        if (!error)
            error = reorganise(*catalogue, data, plan.inverse, fixed);
    }
    if (error)
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
    return error ? 1 : 0;
}
