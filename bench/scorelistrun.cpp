#include "scorelistrun.h"

#include "archive.h"
#include "cataloguedocument.h"
#include "displayrig.h"
#include "module1.h"
#include "scorelistmodel.h"
#include "scorelistwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>

#include <memory>

namespace spartiti::bench {

namespace {

// Titles and authors with accents and mixed case, so that folding and collation do
// their real work.
const QStringList Words{QStringLiteral("Andante"), QStringLiteral("Perché"), QStringLiteral("città"),
                        QStringLiteral("Notturno"), QStringLiteral("Èstasi"), QStringLiteral("valzer"),
                        QStringLiteral("Ave Maria"), QStringLiteral("Così fan tutte"), QStringLiteral("Ninna nanna")};
const QStringList Authors{QStringLiteral("Verdi"), QStringLiteral("Puccini"), QStringLiteral("Bellini"),
                          QStringLiteral("Rossini"), QStringLiteral("Tradizionale"), QStringLiteral("Niccolò Paganini")};

bool makeFolder(const QString &data)
{
    if (!QDir().mkpath(data + QStringLiteral("/audio")))
        return false;
    auto catalogue = std::make_unique<ScoreCatalogue>();
    const int count = ScoreCatalogue::MaxArchiveRecords;
    catalogue->setScoreCount(count);
    for (int n = 1; n <= count; ++n) {
        using Field = ScoreCatalogue::Field;
        catalogue->setValue(Field::Title, n, QStringLiteral("%1 %2").arg(Words[n % Words.size()]).arg(n));
        catalogue->setValue(Field::Author, n, Authors[n % Authors.size()]);
        catalogue->setValue(Field::Tags, n, QStringLiteral("coro voce"));
        catalogue->setValue(Field::Category, n, QString::number(n % 34));
        // Most scores have their pages, every third a track.
        QStringList files;
        if (n % 5 != 0)
            files << QStringLiteral("%1/%2L.jpg") << QStringLiteral("%1/%2R.jpg");
        if (n % 3 == 0)
            files << QStringLiteral("%1/audio/%2.mp3");
        for (const QString &name : files) {
            QFile file(name.arg(data).arg(n));
            if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1)
                return false;
        }
    }
    return !writeArchive(*catalogue, data + QStringLiteral("/archivio.js"));
}

} // namespace

ScoreListResult measureScoreList(const QString &folder, int runs)
{
    ScoreListResult result;
    const QString previous = QDir::currentPath();
    Module1 state;
    if (!makeFolder(folder + QStringLiteral("/spartiti")) || !QDir::setCurrent(folder))
        return result;
    SilentNotifier notifier;
    CatalogueDocument document(CatalogueFolder::of(folder), state, notifier);
    if (document.load()) {
        QDir::setCurrent(previous);
        return result;
    }
    const QStringList typed{QStringLiteral("p"), QStringLiteral("pe"), QStringLiteral("per"), QStringLiteral("perc"),
                            QStringLiteral("perche"), QStringLiteral("perche 1"), QStringLiteral("perche 12"),
                            QString()};
    QList<double> opening, typing;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<ScoreListWindow>(document, notifier);
        window->show();
        QApplication::processEvents();
        window->repaint();
        opening.append(double(clock.nsecsElapsed()) / 1e6);

        window->table()->sortByColumn(ScoreListModel::Title, Qt::AscendingOrder);
        QApplication::processEvents();
        for (const QString &text : typed) {
            clock.restart();
            window->filterField()->setText(text);
            window->table()->repaint();
            typing.append(double(clock.nsecsElapsed()) / 1e6);
        }
        result.ok = window->model()->rowCount() == ScoreCatalogue::MaxArchiveRecords;
        window->hide();
    }
    QDir::setCurrent(previous);
    result.openMs = median(opening);
    result.keystrokeMs = median(typing);
    result.keystrokes = int(typing.size());
    return result;
}

} // namespace spartiti::bench
