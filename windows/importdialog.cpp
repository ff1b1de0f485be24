#include "importdialog.h"

#include "archivetextvalidator.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace spartiti {

namespace {

QLineEdit *archiveField(const QString &name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setValidator(new ArchiveTextValidator(field));
    return field;
}

} // namespace

ImportDialog::ImportDialog(const QStringList &files, int pageCount, bool hasPdf, const QStringList &categoryNames,
                           int scoreCount, int shownNumber, QWidget *parent)
    : QDialog(parent)
    , m_pageCount(pageCount)
    , m_scoreCount(scoreCount)
    , m_shownNumber(shownNumber)
    , m_title(archiveField(QStringLiteral("titolo"), this))
    , m_author(archiveField(QStringLiteral("autore"), this))
    , m_tags(archiveField(QStringLiteral("tag"), this))
    , m_category(new QComboBox(this))
    , m_dpi(new QSpinBox(this))
    , m_append(new QRadioButton(QStringLiteral("In &fondo, dopo l'ultimo spartito (%1)").arg(scoreCount), this))
    , m_insert(new QRadioButton(QStringLiteral("&Dopo lo spartito in vista (%1)").arg(shownNumber), this))
    , m_preview(new QPlainTextEdit(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("importaSpartito"));
    setWindowTitle(QStringLiteral("Importa spartito"));
    m_title->setText(QFileInfo(files.value(0)).completeBaseName());
    m_category->setObjectName(QStringLiteral("categoria"));
    m_category->addItem(QStringLiteral("(nessuna)"), 0);
    for (int code = 1; code <= categoryNames.size(); ++code)
        m_category->addItem(QStringLiteral("%1 - %2").arg(code).arg(categoryNames[code - 1]), code);
    m_dpi->setObjectName(QStringLiteral("risoluzione"));
    m_dpi->setRange(scoreimport::MinimumDpi, scoreimport::MaximumDpi);
    m_dpi->setValue(scoreimport::DefaultDpi);
    m_dpi->setSuffix(QStringLiteral(" dpi"));
    m_dpi->setEnabled(hasPdf);
    m_append->setObjectName(QStringLiteral("inFondo"));
    m_insert->setObjectName(QStringLiteral("dopoQuesto"));
    m_append->setChecked(true);
    m_insert->setEnabled(shownNumber >= 1 && shownNumber < scoreCount);
    m_preview->setObjectName(QStringLiteral("anteprima"));
    m_preview->setReadOnly(true);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Importa"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Titolo:"), m_title);
    form->addRow(QStringLiteral("&Autore:"), m_author);
    form->addRow(QStringLiteral("T&ag:"), m_tags);
    form->addRow(QStringLiteral("&Categoria:"), m_category);
    form->addRow(QStringLiteral("&Risoluzione dei PDF:"), m_dpi);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1 file, %2 pagine.").arg(files.size()).arg(pageCount), this));
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Dove:"), this));
    layout->addWidget(m_append);
    layout->addWidget(m_insert);
    layout->addWidget(new QLabel(QStringLiteral("Spartiti che verranno creati:"), this));
    layout->addWidget(m_preview);
    layout->addWidget(m_buttons);
    resize(520, 480);

    connect(m_title, &QLineEdit::textChanged, this, &ImportDialog::updatePreview);
    connect(m_append, &QRadioButton::toggled, this, &ImportDialog::updatePreview);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updatePreview();
}

ImportDetails ImportDialog::details() const
{
    return {m_title->text().trimmed(), m_author->text().trimmed(), m_tags->text().trimmed(),
            m_category->currentData().toInt()};
}

int ImportDialog::dpi() const
{
    return m_dpi->value();
}

int ImportDialog::position() const
{
    return m_insert->isChecked() ? m_shownNumber + 1 : m_scoreCount + 1;
}

QString ImportDialog::preview() const
{
    return m_preview->toPlainText();
}

void ImportDialog::updatePreview()
{
    const QString title = m_title->text().trimmed();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!title.isEmpty());
    QStringList lines;
    int number = position();
    for (const ImportedRecord &record : scoreimport::pairPages(m_pageCount, title)) {
        const QString right = record.right >= 0 ? QStringLiteral("pagina %1").arg(record.right + 1)
                                                : QStringLiteral("segnaposto");
        lines.append(QStringLiteral("%1  «%2»  sinistra: pagina %3, destra: %4")
                         .arg(number++)
                         .arg(record.title)
                         .arg(record.left + 1)
                         .arg(right));
    }
    m_preview->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace spartiti
