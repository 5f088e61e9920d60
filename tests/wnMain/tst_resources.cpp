// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures and the window icon are compiled into daro_windows; this test links
// the library only, so it also proves that the static library's resources
// register themselves.
#include <QImage>
#include <QImageReader>
#include <QStandardPaths>
#include <QtTest>

class TstResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void decodesAtItsSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");

        const QByteArray jpeg("jpeg");
        QTest::newRow("traditional skin") << ":/images/skin-traditional.jpg" << jpeg << QSize(200, 200);
        QTest::newRow("sky-blue skin") << ":/images/skin-skyblue.jpg" << jpeg << QSize(1024, 768);
        QTest::newRow("elegant skin") << ":/images/skin-elegant.jpg" << jpeg << QSize(255, 278);
        QTest::newRow("home") << ":/images/toolbar-home.jpg" << jpeg << QSize(16, 16);
        QTest::newRow("mail") << ":/images/toolbar-mail.jpg" << jpeg << QSize(32, 31);
        QTest::newRow("about") << ":/images/toolbar-about.jpg" << jpeg << QSize(16, 16);
        QTest::newRow("exit") << ":/images/toolbar-exit.jpg" << jpeg << QSize(23, 26);
        QTest::newRow("right face") << ":/images/face-right.jpg" << jpeg << QSize(20, 20);
        QTest::newRow("wrong face") << ":/images/face-wrong.jpg" << jpeg << QSize(20, 20);
        QTest::newRow("window icon") << ":/icons/daro.png" << QByteArray("png") << QSize(32, 32);
    }

    void decodesAtItsSize()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);

        QVERIFY2(QFile::exists(path), qPrintable(path + QStringLiteral(" is not among the resources")));
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), size);
    }

    void windowIconIsSixteenColoursOnBlack()
    {
        const QImage icon(QStringLiteral(":/icons/daro.png"));
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.format(), QImage::Format_Indexed8);
        QVERIFY2(icon.colorCount() <= 16, qPrintable(QString::number(icon.colorCount())));
        for (const QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)})
            QCOMPARE(QColor(icon.pixel(corner)), QColor(Qt::black));
    }

    // The small pictures sit on a known colour in the window: the faces on
    // the practice panel's sky blue, the toolbar pictures on the light
    // toolbar. Their own background must match, or they show as patches.
    // The top corners are background in every one of them; JPEG lets the
    // colours of the drawing bleed a little into them.
    void matchesTheColourBehindIt_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QColor>("behind");
        QTest::addColumn<int>("tolerance");

        const QColor skyBlue(166, 202, 240);
        const QColor toolbar(240, 240, 240);
        QTest::newRow("right face") << ":/images/face-right.jpg" << skyBlue << 12;
        QTest::newRow("wrong face") << ":/images/face-wrong.jpg" << skyBlue << 12;
        QTest::newRow("home") << ":/images/toolbar-home.jpg" << toolbar << 16;
        QTest::newRow("mail") << ":/images/toolbar-mail.jpg" << toolbar << 16;
        QTest::newRow("about") << ":/images/toolbar-about.jpg" << toolbar << 16;
        QTest::newRow("exit") << ":/images/toolbar-exit.jpg" << toolbar << 16;
    }

    void matchesTheColourBehindIt()
    {
        QFETCH(QString, path);
        QFETCH(QColor, behind);
        QFETCH(int, tolerance);

        const QImage image(path);
        QVERIFY(!image.isNull());
        for (const QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, 0)}) {
            const QColor c = image.pixelColor(corner);
            const int off = std::max({std::abs(c.red() - behind.red()), std::abs(c.green() - behind.green()),
                                      std::abs(c.blue() - behind.blue())});
            QVERIFY2(
                off <= tolerance,
                qPrintable(
                    QStringLiteral("corner (%1, %2) is %3").arg(corner.x()).arg(corner.y()).arg(c.name())));
        }
    }
};

QTEST_MAIN(TstResources)
#include "tst_resources.moc"
