// SPDX-License-Identifier: GPL-3.0-or-later
// The Read page: recording into the per-user wave file, replay and comparison,
// and the words the reading listener could not hear marked in the text.
#include "fmmainfixture.h"

#include "base/winpath.h"
#include "recorder/createwav.h"
#include "recorder/recordererror.h"
#include "recorder/waverecorder.h"
#include "support/accessibleevents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <QWhatsThis>
#include <QtPlugin>

Q_IMPORT_PLUGIN(AccessibleEventsPlugin)

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The words of the box under a wavy underline.
QStringList wavyWords(const TMemo *memo)
{
    QStringList words;
    for (const QTextEdit::ExtraSelection &selection : memo->extraSelections())
        if (selection.format.underlineStyle() == QTextCharFormat::WaveUnderline)
            words << selection.cursor.selectedText();
    return words;
}

} // namespace

class TestReadPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("daro"));
        recording = localPath(QString::fromUtf16(kRecordingWindowsPath));
    }
    void init()
    {
        errors = RecordingMessageBoxes();
        QDir(QFileInfo(recording).absolutePath()).removeRecursively();
        QVERIFY(QDir().mkpath(QFileInfo(recording).absolutePath()));
    }

    void startsIdle()
    {
        Window w(errors);
        QVERIFY(w.Button1->isEnabled());
        QVERIFY(!w.Button2->isEnabled());
        QVERIFY(w.Memo1->Text().isEmpty());
        QVERIFY(!w->MediaPlayer1->isOpen());
        QCOMPARE(w->MediaPlayer1->parent(), w.TabSheet2);
    }

    void recordStopAndSave()
    {
        Window w(errors);
        w.showPage(w.TabSheet2);
        QFile::remove(recording);
        w.Button1->click();
        QVERIFY(w.messages->shown.isEmpty());
        QVERIFY(!w.Button1->isEnabled() && w.Button2->isEnabled());
        QCOMPARE(readAll(recording), waveHeader(1, 8, 11025));
        QCOMPARE(w.capture->calls.mid(0, 2), (QStringList{S("open 1 8 11025"), S("start")}));
        QVERIFY(w->MediaPlayer1->isRecording());
        // Leaving the page does not stop the recording.
        w.showPage(w.TabSheet1);
        QVERIFY(w->MediaPlayer1->isRecording());
        w.capture->feed(QByteArray(300, char(0x90)));
        w.showPage(w.TabSheet2);

        bool buttonsStillRecording = false;
        w.messages->whileOpen = [&] {
            buttonsStillRecording = !w.Button1->isEnabled() && w.Button2->isEnabled();
        };
        w.Button2->click();
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown[0].text, S("声音录制完毕!"));
        QCOMPARE(w.messages->shown[0].caption, S("信息"));
        QCOMPARE(w.messages->shown[0].icon, MessageBoxes::Icon::Information);
        QVERIFY(buttonsStillRecording); // restored only after the message
        QVERIFY(w.Button1->isEnabled() && !w.Button2->isEnabled());
        QVERIFY(!w->MediaPlayer1->isOpen());
        const QByteArray saved = readAll(recording);
        QCOMPARE(saved.size(), 44 + 300);
        QCOMPARE(saved.mid(40, 4), QByteArray::fromHex("2c010000"));
        QCOMPARE(saved.mid(4, 4), QByteArray::fromHex("50010000"));
    }

    void recordingAgainReplacesTheFile()
    {
        Window w(errors);
        w.Button1->click();
        w.capture->feed(QByteArray(100, char(0x70)));
        w.Button2->click();
        QCOMPARE(readAll(recording).size(), 144);
        w.Button1->click();
        QCOMPARE(readAll(recording), waveHeader(1, 8, 11025));
    }

    void deviceFailureOnRecord()
    {
        Window w(errors);
        w.capture->openResult = ErrNoInputDevice;
        bool buttonsIdleAlready = false;
        w.messages->whileOpen = [&] {
            buttonsIdleAlready = w.Button1->isEnabled() && !w.Button2->isEnabled();
        };
        w.Button1->click();
        QCOMPARE(w.messages->texts(), QStringList{S("媒体设备初始化失败！")});
        QCOMPARE(w.messages->shown[0].caption, S("错误"));
        QCOMPARE(w.messages->shown[0].icon, MessageBoxes::Icon::Error);
        QVERIFY(buttonsIdleAlready); // restored before the message
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void missingDirectoryOnRecord()
    {
        Window w(errors);
        QVERIFY(QDir(QFileInfo(recording).absolutePath()).removeRecursively());
        w.Button1->click();
        QCOMPARE(w.messages->texts(), QStringList{S("媒体设备初始化失败！")});
        QVERIFY(w.Button1->isEnabled() && !w.Button2->isEnabled());
        QVERIFY(w.capture->calls.isEmpty());
    }

    void stopFailures_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::newRow("stop") << S("stop");
        QTest::newRow("save") << S("save");
        QTest::newRow("close") << S("close");
    }
    void stopFailures()
    {
        QFETCH(QString, failing);
        Window w(errors);
        w.Button1->click();
        w.capture->feed(QByteArray(50, char(0x80)));
        if (failing == S("stop"))
            w.capture->stopResult = ErrStop;
        else if (failing == S("close"))
            w.capture->closeResult = ErrClose;
        else
            QVERIFY(QFile::setPermissions(QFileInfo(recording).absolutePath(),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        auto restore = qScopeGuard([&] {
            QFile::setPermissions(QFileInfo(recording).absolutePath(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (failing == S("save") && QFileInfo(QFileInfo(recording).absolutePath()).isWritable())
            QSKIP("running with rights that ignore directory permissions");
        bool buttonsStillRecording = false;
        w.messages->whileOpen = [&] {
            buttonsStillRecording = !w.Button1->isEnabled() && w.Button2->isEnabled();
        };
        w.Button2->click();
        QCOMPARE(w.messages->texts(), QStringList{S("保存声音文件出错!")});
        QCOMPARE(w.messages->shown[0].caption, S("错误"));
        QVERIFY(buttonsStillRecording); // restored after the message
        QVERIFY(w.Button1->isEnabled() && !w.Button2->isEnabled());
        if (failing == S("save"))
            QCOMPARE(readAll(recording), waveHeader(1, 8, 11025)); // the old file is intact
    }

    void playAndCompare()
    {
        Window w(errors);
        w.Button3->click();
        QCOMPARE(*w.played, QStringList{recording});
        w.Button4->click();
        QCOMPARE(w.speech->spoken, QStringList{QString()});
        w.Memo1->setFocus();
        QTest::keyClicks(w.Memo1, S("Read this."));
        QTest::keyClick(w.Memo1, Qt::Key_Return);
        QTest::keyClicks(w.Memo1, S("And this."));
        w.Button4->click();
        QCOMPARE(w.speech->spoken.last(), S("Read this.\r\nAnd this."));
        // Playback and comparison work while recording.
        w.Button1->click();
        w.Button3->click();
        w.Button4->click();
        QCOMPARE(w.played->size(), 2);
        QCOMPARE(w.speech->spoken.size(), 3);
    }

    void listeningFollowsTheRecording_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("calls"); // all made before the message box
        const QStringList begun{S("begin Read this.")};
        QTest::newRow("recorded") << true << QString() << begun + QStringList{S("finish Read this, please.")};
        QTest::newRow("录音 fails: nothing begun") << true << S("open") << QStringList();
        QTest::newRow("停止 fails") << true << S("stop") << begun + QStringList{S("cancel")};
        QTest::newRow("no listener") << false << QString() << QStringList();
    }
    void listeningFollowsTheRecording()
    {
        QFETCH(bool, listening);
        QFETCH(QString, failing);
        QFETCH(QStringList, calls);
        Window w(
            errors, [](RecordingSpeechBackend &) {}, listening);
        const auto listener = listening ? w.listener : std::make_shared<ListenerDouble::Script>();
        w.Memo1->setPlainText(S("Read this."));
        w.capture->openResult = failing == S("open") ? ErrNoInputDevice : ErrNone;
        w.Button1->click();
        w.capture->feedTap(QList<qint16>(160, 1000), 16000);
        w.Memo1->setPlainText(S("Read this, please.")); // typed while recording
        w.capture->stopResult = failing == S("stop") ? ErrStop : ErrNone;
        QStringList callsInTheBox;
        w.messages->whileOpen = [&] { callsInTheBox = listener->calls; };
        w.Button2->click();
        QCOMPARE(listener->calls, calls);
        QCOMPARE(callsInTheBox, calls);
        QCOMPARE(listener->fed, calls.isEmpty() ? 0 : 160);
        QCOMPARE(listener->rate, calls.isEmpty() ? 0u : 16000u);
    }

    void marksAfterTheRecording_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("heard");    // per word: Heard, Missed, Unscored; none: the analysis failed
        QTest::addColumn<bool>("editedFirst"); // the text edited between 停止 and the result
        QTest::addColumn<QStringList>("underlined");
        QTest::addColumn<QString>("summary"); // the hint's second line
        QTest::newRow("two words not heard")
            << S("I like the weather, thorough and warm.") << S("HHHMMHH") << false
            << QStringList{S("weather"), S("thorough")} << S("Heard 5/7 words. Not heard: weather, thorough");
        QTest::newRow("all heard") << S("Good morning.") << S("HH") << false << QStringList()
                                   << S("Heard 2/2 words.");
        QTest::newRow("an unscored word, a second line")
            << S("Xiaoming reads\nwell.") << S("UHM") << false << QStringList{S("well")}
            << S("Heard 1/2 words. Not heard: well");
        QTest::newRow("half not heard")
            << S("one two three four") << S("MHMH") << false << QStringList{S("one"), S("three")}
            << S("Heard 2/4 words. Not heard: one, three");
        QTest::newRow("more than half not heard: no underline")
            << S("one two three") << S("MMH") << false << QStringList()
            << S("The recording was not clear: too quiet, or no speech.");
        QTest::newRow("no result") << S("Good morning.") << QString() << false << QStringList() << QString();
        QTest::newRow("edited after 停止: dropped")
            << S("Good morning.") << S("HM") << true << QStringList() << QString();
    }
    void marksAfterTheRecording()
    {
        QFETCH(QString, text);
        QFETCH(QString, heard);
        QFETCH(bool, editedFirst);
        QFETCH(QStringList, underlined);
        QFETCH(QString, summary);
        const QString hint =
            S("输入英文内容") + (summary.isEmpty() ? QString() : QLatin1Char('\n') + summary);
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        w.showPage(w.TabSheet2);
        w.Memo1->setPlainText(text);
        w->Memo1MouseMove();
        QTextCursor cursor = w.Memo1->textCursor();
        cursor.setPosition(3);
        w.Memo1->setTextCursor(cursor);
        AccessibleEvents::clear();
        for (int round = 0; round < 2; ++round) {
            // 录音 clears the marks of the round before; the result comes while the message box is open.
            w.Button1->click();
            QVERIFY(wavyWords(w.Memo1).isEmpty());
            QCOMPARE(w.Memo1->toolTip(), S("输入英文内容"));
            w.messages->whileOpen = [&] {
                if (editedFirst)
                    w.Memo1->insertPlainText(S("!"));
                w.listener->deliver(readingCheck(text, heard));
            };
            w.Button2->click();
            QCOMPARE(wavyWords(w.Memo1), underlined);
            QCOMPARE(w.Memo1->toolTip(), hint);
            QCOMPARE(w.Memo1->whatsThis(), hint);
            QCOMPARE(w.Memo1->accessibleDescription(), summary);
        }
        // The keyboard's way to the hint.
        QTest::keyClick(w.Memo1, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QApplication::activePopupWidget() &&
                QApplication::activePopupWidget()->inherits("QWhatsThat"));
        QWhatsThis::hideText();
        const QStringList told = summary.isEmpty() ? QStringList() : QStringList{summary, summary};
        QCOMPARE(AccessibleEvents::notifications(), told);
        if (!editedFirst) {
            QCOMPARE(w.Memo1->toPlainText(), text);
            QCOMPARE(w.Memo1->textCursor().position(), 3);
            QVERIFY(!w.Memo1->document()->isUndoAvailable());
        }
        // An edit clears them.
        QTest::keyClick(w.Memo1, Qt::Key_X);
        QVERIFY(wavyWords(w.Memo1).isEmpty());
        QCOMPARE(w.Memo1->toolTip(), S("输入英文内容"));
        QCOMPARE(w.Memo1->whatsThis(), S("输入英文内容"));
        QVERIFY(w.Memo1->accessibleDescription().isEmpty());
    }

private:
    RecordingMessageBoxes errors;
    QString recording;
};

QTEST_MAIN(TestReadPage)
#include "tst_readpage.moc"
