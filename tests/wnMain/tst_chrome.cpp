// SPDX-License-Identifier: GPL-3.0-or-later
// The window chrome: skins, the toolbar's pictures and hints, the two links,
// the help and about dialogs, and closing.
#include "fmmainfixture.h"

#include "Unit1/tform1.h"
#include "Unit3/tform3.h"
#include "base/ttimer.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTest>

class TestChrome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        prepareWindowTests(home);
    }
    void init() { errors = RecordingMessageBoxes(); }

    void skins_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("shown");
        QTest::newRow("traditional") << S("N14") << 1;
        QTest::newRow("sky blue") << S("N15") << 2;
        QTest::newRow("elegant") << S("N16") << 3;
    }
    void skins()
    {
        QFETCH(QString, item);
        QFETCH(int, shown);
        Window w(errors);
        for (const char *first : {"N15", "N16", "N14"}) {
            w->findChild<QAction *>(S(first))->trigger();
            for (int repeat = 0; repeat < 2; ++repeat) {
                w->findChild<QAction *>(item)->trigger();
                const QList<TImage *> images{w.Image1, w.Image2, w.Image3};
                const QList<QAction *> items{w.N14, w.N15, w.N16};
                for (int i = 0; i < 3; ++i) {
                    QCOMPARE(!images[i]->isHidden(), i + 1 == shown);
                    QCOMPARE(items[i]->isChecked(), i + 1 == shown);
                }
            }
        }
    }

    void picturesReadWhenFirstShown_data()
    {
        QTest::addColumn<bool>("speechFails");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("read"); // the skins holding their picture, by number

        QTest::newRow("start") << false << QString() << "1";
        QTest::newRow("sky blue chosen") << false << S("N15") << "12";
        QTest::newRow("elegant chosen") << false << S("N16") << "13";
        QTest::newRow("no speech: all three show") << true << QString() << "123";
    }
    // A skin or verdict face that has not been shown holds no picture yet; one
    // that shows holds its own file's picture.
    void picturesReadWhenFirstShown()
    {
        QFETCH(bool, speechFails);
        QFETCH(QString, item);
        QFETCH(QString, read);
        Window w(errors, [&](RecordingSpeechBackend &speech) { speech.failCreateAudioDest = speechFails; });
        w->show();
        if (!item.isEmpty())
            w->findChild<QAction *>(item)->trigger();
        const QList<TImage *> skins{w.Image1, w.Image2, w.Image3};
        for (int i = 0; i < skins.size(); ++i) {
            const bool shown = read.contains(QChar(u'1' + i));
            QCOMPARE(!skins[i]->pixmap().isNull(), shown);
            if (shown && !skins[i]->pictureFile().isEmpty())
                QCOMPARE(skins[i]->pixmap().size(), QImage(skins[i]->pictureFile()).size());
        }
        QVERIFY(w.Image9->pixmap().isNull() && w.Image10->pixmap().isNull());
    }

    void toolbarHintsAppearOnlyAfterAMove()
    {
        Window w(errors);
        const QList<std::pair<TImage *, QString>> pictures{{w.Image5, S("软件首页")},
                                                           {w.Image6, S("联系我们")},
                                                           {w.Image7, S("关于daro")},
                                                           {w.Image8, S("退出")}};
        for (const auto &[image, hint] : pictures) {
            QVERIFY(image->toolTip().isEmpty());
            QCOMPARE(image->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseMove(image, QPoint(4, 4));
            QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), QPointF(4, 4), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(image, &move);
            QCOMPARE(image->toolTip(), hint);
        }
        QCOMPARE(w.Label6->text(), S(" 每天一刻钟 英语变轻松 "));
    }

    void linksOpenTheSameAddressFromMenuAndToolbar()
    {
        Window w(errors);
        w.N11->trigger();
        QTest::mouseClick(w.Image5, Qt::LeftButton);
        w.N12->trigger();
        QTest::mouseClick(w.Image6, Qt::LeftButton);
        QCOMPARE(w.links->opened.size(), 4);
        QCOMPARE(w.links->opened[0], w.links->opened[1]);
        QCOMPARE(w.links->opened[2], w.links->opened[3]);
        QCOMPARE(w.links->opened[0].scheme(), S("https"));
        QCOMPARE(w.links->opened[2].scheme(), S("mailto"));
        QCOMPARE(w.links->opened[2].path(), QString::fromLatin1(kSupportMail));
    }

    void linkFailureChangesNothing()
    {
        Window w(errors);
        w.links->accept = false;
        w.clickTree(kListen1a);
        w.N11->trigger();
        w.N12->trigger();
        QVERIFY(errors.shown.isEmpty() && w.messages->shown.isEmpty());
        QVERIFY(w->Timer1->Enabled());
        QCOMPARE(w.DBEdit1->text(), S("a01"));
    }

    void helpDialogOpensAtItsOnlyPageAndClosesLikeItsButton()
    {
        Window w(errors);
        TForm1 help(w.errorBox);
        TForm3 about(w.errorBox);
        w->setDialogs(&help, &about);
        auto *pages = findControl<QTabWidget>(&help, "PageControl1");
        auto *notes = findControl<QPlainTextEdit>(&help, "Memo2");
        QCOMPARE(pages->count(), 1);
        QCOMPARE(pages->tabText(0), S("安装说明"));
        QCOMPARE(notes->toPlainText().split(QLatin1Char('\n')).size(), 6);
        QCOMPARE(notes->toPlainText().split(QLatin1Char('\n')).at(1), QString());
        // A lesson keeps ticking behind the modal dialog.
        w.clickTree(kListen1a);
        w->Timer1->setInterval(1);
        bool wasModal = false;
        QTimer::singleShot(200, &help, [&] {
            wasModal = help.isVisible() && help.isModal();
            QCloseEvent close;
            QCoreApplication::sendEvent(&help, &close); // the title bar's close button
        });
        // The command returns at once (a screen reader that pressed it gets its
        // answer); the dialog opens right after, modally.
        w.N44->trigger();
        QVERIFY(!wasModal && help.isHidden());
        QCoreApplication::sendPostedEvents(w.fm.get(), QEvent::MetaCall);
        QVERIFY(wasModal);
        QVERIFY(help.isHidden());
        QVERIFY(!w.speech->spoken.isEmpty());
        QTimer::singleShot(50, &help, [&] { findControl<QPushButton>(&help, "Button1")->click(); });
        w->N44Click();
        QVERIFY(help.isHidden());
    }

    void aboutDialogFromMenuAndPicture()
    {
        Window w(errors);
        TForm1 help(w.errorBox);
        TForm3 about(w.errorBox);
        w->setDialogs(&help, &about);
        QCOMPARE(findControl<QLabel>(&about, "Label4")->text(), QString::fromLatin1(kHomePage));
        QVERIFY(!findControl<QLabel>(&about, "Image1")->pixmap().isNull());
        int shown = 0;
        QTimer::singleShot(50, &about, [&] {
            shown += about.isVisible();
            findControl<QPushButton>(&about, "Button1")->click();
        });
        w.N13->trigger();
        QCOMPARE(shown, 0);
        QCoreApplication::sendPostedEvents(w.fm.get(), QEvent::MetaCall);
        QCOMPARE(shown, 1);
        QTimer::singleShot(50, &about, [&] {
            shown += about.isVisible();
            QCloseEvent close;
            QCoreApplication::sendEvent(&about, &close);
        });
        QTest::mouseClick(w.Image7, Qt::LeftButton);
        QCOMPARE(shown, 2);
        QVERIFY(about.isHidden());
    }

    void closingByMenuOrPictureEndsAtOnce()
    {
        for (int way = 0; way < 2; ++way) {
            Window w(errors);
            w->show();
            w.clickTree(kListen1a);
            if (way == 0)
                w.N8->trigger();
            else
                QTest::mouseClick(w.Image8, Qt::LeftButton);
            QVERIFY(w->isHidden());
            QVERIFY(w.messages->shown.isEmpty());
        }
    }

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
};

QTEST_MAIN(TestChrome)
#include "tst_chrome.moc"
