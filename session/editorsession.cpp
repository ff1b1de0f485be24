#include "editorsession.h"

#include "attachmentwindows.h"
#include "form1.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace spartiti {

EditorSession::EditorSession(const CatalogueFolder &folder, TrackPlayer *player)
    : m_folder(folder)
    , m_document(folder, m_state, m_notifier)
    , m_form(std::make_unique<Form1>(m_document, m_notifier))
    , m_attachments(std::make_unique<AttachmentWindows>(m_document, m_notifier))
{
    m_notifier.setParent(m_form.get());
    m_form->setTrackPlayer(player);
    // The page pickers and the track window, made on first use.
    connect(m_form.get(), &Form1::leftPickerRequested, m_attachments.get(), &AttachmentWindows::openLeftPicker);
    connect(m_form.get(), &Form1::rightPickerRequested, m_attachments.get(), &AttachmentWindows::openRightPicker);
    connect(m_form.get(), &Form1::trackWindowRequested, m_attachments.get(), &AttachmentWindows::openTrackWindow);
    connect(m_form.get(), &Form1::trackFileDropped, m_attachments.get(), &AttachmentWindows::openTrackWindowWith);
}

// The attachment windows go before the document they attach through.
EditorSession::~EditorSession()
{
    m_attachments.reset();
    m_form.reset();
}

std::optional<Error> EditorSession::open(bool &declined, QString &recovered)
{
    declined = false;
    recovered.clear();
    if (!m_folder.exists()) {
        const bool noFolder = !QFileInfo(m_folder.path()).isDir();
        return Error{noFolder ? Error::Kind::PathNotFound : Error::Kind::FileNotFound,
                     QStringLiteral("Nella cartella \"%1\" non c'è un catalogo: manca %2.")
                         .arg(QDir::toNativeSeparators(m_folder.parentPath()),
                              noFolder ? QStringLiteral("la cartella \"spartiti\"")
                                       : QStringLiteral("il file \"spartiti/archivio.js\""))};
    }
    // A second editor on the same catalogue is told before anything is read.
    if (!m_document.acquireLock()) {
        declined = true;
        return std::nullopt;
    }
    // What a crash left half done is finished (or undone) before the archive is read.
    if (auto error = m_document.recoverInterruptedWork(recovered))
        return error;
    if (!recovered.isEmpty())
        m_notifier.inform(recovered);
    if (auto error = m_form->Form_Load())
        return error;
    tellAboutSync();
    return std::nullopt;
}

// Once per catalogue: a folder shared by a sync service is said so, and what belongs to
// this computer alone (the lock, the undo folder, the backups) is kept out of the sync
// where the service reads its rules from the folder, if the user agrees.
void EditorSession::tellAboutSync()
{
    const SyncFolder sync = m_document.syncFolder();
    if (sync.service.isEmpty() || m_document.localStateKeptOutOfSync(sync))
        return;
    QSettings settings;
    QStringList told = settings.value(QStringLiteral("sincronizzazione/avvisati")).toStringList();
    if (told.contains(m_folder.path()))
        return;
    told.append(m_folder.path());
    settings.setValue(QStringLiteral("sincronizzazione/avvisati"), told);
    const QString shared = QStringLiteral(
        "La cartella del catalogo è sincronizzata con %1 (\"%2\"). Se l'archivio viene salvato su due computer "
        "quasi insieme, %1 ne lascia una copia in conflitto: l'editor la trova e propone di unirla.")
                               .arg(sync.service, QDir::toNativeSeparators(sync.root));
    if (sync.service != QLatin1String("Syncthing")) {
        m_notifier.inform(shared);
        return;
    }
    if (!m_notifier.askYesNo(shared + QStringLiteral("\n\nIl blocco dell'archivio, le copie per annullare e le copie di "
                                                    "sicurezza riguardano solo questo computer. Escluderli dalla "
                                                    "sincronizzazione, aggiungendoli al file \".stignore\" di "
                                                    "Syncthing?")))
        return;
    if (auto error = m_document.keepLocalStateOutOfSync(sync))
        m_notifier.warn(error->message);
}

} // namespace spartiti
