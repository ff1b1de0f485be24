// The page viewer at 100%: a page within the decode budget becomes sharp at its own
// size; a larger one is shown reduced and says so, instead of keeping the preview.

#include "editorfixture.h"
#include "pageviewer.h"
#include "cataloguefolder.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

using namespace spartiti;
using testsupport::writeFile;

namespace {

// A grayscale page of ruled staff lines, as a scanner writes a 600-dpi page.
QByteArray ruledPage(int width, int height)
{
    QImage page(width, height, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int y = 100; y < height; y += 60)
        painter.drawLine(100, y, width - 100, y);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    page.save(&buffer, "JPEG", 80);
    return bytes;
}

// A small grayscale JPEG whose frame header claims `width` x `height`: libjpeg fills
// what the data lacks, so it decodes at the size claimed without a large file to write.
QByteArray declaringSize(int width, int height)
{
    QByteArray jpeg = ruledPage(64, 64);
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    qToBigEndian<quint16>(height, jpeg.data() + frame + 5);
    qToBigEndian<quint16>(width, jpeg.data() + frame + 7);
    return jpeg;
}

const QString Reduced = QStringLiteral("Pagina troppo grande per essere mostrata al 100%: mostrata ridotta.");

} // namespace

class TestPageViewer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void fullSizeAtHundredPercent_data();
    void fullSizeAtHundredPercent();
    void keysFitZoomAndPage();
};

void TestPageViewer::fullSizeAtHundredPercent_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<bool>("sharp");
    QTest::addColumn<QString>("note");
    // Past Qt's default allocation limit of 128 MB at four bytes a pixel.
    QTest::newRow("A3 at 600 dpi") << declaringSize(7016, 9921) << QSize(7016, 9921) << true << QString();
    // 768 MB at full size: libjpeg decodes it at 5/8, the largest scale within the budget.
    QTest::newRow("past the budget") << declaringSize(12000, 16000) << QSize(7500, 10000) << false << Reduced;
}

void TestPageViewer::fullSizeAtHundredPercent()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, shown);
    QFETCH(bool, sharp);
    testsupport::WorkingFolder folder;
    writeFile(folder.catalogue().leftPage(1), file);
    // The blurred picture the editor's box already has.
    const QImage preview = QImage(201, 353, QImage::Format_Grayscale8);
    PageViewer viewer(folder.catalogue(), [&preview](const QString &) { return preview; }, [] { return 1; });
    viewer.showPage({1, false});
    viewer.show();
    QTest::keyClick(&viewer, Qt::Key_0);
    QCOMPARE(viewer.zoom(), 1.0);

    QTRY_VERIFY_WITH_TIMEOUT(viewer.isSharp() || !viewer.note().isEmpty(), 30000);
    QCOMPARE(viewer.isSharp(), sharp);
    QCOMPARE(viewer.pictureSize(), shown);
    QTEST(viewer.note(), "note");
    // Still at 100% of the page, whatever size the picture was decoded at.
    QCOMPARE(viewer.zoom(), 1.0);
    viewer.hide();
}

// A 400 x 800 page in a 200 x 200 window: fitted whole at first, zoomed in and out
// around 100% with the keys, paged through in reading order past a missing page, with
// both ends holding, and closed with Escape.
void TestPageViewer::keysFitZoomAndPage()
{
    testsupport::WorkingFolder folder;
    const CatalogueFolder &catalogue = folder.catalogue();
    for (const QString &page : {catalogue.leftPage(1), catalogue.rightPage(1), catalogue.rightPage(2)})
        writeFile(page, ruledPage(400, 800));
    PageViewer viewer(catalogue, [](const QString &) { return QImage(); }, [] { return 2; });
    viewer.resize(200, 200);
    viewer.showPage({1, false});
    viewer.show();
    QTRY_VERIFY_WITH_TIMEOUT(viewer.isSharp(), 30000);
    QCOMPARE(viewer.zoom(), 0.0);   // fitted: the whole page is in the window, centred
    const QImage fitted = viewer.grab().toImage();
    QVERIFY(fitted.pixelColor(100, 100).lightness() > 240);   // the page
    QVERIFY(fitted.pixelColor(20, 100).lightness() < 100);    // the dark surround, beside its 100 pixels
    QTest::keyClick(&viewer, Qt::Key_0);
    QCOMPARE(viewer.zoom(), 1.0);
    QTest::keyClick(&viewer, Qt::Key_Plus);
    const double zoomedIn = viewer.zoom();
    QVERIFY(zoomedIn > 1.0);
    QTest::keyClick(&viewer, Qt::Key_Minus);
    QTest::keyClick(&viewer, Qt::Key_Minus);
    QVERIFY(viewer.zoom() < 1.0 && viewer.zoom() > 0.0);

    QTest::keyClick(&viewer, Qt::Key_PageUp);   // nothing before the first page
    QCOMPARE(viewer.page(), PageRef({1, false}));
    const QList<PageRef> reading{{1, true}, {2, true}};   // score 2 has no left page
    for (const PageRef &next : reading) {
        QTest::keyClick(&viewer, Qt::Key_PageDown);
        QCOMPARE(viewer.page(), next);
    }
    QTest::keyClick(&viewer, Qt::Key_PageDown);   // nothing after the last page
    QCOMPARE(viewer.page(), PageRef({2, true}));
    QTest::keyClick(&viewer, Qt::Key_PageUp);
    QCOMPARE(viewer.page(), PageRef({1, true}));
    QTest::keyClick(&viewer, Qt::Key_Escape);
    QVERIFY(!viewer.isVisible());
}

QTEST_MAIN(TestPageViewer)
#include "tst_pageviewer.moc"
