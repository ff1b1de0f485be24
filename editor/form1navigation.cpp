// Finding and reaching scores: the search field with its list of matches, the keys that
// move the selector, the backing track played from the track icon, and what a screen
// reader says of the record on show.

#include "cataloguedocument.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"
#include "scorelistwindow.h"
#include "cataloguefolder.h"
#include "playerwindow.h"
#include "trackplayer.h"

#include <QAction>
#include <QMenu>
#include <QCompleter>
#include <QHBoxLayout>
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardItemModel>

#include <algorithm>

namespace spartiti {

namespace {

constexpr int NumberRole = Qt::UserRole + 1;
constexpr int QueryRole = Qt::UserRole + 2;

} // namespace

void Form1::buildNavigation()
{
    // The search field sits in the menu bar's free corner, above the record area,
    // leaving every control of the window where it was.
    // The menu bar sizes its corner to the corner widget's size hint: a small holder
    // gives the field its width.
    auto *corner = new QWidget(this);
    auto *cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(0, 0, 2, 0);
    m_searchField = new QLineEdit(corner);
    m_searchField->setObjectName(QStringLiteral("cerca"));
    m_searchField->setPlaceholderText(QStringLiteral("Cerca titolo, autore, tag (Ctrl+F)"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setFixedWidth(320);
    // No taller than the menu titles, so the record area keeps its place.
    m_searchField->setFixedHeight(menuBar()->fontMetrics().height() + 4);
    cornerLayout->addWidget(m_searchField);
    menuBar()->setCornerWidget(corner, Qt::TopRightCorner);
    m_searchField->setAccessibleName(QStringLiteral("Cerca titolo, autore, tag"));
    setTabOrder(Picture1, m_searchField);

    m_matches = new QStandardItemModel(this);
    m_completer = new QCompleter(m_matches, this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    // Choosing a match leaves the query in the field, not the match's text.
    m_completer->setCompletionRole(QueryRole);
    m_completer->setMaxVisibleItems(12);
    m_completer->popup()->setMinimumWidth(460);
    m_searchField->setCompleter(m_completer);
    connect(m_searchField, &QLineEdit::textEdited, this, &Form1::searchEdited);
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this, &Form1::searchChosen);
    connect(m_searchField, &QLineEdit::returnPressed, this, [this] {
        // The first match; "Nessuno spartito trovato" holds no number and goes nowhere.
        if (const int number = m_matches->rowCount() > 0 ? m_matches->item(0)->data(NumberRole).toInt() : 0)
            showRecord(number);
    });

    // The track icon's click, from the keyboard as from menu Ascolta.
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_Return),
                                   QKeySequence(Qt::Key_Enter)})
        new QShortcut(key, Picture1, this, &Form1::togglePlayback, Qt::WidgetShortcut);

    // F10 opens the menu bar, as in the desktop's other programs.
    new QShortcut(QKeySequence(Qt::Key_F10), this, this, [this] { menuBar()->setActiveAction(edit->menuAction()); });
}

void Form1::searchEdited(const QString &text)
{
    m_matches->clear();
    const QList<int> found = m_document.search().find(text);
    for (const int number : found) {
        const ScoreCatalogue &catalogue = m_document.catalogue();
        auto *item = new QStandardItem(QStringLiteral("%1  %2 — %3")
                                           .arg(number)
                                           .arg(catalogue.title(number), catalogue.author(number)));
        item->setData(number, NumberRole);
        item->setData(text, QueryRole);
        m_matches->appendRow(item);
    }
    if (found.isEmpty() && !text.trimmed().isEmpty()) {
        auto *item = new QStandardItem(QStringLiteral("Nessuno spartito trovato"));
        item->setData(0, NumberRole);
        item->setData(text, QueryRole);
        item->setEnabled(false);
        m_matches->appendRow(item);
    }
    if (m_matches->rowCount() > 0)
        m_completer->complete();
}

void Form1::searchChosen(const QModelIndex &index)
{
    const int number = index.data(NumberRole).toInt();
    if (number > 0)
        showRecord(number);
}

QList<int> Form1::searchMatches() const
{
    QList<int> numbers;
    for (int row = 0; row < m_matches->rowCount(); ++row) {
        if (const int number = m_matches->item(row)->data(NumberRole).toInt())
            numbers.append(number);
    }
    return numbers;
}

void Form1::focusSearch()
{
    m_searchField->setFocus(Qt::ShortcutFocusReason);
    m_searchField->selectAll();
}

void Form1::showScoreList()
{
    if (!m_scoreList) {
        m_scoreList = new ScoreListWindow(m_document, m_notifier, this);
        connect(m_scoreList, &ScoreListWindow::scoreChosen, this, [this](int number) {
            showRecord(number);
            activateWindow();
        });
    }
    m_scoreList->show();
    m_scoreList->raise();
    m_scoreList->activateWindow();
    m_scoreList->filterField()->setFocus(Qt::OtherFocusReason);
}

void Form1::goToNumber()
{
    const auto number = m_notifier.askNumber(QStringLiteral("Vai allo spartito numero:"), VScroll1->minimum(),
                                             VScroll1->maximum(), VScroll1->value());
    if (number)
        showRecord(*number);
}

void Form1::moveBy(int records)
{
    VScroll1->setValue(std::clamp(VScroll1->value() + records, VScroll1->minimum(), VScroll1->maximum()));
}

void Form1::goToFirst()
{
    VScroll1->setValue(VScroll1->minimum());
}

void Form1::goToLast()
{
    VScroll1->setValue(VScroll1->maximum());
}

void Form1::setTrackPlayer(TrackPlayer *player)
{
    m_player = player;
    if (!m_player)
        return;
    connect(m_player, &TrackPlayer::failed, this, [this](const QString &message) { m_notifier.warn(message); });
    connect(m_player, &TrackPlayer::stateChanged, this, [this](TrackPlayer::State state) {
        m_playAction->setText(state == TrackPlayer::State::Stopped ? QStringLiteral("Ascolta la &base")
                                                                   : QStringLiteral("Ferma la &base"));
    });
    m_playerWindow = new PlayerWindow(*m_player, this);
    connect(m_playerWindow, &PlayerWindow::startRequested, this, &Form1::togglePlayback);
    for (QAction *action : m_playerWindow->menuActions()) {
        if (action)
            m_listenMenu->addAction(action);
        else
            m_listenMenu->addSeparator();
    }
}

// Names the pages and the track icon after the record on show. A picture in a label
// says nothing to a screen reader, so the name tells whether the page is there; Qt
// announces each change of a name to the screen reader.
void Form1::describeRecord(int number)
{
    const QString names[] = {QStringLiteral("Pagina di sinistra dello spartito %1").arg(number),
                             QStringLiteral("Pagina di destra dello spartito %1").arg(number)};
    QLabel *const boxes[] = {Image1, Image2};
    for (int i = 0; i < 2; ++i)
        boxes[i]->setAccessibleName(m_pagesOnShow[i].isValid() ? names[i]
                                                               : names[i] + QStringLiteral(": nessuna pagina"));
    Picture1->setAccessibleName(QStringLiteral("Ascolta la base dello spartito %1").arg(number));
    m_playAction->setEnabled(Picture1->isVisibleTo(this));
}

void Form1::togglePlayback()
{
    if (!m_player)
        return;
    if (m_player->state() != TrackPlayer::State::Stopped) {
        m_player->stop();
        return;
    }
    const QString track = m_document.folder().track(VScroll1->value());
    if (!paths::isPresentFile(track))
        return;
    m_player->play(track);
    if (m_playerWindow)
        m_playerWindow->show();
}

} // namespace spartiti
