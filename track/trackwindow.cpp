#include "trackwindow.h"

#include "cataloguedocument.h"
#include "folderbrowser.h"
#include "module1.h"
#include "mp3duration.h"
#include "notifier.h"
#include "trackduration.h"
#include "twips.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>

namespace spartiti {

namespace {

constexpr int DurationLineHeight = 22;

QLabel *makeLabel(QWidget *window, const QString &name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, window);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The buttons are small for names like "Musica contemporanea": a caption that does not
// fit is drawn smaller, down to a legible limit, and the tooltip holds it whole.
void fitCaption(QPushButton *button)
{
    const int room = button->width() - 6;
    QFont font = button->font();
    while (QFontMetrics(font).horizontalAdvance(button->text()) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
    button->setToolTip(button->text());
}

} // namespace

TrackWindow::TrackWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent)
    : AttachmentWindow(document, notifier, parent)
    , m_closeButton(makeCloseButton(twipsRect(9000, 0, 4575, 375)))
    , m_duration(new TrackDuration(this))
{
    setObjectName(QStringLiteral("mp3"));
    setWindowTitle(QStringLiteral("mp3"));
    // The design's client area, one line taller for the playing time under Label1.
    resize(twipsToPixels(13980), twipsToPixels(6510) + DurationLineHeight);

    m_browser->folderList()->setGeometry(twipsRect(0, 600, 3615, 5700));
    m_browser->fileList()->setGeometry(twipsRect(3720, 600, 5055, 5790));
    m_browser->setListFonts(sansSerif(12), sansSerif(12, QFont::Bold));
    // Yellow folders and dark red files on the dark window-frame colour.
    m_browser->setListColours(Qt::yellow, QColor(192, 0, 0), QColor(100, 100, 100));

    makeLabel(this, QStringLiteral("Label2"), QStringLiteral("Associa il file Mp3 a questa scheda"),
              twipsRect(840, 0, 7935, 495))
        ->setFont(sansSerif(18));
    m_chosenLabel = makeLabel(this, QStringLiteral("Label1"), QString(), twipsRect(9000, 6000, 4215, 375));
    setChosenLabel(m_chosenLabel);
    m_browser->describeLists(QStringLiteral("la base"));
    // Made before the buttons, which it overlaps a little, so that they stay on top.
    makeLabel(this, QStringLiteral("Label3"), QStringLiteral("Seleziona la categoria"),
              twipsRect(9240, 360, 3615, 495))
        ->setFont(sansSerif(12));
    // The heading's text is fixed, so the score goes in the free corner left of it.
    m_scoreLabel = makeLabel(this, QStringLiteral("scoreNumberLabel"), QString(),
                             twipsRect(0, 0, 825, 600));
    const QRect chosen = m_chosenLabel->geometry();
    m_durationLabel = makeLabel(this, QStringLiteral("durata"), QString(),
                                QRect(chosen.left(), twipsToPixels(6510), chosen.width(),
                                      DurationLineHeight));

    // Tab order: Chiudi, the two lists, then the category buttons, which take one Tab
    // stop among them and are walked with the arrow keys (eventFilter). Three columns
    // of eleven: button k at column (k-1)/11, row (k-1)%11.
    setTabOrder(m_closeButton, m_browser->folderList());
    setTabOrder(m_browser->folderList(), m_browser->fileList());
    QWidget *previous = m_browser->fileList();
    for (int k = 1; k <= CategoryButtons; ++k) {
        const int column = (k - 1) / 11;
        const int row = (k - 1) % 11;
        auto *button = new QPushButton(m_document.categoryName(k), this);
        button->setObjectName(QStringLiteral("Command3_%1").arg(k));
        button->setGeometry(twipsRect(9000 + 1560 * column, 720 + 480 * row, 1455, 375));
        fitCaption(button);
        connect(button, &QPushButton::clicked, this, [this, k] { Command3_Click(k); });
        button->setFocusPolicy(k == 1 ? Qt::StrongFocus : Qt::ClickFocus);
        button->installEventFilter(this);
        setTabOrder(previous, button);
        previous = button;
        m_categoryButtons[k - 1] = button;
    }
    setTabOrder(previous, m_closeButton);

    // The window opens ready for choosing a file.
    m_browser->fileList()->setFocus();

    connect(m_duration, &TrackDuration::durationRead, this, &TrackWindow::showDuration);
    followScoreOnShow();
}

bool TrackWindow::eventFilter(QObject *watched, QEvent *event)
{
    const auto found = std::find(m_categoryButtons.begin(), m_categoryButtons.end(), watched);
    if (found == m_categoryButtons.end())
        return QWidget::eventFilter(watched, event);
    const int k = int(found - m_categoryButtons.begin()) + 1;
    // The button last reached is the group's Tab stop, so that Tab leaves the group and
    // Shift+Tab comes back to where the user was.
    if (event->type() == QEvent::FocusIn) {
        for (QPushButton *button : m_categoryButtons)
            button->setFocusPolicy(button == watched ? Qt::StrongFocus : Qt::ClickFocus);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const int row = (k - 1) % 11;
    int target = 0;
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Up: target = row > 0 ? k - 1 : 0; break;
    case Qt::Key_Down: target = row < 10 ? k + 1 : 0; break;
    case Qt::Key_Left: target = k - 11; break;
    case Qt::Key_Right: target = k + 11; break;
    default: return false;
    }
    if (QPushButton *next = categoryButton(target))
        next->setFocus(Qt::TabFocusReason);
    return true;
}

QPushButton *TrackWindow::categoryButton(int k) const
{
    if (k < 1 || k > CategoryButtons)
        return nullptr;
    return m_categoryButtons[k - 1];
}

void TrackWindow::chooseFile(const QString &path)
{
    m_browser->openFolder(QFileInfo(path).absolutePath());
    chooseFromBrowser(path);
}

// The playing time of the chosen file, read anew; nothing when the file is gone.
void TrackWindow::showFileDetails(const QString &path)
{
    m_durationLabel->clear();
    m_duration->read(path);
}

// A click files the score under category `index` as it attaches the track.
void TrackWindow::Command3_Click(int index)
{
    if (m_document.attachRunning()) {
        m_notifier.warn(CatalogueDocument::attachBusyMessage());
        return;
    }
    // A file with no MPEG audio in it would play as nothing: attached only if the user
    // says so. A file gone since it was chosen is left to the attach to refuse.
    if (QFileInfo(chosenPath()).isFile() && !fileHasMpegAudio(chosenPath())
        && !m_notifier.askYesNo(
            QStringLiteral("Il file scelto non sembra un file MP3. Allegarlo comunque?")))
        return;
    startAttach(ScoreFile::Track, index);
}

void TrackWindow::attachSucceeded()
{
    hide();
}

// Only the answer for the file still chosen is shown; TrackDuration drops earlier ones.
void TrackWindow::showDuration(const QString &path, std::optional<qint64> milliseconds)
{
    if (path == chosenPath())
        m_durationLabel->setText(TrackDuration::text(milliseconds));
}

void TrackWindow::showScoreNumber(int number)
{
    m_scoreLabel->setText(QStringLiteral("Spartito\n%1").arg(number));
}

} // namespace spartiti
