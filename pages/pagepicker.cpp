#include "pagepicker.h"

#include "attachprogress.h"
#include "cataloguedocument.h"
#include "folderbrowser.h"
#include "module1.h"
#include "notifier.h"
#include "previewpane.h"
#include "twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTreeView>

namespace spartiti {

namespace {

constexpr int PreviewColumnWidth = 200;
constexpr int PreviewMargin = 8;

struct PickerLayout
{
    QRect heading, folderList, fileList, closeButton, okButton, chosenLabel;
    QColor listBackground;
};

// The two pickers differ only in small shifts of the lists and buttons, and in the list
// background: the window-frame colour on the left, the menu-text colour on the right.
PickerLayout layoutFor(PagePicker::Side side)
{
    if (side == PagePicker::Side::Left)
        return {twipsRect(960, 0, 5895, 495),    twipsRect(120, 600, 3375, 4050),
                twipsRect(3600, 600, 3375, 3990), twipsRect(120, 4680, 3375, 615),
                twipsRect(3600, 4680, 3135, 615), twipsRect(120, 5400, 4455, 375),
                QColor(100, 100, 100)};
    return {twipsRect(960, 0, 5895, 495),    twipsRect(120, 720, 3375, 3720),
            twipsRect(3600, 720, 3375, 3690), twipsRect(120, 4560, 3375, 615),
            twipsRect(3600, 4560, 3135, 615), twipsRect(240, 5400, 4335, 375),
            QColor(Qt::black)};
}

QFont sansSerif(qreal pointSize)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

PagePicker::PagePicker(Side side, CatalogueDocument &document, Notifier &notifier, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_side(side)
    , m_document(document)
    , m_state(document.state())
    , m_notifier(notifier)
    , m_browser(new FolderBrowser(document.folder().parentPath(), this))
    , m_heading(new QLabel(this))
    , m_chosenLabel(new QLabel(QStringLiteral("Label1"), this))
    , m_scoreLabel(nullptr)
    , m_closeButton(new QPushButton(QStringLiteral("Chiudi"), this))
    , m_okButton(new QPushButton(QStringLiteral("Ok"), this))
    , m_preview(new PreviewPane(this))
{
    const bool left = side == Side::Left;
    const PickerLayout layout = layoutFor(side);
    setObjectName(left ? QStringLiteral("sinistra") : QStringLiteral("destra"));
    setWindowTitle(left ? QStringLiteral("sinistra") : QStringLiteral("Destra"));
    // The design's client area, widened by the preview column on its right.
    resize(twipsToPixels(7095) + PreviewColumnWidth + 2 * PreviewMargin, twipsToPixels(5700));

    m_heading->setObjectName(QStringLiteral("Label2"));
    m_heading->setText(left ? QStringLiteral("Seleziona la pagina di sinistra")
                            : QStringLiteral("Seleziona la pagina di destra"));
    m_heading->setFont(sansSerif(18));
    m_heading->setGeometry(layout.heading);
    m_heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_browser->folderList()->setGeometry(layout.folderList);
    m_browser->fileList()->setGeometry(layout.fileList);
    m_browser->setListFonts(sansSerif(12), sansSerif(12));
    m_browser->setListColours(Qt::yellow, Qt::yellow, layout.listBackground);

    m_closeButton->setObjectName(QStringLiteral("Command1"));
    m_closeButton->setGeometry(layout.closeButton);
    m_okButton->setObjectName(QStringLiteral("Command2"));
    m_okButton->setGeometry(layout.okButton);
    m_chosenLabel->setObjectName(QStringLiteral("Label1"));
    m_chosenLabel->setGeometry(layout.chosenLabel);
    m_chosenLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_chosenLabel->setToolTip(QStringLiteral("Il file scelto compare qui"));
    m_chosenLabel->setAccessibleName(QStringLiteral("Nessun file scelto"));
    m_browser->describeLists(QStringLiteral("la pagina"));

    // The preview lines up with the file list and runs down to the buttons' bottom edge.
    m_preview->setGeometry(twipsToPixels(7095) + PreviewMargin, layout.fileList.top(),
                           PreviewColumnWidth, layout.okButton.bottom() + 1 - layout.fileList.top());

    if (left) {
        // The heading of the left picker keeps its text, so the score goes in the free
        // corner right of Label1.
        m_scoreLabel = new QLabel(this);
        m_scoreLabel->setObjectName(QStringLiteral("scoreNumberLabel"));
        m_scoreLabel->setGeometry(twipsRect(4650, 5400, 2325, 375));
        m_scoreLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    }

    // The file list comes first, so it holds the focus when the window opens.
    setTabOrder(m_browser->fileList(), m_browser->folderList());
    setTabOrder(m_browser->folderList(), m_closeButton);
    setTabOrder(m_closeButton, m_okButton);
    m_browser->fileList()->setFocus();

    connect(m_browser, &FolderBrowser::fileChosen, this, &PagePicker::File1_Click);
    connect(m_browser, &FolderBrowser::chosenFileGone, this, &PagePicker::showChosenFileGone);
    connect(m_closeButton, &QPushButton::clicked, this, &PagePicker::Command1_Click);
    connect(m_okButton, &QPushButton::clicked, this, &PagePicker::Command2_Click);
    connect(&m_state, &Module1::currentNumberChanged, this, &PagePicker::showScoreNumber);
    connect(&document, &CatalogueDocument::attachFinished, this, &PagePicker::attachDone);
    new AttachProgress(document, this);
    showScoreNumber(m_state.currentNumber());
}

void PagePicker::closeEvent(QCloseEvent *event)
{
    emit discarded();
    QWidget::closeEvent(event);
}

void PagePicker::File1_Click(const QString &path)
{
    m_chosenPath = path;
    m_chosenLabel->setText(QDir::toNativeSeparators(path));
    m_chosenLabel->setAccessibleName(QStringLiteral("File scelto: %1").arg(m_chosenLabel->text()));
    m_preview->showFile(path);
}

// The choice stays: "Ok" then says that there is no file to attach.
void PagePicker::showChosenFileGone(const QString &path)
{
    m_chosenLabel->setText(QStringLiteral("File non più presente: %1").arg(QFileInfo(path).fileName()));
    m_preview->showFile(QString());
}

void PagePicker::Command1_Click()
{
    hide();
}

// The copy runs away from the window; the attach is told, confirmed and the window
// hidden once it is over.
void PagePicker::Command2_Click()
{
    const auto kind = m_side == Side::Left ? AttachJob::Kind::LeftPage : AttachJob::Kind::RightPage;
    if (const auto error = startAttachAsking(m_document, m_notifier, kind, m_state.currentNumber(), m_chosenPath, 0, this))
        m_notifier.warn(error->message);
}

void PagePicker::attachDone(QObject *requester, int, const std::optional<Error> &error)
{
    if (requester != this || !reportAttachOutcome(m_notifier, error))
        return;
    m_notifier.inform(QStringLiteral("il file è stato spostato nella cartella spartiti con successo!"));
    hide();
}

// The right picker's heading is the number of the score it acts on; it follows the
// editor, so that it never names a score other than the one "Ok" will write.
void PagePicker::showScoreNumber(int number)
{
    if (m_side == Side::Right)
        m_heading->setText(QString::number(number));
    else
        m_scoreLabel->setText(QStringLiteral("Spartito %1").arg(number));
}

} // namespace spartiti
