#include "previewpane.h"

#include "latestonlyworker.h"

#include <QLabel>
#include <QPixmap>

#include <algorithm>

namespace spartiti {

namespace {

constexpr int InfoHeight = 60;   // three lines of the default font
constexpr int Gap = 6;

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWidget(parent)
    , m_picture(new QLabel(this))
    , m_info(new QLabel(this))
    , m_decoder(previewFile)
    , m_worker(new LatestOnlyWorker(this))
{
    setObjectName(QStringLiteral("previewPane"));
    m_picture->setObjectName(QStringLiteral("anteprima"));
    m_picture->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_info->setObjectName(QStringLiteral("anteprimaInfo"));
    m_info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_info->setWordWrap(true);
}

int PreviewPane::pendingDecodes() const
{
    return m_worker->pending();
}

void PreviewPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_picture->setGeometry(0, 0, width(), std::max(0, height() - InfoHeight - Gap));
    m_info->setGeometry(0, height() - InfoHeight, width(), InfoHeight);
}

void PreviewPane::showFile(const QString &path)
{
    m_picture->clear();
    m_info->clear();
    if (path.isEmpty()) {
        m_worker->cancel();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize box = m_picture->size() * ratio;
    m_worker->run([decoder = m_decoder, path, box] { return decoder(path, box); },
                  [this, ratio](FilePreview preview) {
                      preview.picture.setDevicePixelRatio(ratio);
                      showPreview(preview);
                  });
}

void PreviewPane::showPreview(const FilePreview &preview)
{
    if (!preview.isPicture()) {
        // The same words as the editor's page box, and the reassurance that the file is
        // attached all the same.
        if (preview.problem.isEmpty() || preview.problemKind == PageImage::Problem::NotAPicture)
            m_info->setText(QStringLiteral("Questo file non è un'immagine: verrà copiato così com'è."));
        else
            m_info->setText(preview.problem + QStringLiteral(": il file verrà copiato così com'è."));
        return;
    }
    m_picture->setPixmap(QPixmap::fromImage(preview.picture));
    m_info->setText(QStringLiteral("%1 × %2 pixel")
                        .arg(preview.pixelSize.width())
                        .arg(preview.pixelSize.height()));
}

} // namespace spartiti
