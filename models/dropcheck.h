#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace spartiti {

// Where a file is dropped on the editor: a page box or the track icon's place.
enum class DropTarget { LeftPage, RightPage, Track };

// What a drop brings: the one local file it may attach, or the short reason it is
// refused (several files, a folder, something that is not a file, or a file of the
// wrong kind: a picture for a page, an audio file for the track).
struct DropCheck
{
    QString path;
    QString refusal;

    bool accepted() const { return refusal.isEmpty(); }
};

DropCheck checkDrop(const QList<QUrl> &urls, DropTarget target);

} // namespace spartiti
