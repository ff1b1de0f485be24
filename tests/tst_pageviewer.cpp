// The page viewer: fitting, zooming and paging with the keys; a very large page at 100%.

#include "editorfixture.h"
#include "pageviewer.h"

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

// A small JPEG whose frame header claims `width` x `height`: libjpeg fills what the data
// lacks, so it decodes at that size without a large file to write.
QByteArray declaringSize(int width, int height)
{
    QByteArray jpeg = ruledPage(64, 64);
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    qToBigEndian<quint16>(height, jpeg.data() + frame + 5);
    qToBigEndian<quint16>(width, jpeg.data() + frame + 7);
    return jpeg;
}

} // namespace

class TestPageViewer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void fullSizeAtHundredPercent_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<QString>("note");   // empty: sharp
        // Past Qt's default allocation limit of 128 MB at four bytes a pixel.
        QTest::newRow("A3 at 600 dpi") << declaringSize(7016, 9921) << QSize(7016, 9921) << QString();
        // 768 MB at full size: decoded at 5/8, the largest scale within the budget, and said so.
        QTest::newRow("past the budget") << declaringSize(12000, 16000) << QSize(7500, 10000)
                                         << "Pagina troppo grande per essere mostrata al 100%: mostrata ridotta.";
    }
    // At 100% a page becomes sharp at its own size, never staying the editor's blurred preview.
    void fullSizeAtHundredPercent()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, note);
        testsupport::WorkingFolder folder;
        writeFile(folder.catalogue().leftPage(1), file);
        const QImage preview(201, 353, QImage::Format_Grayscale8);
        PageViewer viewer(folder.catalogue(), [&preview](const QString &) { return preview; }, [] { return 1; });
        viewer.showPage({1, false});
        viewer.show();
        QTest::keyClick(&viewer, Qt::Key_0);
        QTRY_VERIFY_WITH_TIMEOUT(viewer.isSharp() || !viewer.note().isEmpty(), 30000);
        QCOMPARE(viewer.isSharp(), note.isEmpty());
        QTEST(viewer.pictureSize(), "shown");
        QCOMPARE(viewer.note(), note);
        QCOMPARE(viewer.zoom(), 1.0);
        viewer.hide();
    }
    // A 400 x 800 page in a 200 x 200 window: fitted, zoomed, paged in reading order, closed.
    void keysFitZoomAndPage()
    {
        testsupport::WorkingFolder folder;
        const CatalogueFolder catalogue = folder.catalogue();
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
        viewer.resize(220, 200);   // a chosen zoom stays when the window changes
        QCOMPARE(viewer.zoom(), 1.0);
        QTest::keyClick(&viewer, Qt::Key_Plus);
        QVERIFY(viewer.zoom() > 1.0);
        QTest::keyClick(&viewer, Qt::Key_Minus);
        QTest::keyClick(&viewer, Qt::Key_Minus);
        QVERIFY(viewer.zoom() < 1.0 && viewer.zoom() > 0.0);
        // Score 2 has no left page; nothing before the first page nor after the last.
        const QList<std::pair<Qt::Key, PageRef>> walk{{Qt::Key_PageUp, {1, false}},  {Qt::Key_PageDown, {1, true}},
                                                      {Qt::Key_PageDown, {2, true}}, {Qt::Key_PageDown, {2, true}},
                                                      {Qt::Key_PageUp, {1, true}}};
        for (const auto &[key, page] : walk) {
            QTest::keyClick(&viewer, key);
            QCOMPARE(viewer.page(), page);
        }
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Spartito 1, pagina di destra"));
        QTest::keyClick(&viewer, Qt::Key_Escape);
        QVERIFY(!viewer.isVisible());
    }
};

QTEST_MAIN(TestPageViewer)
#include "tst_pageviewer.moc"
