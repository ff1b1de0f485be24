#include "form1.h"

#include "archive.h"
#include "cataloguedocument.h"
#include "module1.h"
#include "notifier.h"
#include "cataloguefolder.h"
#include "trackplayer.h"

#include <QCloseEvent>
#include <QCoreApplication>
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
    return QStringLiteral("Sono presenti ") + QString::number(n) + QStringLiteral(" Titoli ") + where;
}

} // namespace

Form1::Form1(CatalogueDocument &document, Notifier &notifier, QWidget *parent)
    : QMainWindow(parent)
    , m_document(document)
    , m_state(document.state())
    , m_notifier(notifier)
{
    setObjectName(QStringLiteral("Form1"));
    // The menu bar comes first: the window's fixed size counts its height.
    createActions();
    createMenus();
    buildControls();
    buildNavigation();
    buildPageActions();
    m_pageCache = new PageCache(Image1->size() * Image1->devicePixelRatioF(), PageCache::DefaultBudgetBytes, this);
    connect(m_pageCache, &PageCache::pageReady, this, &Form1::showDecodedPage);
    connect(&m_document, &CatalogueDocument::reloaded, this, &Form1::showLoaded);
    connect(&m_document, &CatalogueDocument::recordWanted, this, &Form1::showRecord);
    connect(&m_document, &CatalogueDocument::recordRangeWanted, this, &Form1::setRecordRange);
    connect(&m_document, &CatalogueDocument::filesChanged, this, &Form1::refreshAttachments);
    connect(&m_document, &CatalogueDocument::changedOnDiskChanged, this, &Form1::showCount);
    // A conflict copy left by a sync service is offered at once: merging it means saving.
    connect(&m_document, &CatalogueDocument::conflictCopiesFound, &m_document,
            &CatalogueDocument::offerConflictCopies, Qt::QueuedConnection);
    connect(&m_document, &CatalogueDocument::saved, this, [this] {
        m_countSource = QStringLiteral("nel file spartiti/archivio.js");
        showCount();
    });
}

// A window destroyed while shown closes in QWidget's destructor, which moves the focus:
// by then this is no longer a Form1, so the focus watch goes first.
Form1::~Form1()
{
    disconnect(m_focusWatch);
}

QUndoStack *Form1::history() const
{
    return m_document.history();
}

std::optional<Error> Form1::Form_Load()
{
    m_countSource = QStringLiteral("nell'archivio");
    if (auto error = m_document.load())
        return error;
    if (m_document.offerUtf8Conversion())
        VScroll1_Change();
    m_document.checkConflictCopies();
    return std::nullopt;
}

void Form1::showLoaded()
{
    const int n = m_document.catalogue().scoreCount();
    showCount();
    // One empty record past the last stays within reach, for the next title. An empty
    // archive opens on record 1, the lowest position.
    {
        const QSignalBlocker blocker(VScroll1);
        VScroll1->setMaximum(std::clamp(n + 1, 1, HighestRecord));
        VScroll1->setValue(std::max(n, 1));
    }
    VScroll1_Change();
}

// The count line, and a quiet word when another program changed the archive: the
// question comes at save time, so typing is never interrupted.
void Form1::showCount()
{
    QString text = countMessage(m_document.catalogue().scoreCount(), m_countSource);
    if (m_document.changedOnDisk())
        text += QStringLiteral("\nArchivio cambiato sul disco: potrai unirlo salvando");
    Label6->setText(text);
}

void Form1::VScroll1_Change()
{
    const int v = VScroll1->value();
    ++m_visit;
    // A track plays only for the record it belongs to.
    if (m_player && m_player->state() != TrackPlayer::State::Stopped)
        m_player->stop();
    try {
        Text1->setText(QString::number(v));
        Text2->setText(m_document.catalogue().title(v));
        Text3->setText(m_document.catalogue().author(v));
        Text4->setText(m_document.catalogue().tags(v));
        m_state.setCurrentNumber(v);
        showFiles(v);
        showCategory(v);
    } catch (const Error &error) {
        m_notifier.warn(error.message);
    }
    enableForRecords();
}

// A catalogue with no records yet has nothing to show or edit: only "+" (which adds score
// 1) and the menus stay active.
void Form1::enableForRecords()
{
    const bool any = m_document.catalogue().scoreCount() > 0;
    for (QWidget *control : std::initializer_list<QWidget *>{VScroll1, Text2, Text3, Text4, Command2, Command3,
                                                             Command4, Image1, Image2})
        control->setEnabled(any);
}

void Form1::showFiles(int number)
{
    // A page not decoded yet leaves its box empty until the page cache brings it. The
    // keys remember which file each box waits for, so that a late page of a record
    // already left, or of a file replaced since, is never shown.
    m_pagesOnShow = {PageCache::keyFor(m_document.folder().leftPage(number)),
                     PageCache::keyFor(m_document.folder().rightPage(number))};
    QList<PageKey> toDecode;
    if (!showPage(Image1, m_pagesOnShow[0]))
        toDecode.append(m_pagesOnShow[0]);
    if (!showPage(Image2, m_pagesOnShow[1]))
        toDecode.append(m_pagesOnShow[1]);
    const int step = number - m_recordOnShow;
    m_recordOnShow = number;
    m_pageCache->setWanted(toDecode, pagesAround(m_document.folder(), number, step, VScroll1->minimum(), VScroll1->maximum()));
    Picture1->setVisible(paths::isPresentFile(m_document.folder().track(number)));
    m_document.noteFilesSeen(number);
    describeRecord(number);
}

namespace {

// A page that cannot be shown says why in its box, in grey, without interrupting.
void showInBox(QLabel *box, const PageImage &page)
{
    if (page.isPicture()) {
        box->setPixmap(QPixmap::fromImage(page.picture));
        return;
    }
    box->clear();
    box->setText(page.problem);
}

} // namespace

// Shows the page if it is at hand; false while it still has to be decoded.
bool Form1::showPage(QLabel *box, const PageKey &key)
{
    const std::optional<PageImage> page = key.isValid() ? m_pageCache->find(key) : PageImage();
    showInBox(box, page.value_or(PageImage()));
    return page.has_value();
}

void Form1::showDecodedPage(const PageKey &key, const PageImage &page)
{
    QLabel *const boxes[] = {Image1, Image2};
    for (int i = 0; i < 2; ++i) {
        if (m_pagesOnShow[i] == key)
            showInBox(boxes[i], page);
    }
}

void Form1::refreshAttachments(int scoreNumber)
{
    if (scoreNumber != VScroll1->value())
        return;
    showFiles(scoreNumber);
    // A track's attach files the score under a category too.
    showCategory(scoreNumber);
}

void Form1::showCategory(int number)
{
    const QString &code = m_document.catalogue().category(number);
    bool ok = false;
    const int k = code.toInt(&ok);
    QString name;
    if (ok && k >= 1 && k <= ScoreCatalogue::CategoryCount) {
        // A list that cannot be read leaves the code on the line.
        name = m_document.categoryName(k);
        if (name.isEmpty())
            name = code;
    } else if (!code.isEmpty() && code != QLatin1String("0")) {
        name = code;
    }
    m_categoryLine->setText(name.isEmpty() ? QStringLiteral("Nessuna categoria")
                                           : QStringLiteral("Categoria: ") + name);
}

void Form1::storeField(QLineEdit *field, int fieldIndex)
{
    // The slot is the selector's position, never currentNumber: while a record is being
    // displayed the fields change before currentNumber does.
    const int v = VScroll1->value();
    const auto f = Field(fieldIndex);
    m_document.setField(v, f, field->text(), m_visit);
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
    if (auto error = m_document.addRecord(VScroll1->maximum(), VScroll1->value()))
        m_notifier.warn(error->message);
}

bool Form1::save()
{
    return m_document.save();
}

void Form1::Command1_Click()
{
    save();
}

void Form1::Command2_Click()
{
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
    if (!m_document.isModified())
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
    if (watched == m_client && handleDrag(event))
        return true;
    if ((watched == Image1 || watched == Image2) && event->type() == QEvent::MouseButtonDblClick) {
        openPageViewer(watched == Image2);
        return true;
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
