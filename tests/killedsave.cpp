// Helper of the kill test in tst_savefaults: saves the catalogue of one archive over
// another, the way the editor saves, and kills itself at the Nth sync to disk.
//
//   killedsave <source.js> <archive> <N>

#include "archive.h"
#include "catalogue.h"
#include "killpoint.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace spartiti;

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    auto catalogue = std::make_unique<ScoreCatalogue>();
    auto error = readArchive(*catalogue, QString::fromLocal8Bit(argv[1]));
    killpoint::killAtSync(std::atoi(argv[3]));
    if (!error)
        error = saveArchive(*catalogue, QString::fromLocal8Bit(argv[2]));
    if (error) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    return 0;
}
