// SPDX-License-Identifier: GPL-3.0-or-later
// The Read page: recording into the per-user wave file, replay and comparison.
#include "fmmainfixture.h"

#include "base/winpath.h"
#include "recorder/createwav.h"
#include "recorder/recordererror.h"
#include "recorder/waverecorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

private:
    RecordingMessageBoxes errors;
    QString recording;
};

QTEST_MAIN(TestReadPage)
#include "tst_readpage.moc"
