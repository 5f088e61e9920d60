// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/application.h"
#include "controls/linkopener.h"
#include "lessons/tadodataset.h"
#include "support/capturedouble.h"
#include "support/messagedouble.h"
#include "support/playerdouble.h"
#include "support/speechdouble.h"
#include "wnMain/services.h"
#include "wnMain/tfmmain.h"

#include <QTreeWidgetItem>

#include <memory>

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

// The main window over the test lesson file, with doubles for every platform service.
struct Window
{
    RecordingSpeechBackend *speech = nullptr;
    RecordingMessageBoxes *messages = nullptr;
    RecordingLinkOpener *links = nullptr;
    std::shared_ptr<CaptureDouble::Script> capture;
    std::shared_ptr<QStringList> played;
    // Declared before the window, so that it outlives it.
    ErrorBoxScope errorBox;
    std::unique_ptr<TfmMain> fm;

    template <typename Configure>
    explicit Window(RecordingMessageBoxes &errors, Configure configure)
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
        auto captureDouble = std::make_unique<CaptureDouble>();
        auto playerDouble = std::make_unique<PlayerDouble>();
        capture = captureDouble->script;
        played = playerDouble->played;
        services.capture = std::move(captureDouble);
        services.player = std::move(playerDouble);
        fm = std::make_unique<TfmMain>(std::move(services));
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
            const int count = found ? found->childCount() : fm->TreeView1->topLevelItemCount();
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; i < count && !next; ++i) {
                QTreeWidgetItem *child = found ? found->child(i) : fm->TreeView1->topLevelItem(i);
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
    void clickTree(const QStringList &path) const
    {
        QTreeWidgetItem *item = node(path);
        Q_ASSERT(item);
        fm->TreeView1->setCurrentItem(item);
        runHandler([this] { fm->TreeView1Click(); });
    }

    void chooseMenu(const char *name) const { fm->lessonAction(name)->trigger(); }
    void showPage(QWidget *page) const { fm->PageControl1->setCurrentWidget(page); }
};
