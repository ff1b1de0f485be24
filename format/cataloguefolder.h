#pragma once

#include <QString>

namespace spartiti {

// Where one catalogue lives: its data folder `spartiti` and the name of every file in it.
// A value made once, from the folder the user opened, and handed to the document and to
// everything that reads or writes the catalogue's files; nothing looks at the process's
// working folder. Every file of one score is named after the score's number in plain
// decimal (score 7: spartiti/7L.jpg, spartiti/7R.jpg, spartiti/audio/7.mp3).
class CatalogueFolder
{
public:
    CatalogueFolder() = default;
    // `dataFolder` is the `spartiti` folder itself; it is kept absolute and clean.
    explicit CatalogueFolder(const QString &dataFolder);

    // The catalogue a folder the user names stands for: the folder itself when it holds
    // "archivio.js" or is called "spartiti", otherwise its `spartiti` subfolder.
    static CatalogueFolder of(const QString &folder);

    bool isNull() const { return m_root.isEmpty(); }
    QString path() const { return m_root; }            // .../spartiti
    QString parentPath() const;                        // the folder that holds it
    QString audioFolder() const;                       // .../spartiti/audio
    QString archive() const;                           // .../spartiti/archivio.js
    QString categoryList() const;                      // .../spartiti/generi.js
    QString placeholderPage() const;                   // .../spartiti/m.jpg
    QString lockFile() const;                          // .../spartiti/.archivio.lock
    QString file(const QString &relative) const;       // a name inside the data folder

    QString leftPage(int number) const;
    QString rightPage(int number) const;
    QString track(int number) const;

    // Whether the folder holds a catalogue: an archive file is there.
    bool exists() const;

    bool operator==(const CatalogueFolder &other) const { return m_root == other.m_root; }

private:
    QString m_root;
};

namespace paths {

QString scoreNumberText(int number);

// A file is present when the exact path names a plain file that is not hidden;
// a folder of that name, or nothing at all, counts as absent.
bool isPresentFile(const QString &path);

} // namespace paths

} // namespace spartiti
