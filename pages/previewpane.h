#pragma once

#include "filepreview.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace spartiti {

class LatestOnlyWorker;

// The preview column of a page picker: the chosen file's picture, fitted into the column
// with its proportions kept, and under it its size in pixels, or a line saying that the
// file is not a picture (it is attached all the same). Decoding runs on a worker thread;
// only the answer for the file named last is ever displayed.
class PreviewPane : public QWidget
{
    Q_OBJECT

public:
    using Decoder = std::function<FilePreview(const QString &path, const QSize &box)>;

    explicit PreviewPane(QWidget *parent = nullptr);

    // Starts reading `path`; an empty path clears the pane.
    void showFile(const QString &path);
    // For tests: what reads the file, previewFile unless replaced.
    void setDecoder(Decoder decoder) { m_decoder = std::move(decoder); }
    // Decodes asked for whose answer, shown or dropped, has not come back yet.
    int pendingDecodes() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPreview(const FilePreview &preview);

    QLabel *m_picture;   // anteprima
    QLabel *m_info;      // anteprimaInfo
    Decoder m_decoder;
    LatestOnlyWorker *m_worker;
};

} // namespace spartiti
