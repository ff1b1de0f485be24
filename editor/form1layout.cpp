// The fixed layout of the editor window. Positions come in twips, as the attachment
// windows' do (twips.h).

#include "archivetextvalidator.h"
#include "cataloguedocument.h"
#include "form1.h"
#include "twips.h"

#include <QApplication>
#include <QDir>
#include <QFocusFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace spartiti {

namespace {

template<typename Widget>
Widget *place(QWidget *parent, const char *name, const QRect &geometry, qreal points)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    if (points > 0)
        widget->setFont(sansSerif(points));
    return widget;
}

// The stand-in face is wider than the one the layout was drawn for: a label's font is
// reduced just enough for its text to fit its fixed box, as it did on the original.
void fitText(QLabel *label)
{
    QFont font = label->font();
    const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
    while (font.pointSizeF() > 6) {
        const QRect needed = QFontMetrics(font).boundingRect(QRect(QPoint(), label->size()), flags, label->text());
        if (needed.width() <= label->width() && needed.height() <= label->height())
            break;
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label->setFont(font);
}

void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

} // namespace

void Form1::buildControls()
{
    // The title bar names the catalogue on show, as the folder that holds it.
    setWindowTitle(QStringLiteral("%1 - Archivio Spartiti 3.01")
                       .arg(QDir::toNativeSeparators(m_document.folder().parentPath())));

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Form1Client"));
    // One line more than the design's window at the bottom, for the count line's second
    // line (an archive changed on disk), and beside it, under the selector and the pages,
    // for the category line; every control keeps its place.
    m_client->setFixedSize(twipsRect(0, 0, 15615, 5970).size());
    m_client->setAutoFillBackground(true);
    setColour(m_client, QPalette::Window, QColor(128, 128, 128));
    setCentralWidget(m_client);

    QWidget *c = m_client;
    Command1 = place<QPushButton>(c, "Command1", twipsRect(600, 4560, 6735, 735), 12);
    Command1->setText(QStringLiteral("Salva Modifiche"));
    Text1 = place<QLineEdit>(c, "Text1", twipsRect(8160, 120, 975, 615), 18);
    setColour(Text1, QPalette::Base, Qt::white);
    Text2 = place<QLineEdit>(c, "Text2", twipsRect(600, 960, 6735, 495), 18);
    Text3 = place<QLineEdit>(c, "Text3", twipsRect(600, 1920, 6735, 495), 18);
    Text4 = place<QLineEdit>(c, "Text4", twipsRect(600, 2760, 6735, 495), 18);
    for (QLineEdit *field : {Text2, Text3, Text4}) {
        setColour(field, QPalette::Base, QColor(192, 192, 0));
        auto *validator = new ArchiveTextValidator(field);
        field->setValidator(validator);
        field->installEventFilter(this);
        connect(validator, &ArchiveTextValidator::refused, field,
                [this, field](const QString &refused) { showRefusal(field, refused); });
    }
    Label1 = place<QLabel>(c, "Label1", twipsRect(600, 600, 1575, 255), 12);
    Label1->setText(QStringLiteral("Titolo"));
    Label2 = place<QLabel>(c, "Label2", twipsRect(600, 1560, 1215, 255), 12);
    Label2->setText(QStringLiteral("Autore"));
    setColour(Label2, QPalette::WindowText, palette().color(QPalette::ButtonText));
    Label3 = place<QLabel>(c, "Label3", twipsRect(600, 2520, 6495, 375), 9.75);
    Label3->setText(QStringLiteral("Tag Inserisci più parole separate da spazi non usare accenti o virgole"));
    setColour(Label3, QPalette::WindowText, palette().color(QPalette::ToolTipText));
    Command3 = place<QPushButton>(c, "Command3", twipsRect(600, 3960, 3375, 495), 13.5);
    Command3->setText(QStringLiteral("Score Left"));
    Command3->setToolTip(QStringLiteral("Inserisci il foglio di sinistra"));
    Command4 = place<QPushButton>(c, "Command4", twipsRect(3960, 3960, 3375, 495), 13.5);
    Command4->setText(QStringLiteral("Score Right"));
    Command4->setToolTip(QStringLiteral("Inserisci il foglio di destra"));
    VScroll1 = place<QScrollBar>(c, "VScroll1", twipsRect(8520, 960, 375, 4335), 0);
    VScroll1->setOrientation(Qt::Vertical);
    VScroll1->setMinimum(1);
    VScroll1->setMaximum(1);
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(1);
    // The record follows the thumb when it is released, not while it is dragged.
    VScroll1->setTracking(false);
    VScroll1->setFocusPolicy(Qt::StrongFocus);
    VScroll1->installEventFilter(this);
    // Wider and taller than designed, into free space, so that the count after a save
    // ("nel file spartiti/archivio.js") and the note of a change on disk are read whole.
    Label6 = place<QLabel>(c, "Label6", twipsRect(600, 5280, 7880, 675), 13.5);
    Label6->setText(QStringLiteral("Label6"));
    Label6->setWordWrap(true);
    setColour(Label6, QPalette::WindowText, QColor(64, 64, 64));
    Command5 = place<QPushButton>(c, "Command5", twipsRect(7560, 960, 855, 2055), 12);
    Command5->setText(QStringLiteral("+"));
    Command5->setToolTip(QStringLiteral("Aggiungi nuovo titolo"));
    Label4 = place<QLabel>(c, "Label4", twipsRect(600, 0, 7935, 615), 9.75);
    Label4->setText(QStringLiteral(
        "Per inserire spartiti con più di 2 pagine inserire le pagine in più facendo clic sul tasto + "
        "mettendo lo stesso titolo con una desineza es Titolo 1 titolo 2 Titolo 3 a seguire"));
    Label4->setWordWrap(true);
    Label4->setAutoFillBackground(true);
    setColour(Label4, QPalette::Window, palette().color(QPalette::Dark));
    Command2 = place<QPushButton>(c, "Command2", twipsRect(600, 3360, 6735, 495), 12);
    Command2->setText(QStringLiteral("Associa una base Mp3 a questo spartito"));
    Picture1 = place<QLabel>(c, "Picture1", twipsRect(7440, 3240, 975, 1095), 0);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/icons/track.png")));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setVisible(false);
    Picture1->installEventFilter(this);
    Picture1->setCursor(Qt::PointingHandCursor);
    Picture1->setToolTip(QStringLiteral("Fai clic per ascoltare la base; un altro clic la ferma"));
    // Reached with Tab too; Space or Enter plays and stops (see buildNavigation).
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture1->setAccessibleDescription(
        QStringLiteral("Spazio o Invio ascolta la base, di nuovo la ferma (Ctrl+P)"));
    // Which category the score is filed under: set only through the track window, and
    // otherwise visible nowhere.
    m_categoryLine = place<QLabel>(c, "categoria", twipsRect(8520, 5430, 6855, 330), 8.25);
    m_categoryLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_categoryLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setColour(m_categoryLine, QPalette::WindowText, Qt::white);
    Image1 = place<QLabel>(c, "Image1", twipsRect(9240, 120, 3015, 5295), 0);
    Image2 = place<QLabel>(c, "Image2", twipsRect(12360, 120, 3015, 5295), 0);
    for (QLabel *image : {Image1, Image2}) {
        image->setScaledContents(true);
        // What is wrong with a page that cannot be shown, in grey in the middle of its box.
        image->setAlignment(Qt::AlignCenter);
        image->setWordWrap(true);
        QPalette grey = image->palette();
        grey.setColor(QPalette::WindowText, Qt::gray);
        image->setPalette(grey);
        image->installEventFilter(this);
    }

    // Labels lie beneath the other controls, as the note Label4 reaches under Text1, and
    // draw their text from the top, so that Label3's stays clear of Text4 below it.
    for (QLabel *label : {Label1, Label2, Label3, Label4, Label6}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        fitText(label);
        label->lower();
    }

    // Tab follows the reading order: the fields top to bottom, the buttons below them,
    // then the selector, "+" and the track icon beside them; the search field comes last.
    const QList<QWidget *> tabChain = {Text1,    Text2,    Text3,   Text4,    Command2, Command3,
                                       Command4, Command1, VScroll1, Command5, Picture1};
    for (qsizetype i = 1; i < tabChain.size(); ++i)
        setTabOrder(tabChain[i - 1], tabChain[i]);

    // What a screen reader says of the controls whose text alone does not tell; the
    // pages and the track icon are named per record (describeRecord).
    Text1->setAccessibleName(QStringLiteral("Numero dello spartito"));
    Text2->setAccessibleName(QStringLiteral("Titolo"));
    Text3->setAccessibleName(QStringLiteral("Autore"));
    Text4->setAccessibleName(QStringLiteral("Tag"));
    Text4->setAccessibleDescription(QStringLiteral("Più parole separate da spazi, senza accenti o virgole"));
    VScroll1->setAccessibleName(QStringLiteral("Scelta dello spartito"));
    VScroll1->setAccessibleDescription(QStringLiteral("Le frecce passano allo spartito precedente o successivo"));
    Command5->setAccessibleName(Command5->toolTip());
    Label6->setAccessibleDescription(QStringLiteral("Numero dei titoli nell'archivio"));

    // The style draws no focus on a scroll bar or a picture: a frame around the selector
    // and the track icon shows when the keys go to them.
    auto *focusFrame = new QFocusFrame(m_client);
    focusFrame->setObjectName(QStringLiteral("focusFrame"));
    m_focusWatch = connect(qApp, &QApplication::focusChanged, focusFrame, [this, focusFrame](QWidget *, QWidget *now) {
        focusFrame->setWidget(now == VScroll1 || now == Picture1 || now == Image1 || now == Image2 ? now : nullptr);
    });

    connect(VScroll1, &QScrollBar::valueChanged, this, &Form1::VScroll1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    connect(Text4, &QLineEdit::textChanged, this, &Form1::Text4_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);

    adjustSize();
    setFixedSize(sizeHint());
}

} // namespace spartiti
