#pragma once

#include <QString>

namespace spartiti::paths {

// Every file the editor reads or writes lies in the folder `spartiti` under the working
// folder, and every file of one score is named after the score's number in plain
// decimal (score 7: spartiti/7L.jpg, spartiti/7R.jpg, spartiti/audio/7.mp3).

QString dataFolder();        // "spartiti"
QString audioFolder();       // "spartiti/audio"
QString archive();           // "./spartiti/archivio.js"
QString categoryList();      // "./spartiti/generi.js"
QString placeholderPage();   // "spartiti/m.jpg"

QString scoreNumberText(int number);
QString leftPage(int number);
QString rightPage(int number);
QString track(int number);

// A file is present when the exact path names a plain file that is not hidden;
// a folder of that name, or nothing at all, counts as absent.
bool isPresentFile(const QString &path);

} // namespace spartiti::paths
