// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell: path mapping, the error box and the timer semantics.
#include "base/errors.h"
#include "base/ttimer.h"
#include "base/winpath.h"
#include "controls/application.h"
#include "controls/errorbox.h"
#include "support/messagedouble.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace {

class Thrower : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw AppError(QStringLiteral("Boom from an event"));
        if (event->type() == QEvent::Type(QEvent::User + 1))
            throw Abort();
        return QObject::event(event);
    }
};

} // namespace

class TestShell : public QObject
{
    Q_OBJECT
public:
    // The recorder behind the application's error box, and that box.
    TestShell(RecordingMessageBoxes &boxes, ErrorBox &errorBox)
        : boxes(boxes)
        , errorBox(errorBox)
    {}

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Data directories of this test's own, so that no lesson file installed
        // on the machine or left by another test takes part.
        QVERIFY(home.isValid() && systemData.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_DIRS",
                QFile::encodeName(systemData.filePath(QStringLiteral("one")) + QLatin1Char(':') +
                                  systemData.filePath(QStringLiteral("two"))));
    }
    void init() { boxes = RecordingMessageBoxes(); }

    void localPath_data()
    {
        QTest::addColumn<QString>("windowsPath");
        QTest::addColumn<QString>("expected");
        const QString share =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/daro"));
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QTest::newRow("lesson file") << QString::fromUtf16(kLessonFileWindowsPath)
                                     << share + QStringLiteral("/Daruradazi.mdb");
        QTest::newRow("recording") << QString::fromUtf16(kRecordingWindowsPath)
                                   << data + QStringLiteral("/Temp.wav");
        QTest::newRow("drive and folder without case")
            << QStringLiteral("e:\\DARO\\Daruradazi.mdb") << share + QStringLiteral("/Daruradazi.mdb");
        QTest::newRow("file name keeps its case")
            << QStringLiteral("C:\\Windows\\temp.WAV") << data + QStringLiteral("/temp.WAV");
        QTest::newRow("subfolder") << QStringLiteral("E:\\daro\\sub\\x.mdb") << QString();
        QTest::newRow("way out") << QStringLiteral("c:\\windows\\..") << QString();
        QTest::newRow("slash inside") << QStringLiteral("c:\\windows\\a/../../etc") << QString();
        QTest::newRow("folder only") << QStringLiteral("E:\\daro\\") << QString();
        QTest::newRow("other drive") << QStringLiteral("D:\\daro\\Daruradazi.mdb") << QString();
    }
    void localPath()
    {
        QFETCH(QString, windowsPath);
        QFETCH(QString, expected);
        QCOMPARE(::localPath(windowsPath), expected);
    }

    // The lesson file is taken from the first data directory that holds it as a
    // file: the user's, then the system's in order, then beside the executable.
    void lessonFileLookup_data()
    {
        QTest::addColumn<QStringList>("holders");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("userHasFolder");
        QTest::newRow("learner's own first")
            << QStringList{S("user"), S("one"), S("two")} << S("user") << false;
        QTest::newRow("system dirs in order") << QStringList{S("one"), S("two")} << S("one") << false;
        QTest::newRow("second system dir") << QStringList{S("two")} << S("two") << false;
        QTest::newRow("beside the executable") << QStringList{} << S("beside") << false;
        QTest::newRow("a folder of that name is passed over") << QStringList{S("two")} << S("two") << true;
    }
    void lessonFileLookup()
    {
        QFETCH(QStringList, holders);
        QFETCH(QString, expected);
        QFETCH(bool, userHasFolder);
        const QString name = S("Daruradazi.mdb");
        const QMap<QString, QString> dirs = {
            {S("user"), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)},
            {S("one"), systemData.filePath(S("one/daro"))},
            {S("two"), systemData.filePath(S("two/daro"))},
            {S("beside"), lessonDataDir()}};
        QVERIFY(dirs[S("user")].startsWith(home.path()));
        auto cleanUp = qScopeGuard([&] {
            for (const QString &holder : {S("user"), S("one"), S("two")})
                QDir(dirs[holder]).removeRecursively();
        });
        for (const QString &holder : holders) {
            QVERIFY(QDir().mkpath(dirs[holder]));
            QFile file(dirs[holder] + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (userHasFolder)
            QVERIFY(QDir().mkpath(dirs[S("user")] + QLatin1Char('/') + name));

        QCOMPARE(::localPath(QString::fromUtf16(kLessonFileWindowsPath)),
                 dirs[expected] + QLatin1Char('/') + name);
        // The recording stays in the user's directory whatever the data directories hold.
        QCOMPARE(::localPath(QString::fromUtf16(kRecordingWindowsPath)),
                 QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + S("/Temp.wav"));
    }

    void recordingInTheUsersOwnData()
    {
        // Under the learner's home, never a shared temporary folder.
        const QString path = ::localPath(QString::fromUtf16(kRecordingWindowsPath));
        QVERIFY2(path.startsWith(home.path() + QLatin1Char('/')), qPrintable(path));
        QVERIFY(path.contains(QStringLiteral("daro")));
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << QStringLiteral("File not found") << QStringLiteral("File not found.");
        QTest::newRow("full stop") << QStringLiteral("Done.") << QStringLiteral("Done.");
        QTest::newRow("exclamation sorts before") << QStringLiteral("Stop!") << QStringLiteral("Stop!");
        QTest::newRow("quote sorts before") << QStringLiteral("file 'x'") << QStringLiteral("file 'x'");
        QTest::newRow("slash sorts after") << QStringLiteral("dir/") << QStringLiteral("dir/.");
        QTest::newRow("digit") << QStringLiteral("code 7") << QStringLiteral("code 7.");
        QTest::newRow("Chinese") << QStringLiteral("文件不存在") << QStringLiteral("文件不存在.");
        QTest::newRow("ideographic full stop")
            << QStringLiteral("找不到文件。") << QStringLiteral("找不到文件。");
        QTest::newRow("empty") << QString() << QString();
    }
    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(::errorBoxText(message), shown);
    }

    void handlerErrorsGoToTheBox()
    {
        bool after = false;
        errorBox.run([&] {
            throw AppError(QStringLiteral("Cannot open"));
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Cannot open."));
        QCOMPARE(boxes.shown[0].caption, QStringLiteral("daro"));
        QCOMPARE(boxes.shown[0].icon, MessageBoxes::Icon::Error);

        errorBox.run([] { throw std::runtime_error("plain failure"); });
        QCOMPARE(boxes.texts().last(), QStringLiteral("plain failure."));
    }

    void silentAbortShowsNothing()
    {
        int steps = 0;
        errorBox.run([&] {
            ++steps;
            throw Abort();
        });
        QCOMPARE(steps, 1);
        QVERIFY(boxes.shown.isEmpty());
    }

    void noErrorBoxOnTopOfAnother()
    {
        // Ticks keep arriving while the box is open; their errors must not stack boxes.
        boxes.whileOpen = [this] {
            for (int i = 0; i < 5; ++i)
                errorBox.run([] { throw AppError(QStringLiteral("again")); });
        };
        errorBox.run([] { throw AppError(QStringLiteral("first")); });
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("first.")});
        // Once it is closed the next error shows again.
        errorBox.run([] { throw AppError(QStringLiteral("later")); });
        QCOMPARE(boxes.texts().last(), QStringLiteral("later."));
    }

    // The real box sits over the program's window even when another program is
    // in front: a box without an owner can open out of sight, and while it is
    // open the window drops every close request.
    void errorBoxSitsOverTheProgramsWindow()
    {
        QMainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QDialog dialog(&window);
        ErrorBox real;
        for (const bool dialogOpen : {false, true}) {
            if (dialogOpen) {
                dialog.setModal(true);
                dialog.show();
            }
            QApplication::setActiveWindow(nullptr);
            QWidget *owner = nullptr;
            bool shown = false;
            QTimer::singleShot(0, &window, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                shown = box != nullptr;
                if (box) {
                    owner = box->parentWidget();
                    box->accept();
                }
            });
            real.run([] { throw AppError(QStringLiteral("Cannot open")); });
            QVERIFY(shown);
            QCOMPARE(owner, dialogOpen ? static_cast<QWidget *>(&dialog) : &window);
        }
    }

    void escapedEventErrorsAreShownAndTheLoopGoesOn()
    {
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents(&thrower);
        QCOMPARE(boxes.texts(),
                 (QStringList{QStringLiteral("Boom from an event."), QStringLiteral("Boom from an event.")}));
    }

    void timerEnablingAnEnabledTimerKeepsItsPeriod()
    {
        TTimer timer;
        timer.setEnabled(false);
        timer.setInterval(3000);
        QVERIFY(!timer.isCounting());
        timer.setEnabled(true);
        QVERIFY(timer.isCounting());
        QTest::qWait(300);
        const int left = timer.remainingTime();
        QVERIFY2(left <= 2800, qPrintable(QString::number(left)));
        timer.setEnabled(true);
        QVERIFY(timer.remainingTime() <= left);
        timer.setInterval(3000);
        QVERIFY(timer.remainingTime() <= left);
    }

    void timerNewIntervalRestartsTheCountdown()
    {
        TTimer timer;
        timer.setInterval(3000);
        timer.setEnabled(true);
        QTest::qWait(300);
        QVERIFY(timer.remainingTime() <= 2800);
        timer.setInterval(4000);
        QVERIFY(timer.remainingTime() > 3000);
        QCOMPARE(timer.Interval(), 4000);
    }

    void timerIntervalWhileDisabledTakesEffectAtTheNextStart()
    {
        TTimer timer;
        timer.setEnabled(false);
        timer.setInterval(6000);
        QVERIFY(!timer.isCounting());
        timer.setEnabled(true);
        QVERIFY(timer.remainingTime() > 5000);
    }

    void timerIntervalZeroStopsTicksButStaysEnabled()
    {
        TTimer timer;
        timer.setInterval(20);
        timer.setEnabled(true);
        QSignalSpy ticks(&timer, &TTimer::timeout);
        QVERIFY(ticks.wait(2000));
        timer.setInterval(0);
        QVERIFY(timer.Enabled());
        QVERIFY(!timer.isCounting());
        ticks.clear();
        QTest::qWait(100);
        QCOMPARE(ticks.size(), 0);
        timer.setInterval(20);
        QVERIFY(ticks.wait(2000));
    }

private:
    static QString S(const char *text) { return QString::fromUtf8(text); }

    RecordingMessageBoxes &boxes;
    ErrorBox &errorBox;
    QTemporaryDir home{QCoreApplication::applicationDirPath() + QStringLiteral("/tst_shell-home-XXXXXX")};
    QTemporaryDir systemData;
};

int main(int argc, char *argv[])
{
    RecordingMessageBoxes boxes;
    ErrorBox errorBox(boxes);
    TApplication app(argc, argv, errorBox);
    TApplication::setApplicationName(QStringLiteral("daro"));
    TestShell test(boxes, errorBox);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shell.moc"
