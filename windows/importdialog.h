#pragma once

#include "scoreimport.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

namespace spartiti {

// "Importa spartito...": what the new scores are called, where they go, and a preview of
// the records the chosen pages make. It only asks; Form1 runs the import.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    // `pageCount` pages from `files`; `categoryNames` are the names of codes 1..33;
    // the new scores go after `scoreCount` or, when chosen, after `shownNumber`.
    ImportDialog(const QStringList &files, int pageCount, bool hasPdf, const QStringList &categoryNames,
                 int scoreCount, int shownNumber, QWidget *parent = nullptr);

    ImportDetails details() const;
    int dpi() const;
    // The number the first new score takes.
    int position() const;
    QString preview() const;

private:
    void updatePreview();

    int m_pageCount;
    int m_scoreCount;
    int m_shownNumber;
    QLineEdit *m_title;
    QLineEdit *m_author;
    QLineEdit *m_tags;
    QComboBox *m_category;
    QSpinBox *m_dpi;
    QRadioButton *m_append;
    QRadioButton *m_insert;
    QPlainTextEdit *m_preview;
    QDialogButtonBox *m_buttons;
};

} // namespace spartiti
