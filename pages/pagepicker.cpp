#include "pagepicker.h"

#include "cataloguedocument.h"
#include "folderbrowser.h"
#include "module1.h"
#include "notifier.h"
#include "previewpane.h"
#include "twips.h"

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

} // namespace

PagePicker::PagePicker(Side side, CatalogueDocument &document, Notifier &notifier, QWidget *parent)
    : AttachmentWindow(document, notifier, parent)
    , m_side(side)
    , m_heading(new QLabel(this))
    , m_chosenLabel(new QLabel(QStringLiteral("Label1"), this))
    , m_scoreLabel(nullptr)
    , m_closeButton(makeCloseButton(layoutFor(side).closeButton))
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

    m_okButton->setObjectName(QStringLiteral("Command2"));
    m_okButton->setGeometry(layout.okButton);
    m_chosenLabel->setObjectName(QStringLiteral("Label1"));
    m_chosenLabel->setGeometry(layout.chosenLabel);
    m_chosenLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_chosenLabel->setToolTip(QStringLiteral("Il file scelto compare qui"));
    setChosenLabel(m_chosenLabel);
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

    connect(m_okButton, &QPushButton::clicked, this, &PagePicker::Command2_Click);
    followScoreOnShow();
}

// The page is previewed beside the lists; nothing when the file is gone.
void PagePicker::showFileDetails(const QString &path)
{
    m_preview->showFile(path);
}

// The attach is confirmed and the window hidden once the copy is over.
void PagePicker::Command2_Click()
{
    startAttach(m_side == Side::Left ? ScoreFile::LeftPage : ScoreFile::RightPage, 0);
}

void PagePicker::attachSucceeded()
{
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
