// Test helper for the kill test in tst_savefaults: loads the catalogues of two archives,
// A and B, then saves them in turn to a third path, the way the editor saves, until it
// is killed. It says "pronto" once the loop is about to start, then "salvato" after each
// save, so that the test can time a round.
//
//   saveloop <A.js> <B.js> <archive>

#include "archive.h"
#include "catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace spartiti;

static void fail(const Error &error)
{
    std::fprintf(stderr, "%s\n", qPrintable(error.message));
    std::exit(1);
}

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    // Each catalogue is 5 x 10 000 strings: kept on the heap.
    std::unique_ptr<ScoreCatalogue> catalogues[2] = {std::make_unique<ScoreCatalogue>(),
                                                     std::make_unique<ScoreCatalogue>()};
    for (int i = 0; i < 2; ++i)
        if (auto error = readArchive(*catalogues[i], QString::fromLocal8Bit(argv[1 + i])))
            fail(*error);
    const QString archive = QString::fromLocal8Bit(argv[3]);
    std::puts("pronto");
    for (unsigned long round = 0;; ++round) {
        std::fflush(stdout);
        if (auto error = saveArchive(*catalogues[round % 2], archive))
            fail(*error);
        std::puts("salvato");
    }
}
