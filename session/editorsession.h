#pragma once

#include "cataloguedocument.h"
#include "cataloguefolder.h"
#include "error.h"
#include "messageboxnotifier.h"
#include "module1.h"

#include <QObject>

#include <memory>
#include <optional>

namespace spartiti {

class AttachmentWindows;
class Form1;
class TrackPlayer;

// One open catalogue with its windows: the document made for its folder, the editor
// window and the attachment windows. The application makes one for each catalogue the
// user opens and drops it when another takes its place, which releases the lock.
class EditorSession : public QObject
{
    Q_OBJECT

public:
    EditorSession(const CatalogueFolder &folder, TrackPlayer *player);
    ~EditorSession() override;

    // Takes the lock, finishes a reorganisation cut short, reads the archive. An error
    // says why the catalogue did not open; `declined` is set when the user chose not to
    // open a catalogue that another editor holds. `recovered` says what a recovery did.
    std::optional<Error> open(bool &declined, QString &recovered);

    const CatalogueFolder &folder() const { return m_folder; }
    Form1 &form() { return *m_form; }

private:
    void tellAboutSync();

    CatalogueFolder m_folder;
    Module1 m_state;
    MessageBoxNotifier m_notifier;
    CatalogueDocument m_document;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<AttachmentWindows> m_attachments;
};

} // namespace spartiti
