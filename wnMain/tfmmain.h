// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wnMain/services.h"

#include <QMainWindow>

#include <memory>

namespace Ui {
class TfmMain;
}
class QAction;
class TADODataSet;
class TDBMemo;
class TDataSource;
class TTimer;
class SpeechEngine;
class WaveRecorder;
class TForm1;
class TForm3;
class TNotice;
class ReadingListener;
struct ReadingCheck;
class ErrorBox;
struct CatalogueEntry;
struct LessonChoice;
enum class StudyPage;

// The main window: the toolbar, the three study pages, the lesson tree and the menu.
class TfmMain : public QMainWindow
{
    Q_OBJECT
public:
    // What ADODataSet1 opens on at start-up, so that it can be answered ahead.
    static QString dataSet1CommandText();
    explicit TfmMain(Services services, QWidget *parent = nullptr);
    ~TfmMain() override;

    // The help and about dialogs, created by the application after this window.
    void setDialogs(TForm1 *help, TForm3 *about);

    // Non-visual components, under their design names.
    TDataSource *DataSource1 = nullptr;
    TDataSource *DataSource2 = nullptr;
    TDataSource *DataSource3 = nullptr;
    TADODataSet *ADODataSet1 = nullptr;
    TADODataSet *ADODataSet2 = nullptr;
    TADODataSet *ADODataSet3 = nullptr;
    TTimer *Timer1 = nullptr;
    TTimer *Timer2 = nullptr;
    TTimer *Timer3 = nullptr;
    WaveRecorder *MediaPlayer1 = nullptr;

    // The controls are reached by their design names through findChild; the
    // lesson item of a catalogue entry, by its menu name.
    QAction *lessonAction(const char *menuItem) const;

    // Event handlers. Called directly they raise; through the controls'
    // signals an escaping error goes to the error box.
    void FormCreate();
    void N8Click();
    void Image8Click();
    // Chrome
    void N14Click();
    void N15Click();
    void N16Click();
    void N44Click();
    void N11Click();
    void Image5Click();
    void N12Click();
    void Image6Click();
    void N13Click();
    void Image7Click();
    void Image5MouseMove();
    void Image6MouseMove();
    void Image7MouseMove();
    void Image8MouseMove();
    // Catalogue
    void TreeView1Click();
    void lessonMenuClick(const CatalogueEntry &entry);
    void PageControl1Change();
    // Listening
    void Timer1Timer();
    void Timer3Timer();
    void N18Click();
    void N19Click();
    void N20Click();
    void N310Click();
    void N45Click();
    void N51Click();
    void N61Click();
    void DBMemo1MouseMove();
    void DBMemo2MouseMove();
    // Read aloud
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Memo1Change();
    void Memo1MouseMove();
    // Dictation
    void Timer2Timer();
    void Button8Click();
    void Button6Click();
    void Button7Click();
    void DBMemo3MouseMove();
    void DBMemo4MouseMove();
    void Memo2MouseMove();

    void CreateWav(quint16 channels, quint16 bits, qint32 rate, const QString &fileName);
    SpeechEngine &speech() const { return *m_speech; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    template <typename Sender, typename Signal>
    void handle(Sender *sender, Signal signal, void (TfmMain::*handler)(),
                Qt::ConnectionType type = Qt::AutoConnection);
    template <typename Sender, typename Signal>
    void handleLater(Sender *sender, Signal signal, void (TfmMain::*handler)());

    void applyDesignLooks();
    void createComponents();
    void buildCatalogue();
    void connectHandlers();
    void connectKeys();
    void openDataSets();
    void setSkin(int index);
    StudyPage currentPage() const;
    void applyLessonChoice(const LessonChoice &choice);
    void showCourse(bool listeningCourse);
    void showPair(TDBMemo *english, TDBMemo *chinese, TDBMemo *otherEnglish, TDBMemo *otherChinese,
                  QAction *mode);
    void setDisplayMode(QAction *mode);
    void announceSentence(const TDBMemo *english, const TDBMemo *chinese);
    void setRecording(bool recording);
    void startListening();
    void finishListening();
    void cancelListening();
    void showReadingCheck(const ReadingCheck &check);
    void clearReadingMarks();
    void showReadingSummary();
    QString memo1Hint() const;
    void turnPage(int step);
    void setInterval(int msec, QAction *checked);
    void openLink(const QUrl &url);

    std::unique_ptr<Ui::TfmMain> ui;
    Services m_services;
    // The error box when the services bring none.
    std::unique_ptr<ErrorBox> m_ownErrors;
    std::unique_ptr<SpeechEngine> m_speech;
    TForm1 *Form1 = nullptr;
    TForm3 *Form3 = nullptr;
    // Tells a screen reader each new pair of sentences on the Listen page; shows nothing.
    TNotice *m_sentenceNotice = nullptr;
    // The Services' listener, shared with the capture's tap so that it outlives
    // any sound still on its way.
    std::shared_ptr<ReadingListener> m_listener;
    // Begun, and not yet finished or cancelled.
    bool m_listening = false;
    // Counts Memo1's edits: a result for a text edited since 停止 is dropped.
    int m_memo1Edits = 0;
    // The reading's summary while its marks show in Memo1; empty: no marks.
    QString m_readingSummary;
    // Tells a screen reader the summary as the marks appear; shows nothing.
    TNotice *m_readingNotice = nullptr;
    bool m_centred = false;
};
