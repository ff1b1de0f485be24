#include "form1.h"

#include "archive.h"
#include "backups.h"
#include "module1.h"
#include "notifier.h"
#include "scorepaths.h"
#include "trackplayer.h"
#include "utf8detection.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QUndoStack>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace spartiti {

namespace {

using Field = ScoreCatalogue::Field;

// The selector reaches record numbers up to the catalogue's last slot.
constexpr int HighestRecord = ScoreCatalogue::SlotCount - 1;

QString countMessage(int n, const QString &where)
{
    return QStringLiteral("Sono presenti ") + QString::number(n) + QStringLiteral(" Titoli nell'") + where;
}

} // namespace

Form1::Form1(Module1 &state, Notifier &notifier, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_notifier(notifier)
    , m_search(state.catalogue)
{
    setObjectName(QStringLiteral("Form1"));
    m_history = new QUndoStack(this);
    buildControls();
    buildMenus();
    buildNavigation();
    connect(m_history, &QUndoStack::indexChanged, this, &Form1::updateModified);
    m_pageCache = new PageCache(Image1->size(), PageCache::DefaultBudgetBytes, this);
    connect(m_pageCache, &PageCache::pageReady, this, &Form1::showDecodedPage);
}

Form1::~Form1()
{
    // The history goes with the window's children, after the members it reports on.
    disconnect(m_history, nullptr, this, nullptr);
}

std::optional<Error> Form1::Form_Load()
{
    if (auto error = readArchive(m_state.catalogue, paths::archive()))
        return error;
    const int n = m_state.catalogue.scoreCount();
    Label6->setText(countMessage(n, QStringLiteral("archivio")));
    // One empty record past the last stays within reach, for the next title. An empty
    // archive opens on record 1, the lowest position.
    {
        const QSignalBlocker blocker(VScroll1);
        VScroll1->setMaximum(std::clamp(n + 1, 1, HighestRecord));
        VScroll1->setValue(std::max(n, 1));
    }
    VScroll1_Change();
    m_history->clear();
    takeSavedSnapshot();
    // Converted values differ from the file as saved, so the catalogue shows as modified.
    if (convertFromUtf8()) {
        VScroll1_Change();
        updateModified();
    }
    return std::nullopt;
}

bool Form1::convertFromUtf8()
{
    QFile file(paths::archive());
    if (!file.open(QIODevice::ReadOnly) || !looksLikeUtf8(file.readAll()))
        return false;
    file.close();
    const std::optional<int> answer = m_notifier.askChoice(
        QStringLiteral("L'archivio sembra scritto in UTF-8 (per esempio \"è\" appare come \"Ã¨\"). "
                       "Convertirlo in Windows-1252?"),
        {QStringLiteral("Converti"), QStringLiteral("Lascia così")});
    if (answer != 0)
        return false;
    // The file as it is stays in spartiti/backup, dated, whatever the user does next.
    std::optional<Error> error = backups::keep(paths::archive(), QDateTime::currentDateTime());
    if (!error)
        error = readArchive(m_state.catalogue, paths::archive(), ArchiveEncoding::Utf8);
    if (error)
        m_notifier.warn(error->message);
    return !error;
}

void Form1::VScroll1_Change()
{
    const int v = VScroll1->value();
    ++m_visit;
    // A track plays only for the record it belongs to.
    if (m_player && m_player->isPlaying())
        m_player->stop();
    try {
        Text1->setText(QString::number(v));
        Text2->setText(m_state.catalogue.title(v));
        Text3->setText(m_state.catalogue.author(v));
        Text4->setText(m_state.catalogue.tags(v));
        m_state.setCurrentNumber(v);
        showFiles(v);
    } catch (const Error &error) {
        m_notifier.warn(error.message);
    }
}

void Form1::showFiles(int number)
{
    // A page not decoded yet leaves its box empty until the page cache brings it. The
    // keys remember which file each box waits for, so that a late page of a record
    // already left, or of a file replaced since, is never shown.
    m_pagesOnShow = {PageCache::keyFor(paths::leftPage(number)),
                     PageCache::keyFor(paths::rightPage(number))};
    QList<PageKey> toDecode;
    if (!showPage(Image1, m_pagesOnShow[0]))
        toDecode.append(m_pagesOnShow[0]);
    if (!showPage(Image2, m_pagesOnShow[1]))
        toDecode.append(m_pagesOnShow[1]);
    const int step = number - m_recordOnShow;
    m_recordOnShow = number;
    m_pageCache->setWanted(toDecode, pagesAround(number, step, VScroll1->minimum(), VScroll1->maximum()));
    Picture1->setVisible(paths::isPresentFile(paths::track(number)));
}

// Shows the page if it is at hand; false while it still has to be decoded.
bool Form1::showPage(QLabel *box, const PageKey &key)
{
    const std::optional<QImage> page = key.isValid() ? m_pageCache->find(key) : QImage();
    // A page that cannot be decoded leaves its box empty without interrupting.
    if (page && !page->isNull())
        box->setPixmap(QPixmap::fromImage(*page));
    else
        box->clear();
    return page.has_value();
}

void Form1::showDecodedPage(const PageKey &key, const QImage &page)
{
    QLabel *const boxes[] = {Image1, Image2};
    for (int i = 0; i < 2; ++i) {
        if (m_pagesOnShow[i] != key)
            continue;
        if (page.isNull())
            boxes[i]->clear();
        else
            boxes[i]->setPixmap(QPixmap::fromImage(page));
    }
}

void Form1::refreshAttachments(int scoreNumber)
{
    if (scoreNumber == VScroll1->value())
        showFiles(scoreNumber);
}

void Form1::storeField(QLineEdit *field, int fieldIndex)
{
    // The slot is the selector's position, never currentNumber: while a record is being
    // displayed the fields change before currentNumber does.
    const int v = VScroll1->value();
    const auto f = Field(fieldIndex);
    try {
        const QString text = field->text();
        const QString before = m_state.catalogue.value(f, v);
        if (before == text)
            return;
        m_state.catalogue.setValue(f, v, text);
        m_history->push(new FieldEditCommand(m_state, *this, v, f, before, text, m_visit));
        updateModified();
    } catch (const Error &error) {
        m_notifier.warn(error.message);
    }
}

void Form1::Text2_Change() { storeField(Text2, int(Field::Title)); }
void Form1::Text3_Change() { storeField(Text3, int(Field::Author)); }
void Form1::Text4_Change() { storeField(Text4, int(Field::Tags)); }

void Form1::showRefusal(QLineEdit *field, const QString &refused)
{
    QStringList what;
    for (const QChar c : refused)
        what.append(describeUnwritable(c));
    what.removeDuplicates();
    m_lastRefusalHint = QStringLiteral("Non ammesso: l'archivio non può contenere %1.").arg(what.join(QStringLiteral(", ")));
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), m_lastRefusalHint, field);
}

void Form1::Command5_Click()
{
    try {
        ScoreCatalogue &catalogue = m_state.catalogue;
        const int count = catalogue.scoreCount();
        // With no records yet, record 1 is the one on offer.
        const int last = count == 0 ? 1 : count;
        if (catalogue.title(last).isEmpty())
            return;
        if (count >= ScoreCatalogue::MaxArchiveRecords) {
            m_notifier.warn(QStringLiteral("L'archivio può contenere al massimo %1 titoli")
                                .arg(ScoreCatalogue::MaxArchiveRecords));
            return;
        }
        m_history->push(new NewRecordCommand(m_state, *this, count, VScroll1->maximum(), VScroll1->value()));
    } catch (const Error &error) {
        m_notifier.warn(error.message);
    }
}

bool Form1::save()
{
    ScoreCatalogue &catalogue = m_state.catalogue;
    // The archive about to be replaced is kept first, dated, in spartiti/backup.
    if (auto error = backups::keep(paths::archive(), QDateTime::currentDateTime())) {
        m_notifier.warn(error->message);
        return false;
    }
    if (auto error = saveArchive(catalogue, paths::archive())) {
        m_notifier.warn(error->message);
        return false;
    }
    takeSavedSnapshot();
    const int n = catalogue.scoreCount();
    Label6->setText(countMessage(n, QStringLiteral("spartiti/archivio.js")));
    m_notifier.inform(QStringLiteral("OK!  ") + catalogue.title(n) + QStringLiteral("  è nel tuo database!"));
    return true;
}

void Form1::Command1_Click()
{
    save();
}

void Form1::Command2_Click()
{
    m_state.setCategoryTargetNumber(VScroll1->value());
    emit trackWindowRequested();
}

void Form1::Command3_Click()
{
    emit leftPickerRequested();
}

void Form1::Command4_Click()
{
    emit rightPickerRequested();
}

bool Form1::mayEnd()
{
    if (!m_state.isModified())
        return true;
    switch (m_notifier.askSaveDiscardCancel(
        QStringLiteral("Ci sono modifiche non salvate. Salvarle prima di uscire?"))) {
    case Notifier::Answer::Save:
        return save();
    case Notifier::Answer::Discard:
        return true;
    case Notifier::Answer::Cancel:
        return false;
    }
    return false;
}

void Form1::chiudi_Click()
{
    if (!mayEnd())
        return;
    m_ending = true;
    hide();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!m_ending && !mayEnd()) {
        event->ignore();
        return;
    }
    m_ending = true;
    event->accept();
    QCoreApplication::quit();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const bool isField = watched == Text2 || watched == Text3 || watched == Text4;
    if (isField && event->type() == QEvent::FocusIn)
        ++m_visit;
    // Undo and redo are the session's, across fields and records, and Ctrl+Home and
    // Ctrl+End move through the records: a field does not get to claim these keys (in a
    // single line, Home and End already do what their Ctrl forms would).
    if (isField && event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeyCombination combination = key->keyCombination();
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
            || combination == QKeyCombination(Qt::CTRL, Qt::Key_Y)
            || combination == QKeyCombination(Qt::CTRL, Qt::Key_Home)
            || combination == QKeyCombination(Qt::CTRL, Qt::Key_End)) {
            event->ignore();
            return true;
        }
    }
    // The wheel moves one record per notch, over the selector and over the pages.
    if (watched == Picture1 && event->type() == QEvent::MouseButtonPress) {
        togglePlayback();
        return true;
    }
    if (event->type() == QEvent::Wheel && (watched == VScroll1 || watched == Image1 || watched == Image2)) {
        const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
        if (delta != 0)
            VScroll1->setValue(VScroll1->value() + (delta > 0 ? -1 : 1));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace spartiti
