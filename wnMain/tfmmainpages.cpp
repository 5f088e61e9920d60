// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's handlers of the three study pages: listening, reading
// aloud and dictation. The window itself is built in tfmmain.cpp.
#include "ui_tfmmain.h"
#include "wnMain/tfmmain.h"

#include "Speech/speechengine.h"
#include "base/ttimer.h"
#include "base/winpath.h"
#include "controls/messageboxes.h"
#include "controls/tnotice.h"
#include "lessons/tadodataset.h"
#include "pronunciation/readinglistener.h"
#include "recorder/createwav.h"
#include "recorder/soundplayer.h"
#include "recorder/waverecorder.h"

namespace {

QString recordingPath()
{
    return localPath(QString::fromUtf16(kRecordingWindowsPath));
}

// The recorder's failures that only show in LastError end the stop sequence
// the same way a raised error does.
struct RecorderFailure
{};

} // namespace

// ---- Listening

void TfmMain::Timer1Timer()
{
    ADODataSet1->Next();
    announceSentence(ui->DBMemo1, ui->DBMemo2);
    m_speech->Speak(ui->DBMemo1->Text());
}

void TfmMain::Timer3Timer()
{
    ADODataSet3->Next();
    announceSentence(ui->DBMemo5, ui->DBMemo6);
    m_speech->Speak(ui->DBMemo5->Text());
}

// A screen reader does not read out text that changes in boxes without the
// focus, so the pair the page shows now is told through the notice as well.
void TfmMain::announceSentence(const TDBMemo *english, const TDBMemo *chinese)
{
    QStringList shown;
    for (const TDBMemo *box : {english, chinese})
        if (!box->isHidden() && !box->Text().isEmpty())
            shown << box->Text();
    if (!shown.isEmpty())
        m_sentenceNotice->announce(shown.join(QLatin1Char('\n')));
}

// Shows a course's pair of boxes the way a display command asks; a box that
// the command hides keeps its position.
void TfmMain::showPair(TDBMemo *english, TDBMemo *chinese, TDBMemo *otherEnglish, TDBMemo *otherChinese,
                       QAction *mode)
{
    english->setVisible(mode != ui->N20);
    chinese->setVisible(mode != ui->N19);
    otherEnglish->setVisible(false);
    otherChinese->setVisible(false);
    if (mode == ui->N18) {
        english->move(english->x(), 24);
        chinese->move(chinese->x(), 112);
    } else if (mode == ui->N19) {
        english->move(english->x(), 60);
    } else {
        chinese->move(chinese->x(), 60);
    }
}

void TfmMain::setDisplayMode(QAction *mode)
{
    ui->N18->setChecked(mode == ui->N18);
    ui->N19->setChecked(mode == ui->N19);
    ui->N20->setChecked(mode == ui->N20);
    if (Timer1->Enabled())
        showPair(ui->DBMemo1, ui->DBMemo2, ui->DBMemo5, ui->DBMemo6, mode);
    if (Timer3->Enabled())
        showPair(ui->DBMemo5, ui->DBMemo6, ui->DBMemo1, ui->DBMemo2, mode);
}

void TfmMain::N18Click()
{
    setDisplayMode(ui->N18);
}

void TfmMain::N19Click()
{
    setDisplayMode(ui->N19);
}

void TfmMain::N20Click()
{
    setDisplayMode(ui->N20);
}

void TfmMain::setInterval(int msec, QAction *checked)
{
    Timer1->setInterval(msec);
    Timer3->setInterval(msec);
    ui->N310->setChecked(checked == ui->N310);
    ui->N45->setChecked(checked == ui->N45);
    ui->N51->setChecked(checked == ui->N51);
    ui->N61->setChecked(checked == ui->N61);
}

void TfmMain::N310Click()
{
    setInterval(3000, ui->N310);
}

void TfmMain::N45Click()
{
    setInterval(4000, ui->N45);
}

void TfmMain::N51Click()
{
    setInterval(5000, ui->N51);
}

void TfmMain::N61Click()
{
    setInterval(6000, ui->N61);
}

void TfmMain::DBMemo1MouseMove()
{
    ui->DBMemo1->setShowHint(true);
    ui->DBMemo1->setHint(Timer1->Enabled() ? QStringLiteral("英文显示") : QStringLiteral("请选择学习章节"));
}

void TfmMain::DBMemo2MouseMove()
{
    ui->DBMemo2->setShowHint(true);
    ui->DBMemo2->setHint(Timer1->Enabled() ? QStringLiteral("中文显示") : QStringLiteral("请选择学习章节"));
}

// ---- Read aloud

void TfmMain::CreateWav(quint16 channels, quint16 bits, qint32 rate, const QString &fileName)
{
    ::CreateWav(channels, bits, rate, fileName);
}

// Enables the button for what comes next and disables the other. The focus
// goes over first when the button being disabled held it; else Qt would pass
// it on to the next button in line (播放), away from the one to press next.
void TfmMain::setRecording(bool recording)
{
    QPushButton *next = recording ? ui->Button2 : ui->Button1;
    QPushButton *done = recording ? ui->Button1 : ui->Button2;
    next->setEnabled(true);
    if (focusWidget() == done)
        next->setFocus();
    done->setEnabled(false);
}

void TfmMain::Button1Click()
{
    try {
        const QString path = recordingPath();
        CreateWav(1, 8, 11025, path);
        MediaPlayer1->setDeviceType(TMPDeviceTypes::dtAutoSelect);
        MediaPlayer1->setFileName(path);
        MediaPlayer1->Open();
        startListening();
        MediaPlayer1->Record();
        setRecording(true);
    } catch (...) {
        cancelListening();
        setRecording(false);
        m_services.messages->show(QStringLiteral("媒体设备初始化失败！"), QStringLiteral("错误"),
                                  MessageBoxes::Icon::Error);
    }
}

void TfmMain::Button2Click()
{
    try {
        MediaPlayer1->Stop();
        if (MediaPlayer1->LastError() != 0)
            throw RecorderFailure();
        MediaPlayer1->Save();
        if (MediaPlayer1->LastError() != 0)
            throw RecorderFailure();
        MediaPlayer1->Close();
        if (MediaPlayer1->LastError() != 0)
            throw RecorderFailure();
        // Before the box, so that the marks can come while it is open.
        finishListening();
        m_services.messages->show(QStringLiteral("声音录制完毕!"), QStringLiteral("信息"),
                                  MessageBoxes::Icon::Information);
        setRecording(false);
    } catch (...) {
        cancelListening();
        m_services.messages->show(QStringLiteral("保存声音文件出错!"), QStringLiteral("错误"),
                                  MessageBoxes::Icon::Error);
        setRecording(false);
    }
}

void TfmMain::Button3Click()
{
    if (m_services.player)
        m_services.player->play(recordingPath());
}

void TfmMain::Button4Click()
{
    m_speech->Speak(ui->Memo1->Text());
}

void TfmMain::Memo1Change()
{
    ++m_memo1Edits;
    clearReadingMarks();
}

void TfmMain::Memo1MouseMove()
{
    ui->Memo1->setShowHint(true);
    ui->Memo1->setHint(memo1Hint());
}

// ---- Listening to the learner's reading

// The recording's sound goes to the listener as it is captured. The plain
// text's positions are the document's, so the marks land on the words.
void TfmMain::startListening()
{
    clearReadingMarks();
    if (!m_listener)
        return;
    m_listener->begin(ui->Memo1->toPlainText());
    m_listening = true;
    MediaPlayer1->setSampleTap([listener = m_listener](const qint16 *samples, qsizetype count, quint32 rate) {
        listener->feed(samples, count, rate);
    });
}

// The text as it is now is checked, typed during the recording or not.
void TfmMain::finishListening()
{
    if (!m_listening)
        return;
    m_listening = false;
    MediaPlayer1->setSampleTap({});
    m_listener->finish(ui->Memo1->toPlainText(), this,
                       [this, edits = m_memo1Edits](const ReadingCheck &check) {
                           // Edited since, the text has other words where the marks would go.
                           if (edits == m_memo1Edits)
                               showReadingCheck(check);
                       });
}

void TfmMain::cancelListening()
{
    if (!m_listening)
        return;
    m_listening = false;
    MediaPlayer1->setSampleTap({});
    m_listener->cancel();
}

// A wavy underline on each word not heard, and a summary with the hint. With
// more than half of the words not heard, the recording itself is the likelier
// fault: no underlines then, only the summary saying so. No result, nothing.
void TfmMain::showReadingCheck(const ReadingCheck &check)
{
    if (!check.ok)
        return;
    QTextCharFormat wavy;
    wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    wavy.setUnderlineColor(Qt::red);
    const int end = ui->Memo1->document()->characterCount() - 1;
    QList<QTextEdit::ExtraSelection> marks;
    QStringList missed;
    int scored = 0;
    for (const HeardWord &word : check.words) {
        if (word.heard == WordHeard::Unscored)
            continue;
        ++scored;
        if (word.heard != WordHeard::Missed)
            continue;
        missed << word.word.text;
        if (word.word.position + word.word.length > end)
            continue;
        QTextCursor cursor(ui->Memo1->document());
        cursor.setPosition(int(word.word.position));
        cursor.setPosition(int(word.word.position + word.word.length), QTextCursor::KeepAnchor);
        marks.append({cursor, wavy});
    }
    if (scored == 0)
        return;
    if (missed.size() * 2 > scored) {
        m_readingSummary = tr("The recording was not clear: too quiet, or no speech.");
    } else {
        ui->Memo1->setExtraSelections(marks);
        const qsizetype heard = scored - missed.size();
        m_readingSummary = missed.isEmpty() ? tr("Heard %1/%2 words.").arg(heard).arg(scored)
                                            : tr("Heard %1/%2 words. Not heard: %3")
                                                  .arg(heard)
                                                  .arg(scored)
                                                  .arg(missed.join(QLatin1String(", ")));
    }
    showReadingSummary();
}

void TfmMain::clearReadingMarks()
{
    if (m_readingSummary.isEmpty())
        return;
    m_readingSummary.clear();
    ui->Memo1->setExtraSelections({});
    showReadingSummary();
}

// What the marks say reaches everyone: the hint's second line for the mouse,
// What's This for the keyboard, the description and a notice for a screen reader.
void TfmMain::showReadingSummary()
{
    ui->Memo1->setAccessibleDescription(m_readingSummary);
    ui->Memo1->setWhatsThis(memo1Hint());
    if (ui->Memo1->showHint())
        ui->Memo1->setHint(memo1Hint());
    if (m_readingSummary.isEmpty())
        m_readingNotice->setVisible(false);
    else
        m_readingNotice->announce(m_readingSummary);
}

QString TfmMain::memo1Hint() const
{
    const QString hint = QStringLiteral("输入英文内容");
    return m_readingSummary.isEmpty() ? hint : hint + QLatin1Char('\n') + m_readingSummary;
}

// ---- Dictation

void TfmMain::Timer2Timer()
{
    m_speech->Speak(ui->DBMemo3->Text());
    Timer2->setEnabled(false);
}

void TfmMain::Button8Click()
{
    const QString answer = ui->Memo2->Text();
    const bool right = answer == ui->DBMemo3->Text();
    // An empty answer shows no verdict, not even for a moment: a screen reader
    // would read out one shown and hidden again. A verdict is shown afresh,
    // so that it is read out even when it is the same as the last one.
    const bool judged = !answer.isEmpty();
    ui->Label2->setVisible(false);
    ui->Label3->setVisible(false);
    ui->Image9->setVisible(judged && right);
    ui->Image10->setVisible(judged && !right);
    if (!judged) {
        m_services.messages->show(QStringLiteral("请输入听到的内容"), QCoreApplication::applicationName(),
                                  MessageBoxes::Icon::None);
    } else {
        (right ? ui->Label2 : ui->Label3)->announce();
        Timer2->setEnabled(true);
        ADODataSet2->Next();
    }
    ui->Memo2->clear();
}

void TfmMain::Button6Click()
{
    if (ui->Button6->text() == QStringLiteral("显示中文")) {
        ui->DBMemo4->setVisible(true);
        ui->Button6->setText(QStringLiteral("隐藏中文"));
    } else if (ui->Button6->text() == QStringLiteral("隐藏中文")) {
        ui->DBMemo4->setVisible(false);
        ui->Button6->setText(QStringLiteral("显示中文"));
    }
}

void TfmMain::Button7Click()
{
    if (ui->Button7->text() == QStringLiteral("查看结果")) {
        ui->DBMemo3->setVisible(true);
        ui->Button7->setText(QStringLiteral("关闭结果"));
    } else if (ui->Button7->text() == QStringLiteral("关闭结果")) {
        ui->DBMemo3->setVisible(false);
        ui->Button7->setText(QStringLiteral("查看结果"));
    }
}

void TfmMain::DBMemo3MouseMove()
{
    ui->DBMemo3->setShowHint(true);
    ui->DBMemo3->setHint(QStringLiteral("显示结果"));
}

void TfmMain::DBMemo4MouseMove()
{
    ui->DBMemo4->setShowHint(true);
    ui->DBMemo4->setHint(QStringLiteral("显示中文"));
}

void TfmMain::Memo2MouseMove()
{
    ui->Memo2->setShowHint(true);
    ui->Memo2->setHint(QStringLiteral("输入听到单词或语句！"));
}
