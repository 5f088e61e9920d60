// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/errorbox.h"
#include "controls/fonts.h"
#include "controls/linkopener.h"
#include "lessons/tadodataset.h"
#include "support/capturedouble.h"
#include "support/listenerdouble.h"
#include "support/messagedouble.h"
#include "support/playerdouble.h"
#include "support/speechdouble.h"
#include "wnMain/services.h"
#include "wnMain/tfmmain.h"

#include "base/winpath.h"
#include "controls/tdbedit.h"
#include "controls/tdbmemo.h"
#include "controls/timage.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

inline QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Tree paths of the lessons the tests choose.
inline const QStringList kListen1a{QStringLiteral("热点听力"), QStringLiteral("第一章"),
                                   QStringLiteral("第一节")};
inline const QStringList kListen1b{QStringLiteral("热点听力"), QStringLiteral("第一章"),
                                   QStringLiteral("第二节")};
inline const QStringList kListen2a{QStringLiteral("热点听力"), QStringLiteral("第二章"),
                                   QStringLiteral("第一节 ")};
inline const QStringList kBook1Unit1{QStringLiteral("精读句型"), QStringLiteral("第一册"),
                                     QStringLiteral("unit1")};
inline const QStringList kBook2Unit1{QStringLiteral("精读句型"), QStringLiteral("第二册"),
                                     QStringLiteral("unit1 ")};
inline const QStringList kBook5Unit6{QStringLiteral("精读句型"), QStringLiteral("第五册"),
                                     QStringLiteral("unit6    ")};
inline const QStringList kClassic{QStringLiteral("经典语句")};

// What every window test sets up first: test paths, the program's name and
// fonts, and data directories of the test's own, so that the lesson file is
// looked up there first and one installed on the machine cannot stand in for
// the fixture. Returns the path the lesson file is found at.
inline QString prepareWindowTests(const QTemporaryDir &home)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("daro"));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    registerFontSubstitutions();
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(home.filePath(QStringLiteral("system"))));
    return localPath(QString::fromUtf16(kLessonFileWindowsPath));
}

// Remembers the addresses it was given; can be told the desktop refused them.
class RecordingLinkOpener : public LinkOpener
{
public:
    QList<QUrl> opened;
    bool accept = true;
    bool open(const QUrl &url) override
    {
        opened << url;
        return accept;
    }
};

// A window's control under its design name, found by name as a test script
// or a screen reader finds it. A missing name ends the test run.
template <typename T> T *findControl(const QObject *window, const char *name)
{
    T *control = window->findChild<T *>(QLatin1String(name));
    if (!control)
        qFatal("The window has no %s named %s", T::staticMetaObject.className(), name);
    return control;
}

// The main window's controls under their design names.
struct Controls
{
    explicit Controls(QObject *window = nullptr)
        : window(window)
    {}

    template <typename T> T *find(const char *name) const
    {
        return window ? findControl<T>(window, name) : nullptr;
    }

    QObject *window;
    QMenu *N1 = find<QMenu>("N1");
    QAction *N7 = find<QAction>("N7");
    QAction *N8 = find<QAction>("N8");
    QAction *N11 = find<QAction>("N11");
    QAction *N12 = find<QAction>("N12");
    QAction *N13 = find<QAction>("N13");
    QAction *N14 = find<QAction>("N14");
    QAction *N15 = find<QAction>("N15");
    QAction *N16 = find<QAction>("N16");
    QAction *N18 = find<QAction>("N18");
    QAction *N19 = find<QAction>("N19");
    QAction *N20 = find<QAction>("N20");
    QAction *N310 = find<QAction>("N310");
    QAction *N44 = find<QAction>("N44");
    QAction *N45 = find<QAction>("N45");
    QAction *N50 = find<QAction>("N50");
    QAction *N51 = find<QAction>("N51");
    QAction *N61 = find<QAction>("N61");
    TImage *Image1 = find<TImage>("Image1");
    TImage *Image2 = find<TImage>("Image2");
    TImage *Image3 = find<TImage>("Image3");
    TImage *Image5 = find<TImage>("Image5");
    TImage *Image6 = find<TImage>("Image6");
    TImage *Image7 = find<TImage>("Image7");
    TImage *Image8 = find<TImage>("Image8");
    QLabel *Label6 = find<QLabel>("Label6");
    QTabWidget *PageControl1 = find<QTabWidget>("PageControl1");
    QWidget *TabSheet1 = find<QWidget>("TabSheet1");
    QWidget *TabSheet2 = find<QWidget>("TabSheet2");
    QWidget *TabSheet3 = find<QWidget>("TabSheet3");
    QTreeWidget *TreeView1 = find<QTreeWidget>("TreeView1");
    // Listen page
    TDBMemo *DBMemo1 = find<TDBMemo>("DBMemo1");
    TDBMemo *DBMemo2 = find<TDBMemo>("DBMemo2");
    TDBMemo *DBMemo5 = find<TDBMemo>("DBMemo5");
    TDBMemo *DBMemo6 = find<TDBMemo>("DBMemo6");
    TDBEdit *DBEdit1 = find<TDBEdit>("DBEdit1");
    TDBEdit *DBEdit2 = find<TDBEdit>("DBEdit2");
    // Read page
    TMemo *Memo1 = find<TMemo>("Memo1");
    QPushButton *Button1 = find<QPushButton>("Button1");
    QPushButton *Button2 = find<QPushButton>("Button2");
    QPushButton *Button3 = find<QPushButton>("Button3");
    QPushButton *Button4 = find<QPushButton>("Button4");
    // Practice page
    QPushButton *Button6 = find<QPushButton>("Button6");
    QPushButton *Button7 = find<QPushButton>("Button7");
    QPushButton *Button8 = find<QPushButton>("Button8");
    QLabel *Label2 = find<QLabel>("Label2");
    QLabel *Label3 = find<QLabel>("Label3");
    TImage *Image9 = find<TImage>("Image9");
    TImage *Image10 = find<TImage>("Image10");
    TMemo *Memo2 = find<TMemo>("Memo2");
    TDBMemo *DBMemo3 = find<TDBMemo>("DBMemo3");
    TDBMemo *DBMemo4 = find<TDBMemo>("DBMemo4");
};

// The main window over the test lesson file, with doubles for every platform service.
struct Window : Controls
{
    RecordingSpeechBackend *speech = nullptr;
    RecordingMessageBoxes *messages = nullptr;
    RecordingLinkOpener *links = nullptr;
    std::shared_ptr<CaptureDouble::Script> capture;
    std::shared_ptr<ListenerDouble::Script> listener; // none when the window does not listen
    std::shared_ptr<QStringList> played;
    // The window's error box, showing into the test's recorder; declared
    // before the window, so that it outlives it.
    ErrorBox errorBox;
    std::unique_ptr<TfmMain> fm;

    template <typename Configure>
    explicit Window(RecordingMessageBoxes &errors, Configure configure, bool listening = true)
        : errorBox(errors)
    {
        Services services;
        auto speechDouble = std::make_unique<RecordingSpeechBackend>();
        auto messageDouble = std::make_unique<RecordingMessageBoxes>();
        auto linkDouble = std::make_unique<RecordingLinkOpener>();
        speech = speechDouble.get();
        messages = messageDouble.get();
        links = linkDouble.get();
        configure(*speech);
        services.speech = std::move(speechDouble);
        services.messages = std::move(messageDouble);
        services.links = std::move(linkDouble);
        services.errors = &errorBox;
        auto captureDouble = std::make_unique<CaptureDouble>();
        auto playerDouble = std::make_unique<PlayerDouble>();
        capture = captureDouble->script;
        played = playerDouble->played;
        services.capture = std::move(captureDouble);
        services.player = std::move(playerDouble);
        if (listening) {
            auto listenerDouble = std::make_unique<ListenerDouble>();
            listener = listenerDouble->script;
            services.listener = std::move(listenerDouble);
        }
        fm = std::make_unique<TfmMain>(std::move(services));
        static_cast<Controls &>(*this) = Controls(fm.get());
    }
    explicit Window(RecordingMessageBoxes &errors)
        : Window(errors, [](RecordingSpeechBackend &) {})
    {}

    TfmMain *operator->() const { return fm.get(); }

    // A tree node by its path of labels from the top.
    QTreeWidgetItem *node(const QStringList &path) const
    {
        QTreeWidgetItem *found = nullptr;
        for (const QString &label : path) {
            const int count = found ? found->childCount() : TreeView1->topLevelItemCount();
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; i < count && !next; ++i) {
                QTreeWidgetItem *child = found ? found->child(i) : TreeView1->topLevelItem(i);
                if (child->text(0) == label)
                    next = child;
            }
            if (!next)
                return nullptr;
            found = next;
        }
        return found;
    }

    // Selects a node and reports the click the way the tree does.
    void clickTree(const QStringList &path)
    {
        QTreeWidgetItem *item = node(path);
        Q_ASSERT(item);
        TreeView1->setCurrentItem(item);
        errorBox.run([this] { fm->TreeView1Click(); });
    }

    void chooseMenu(const char *name) const { fm->lessonAction(name)->trigger(); }
    void showPage(QWidget *page) const { PageControl1->setCurrentWidget(page); }
};
