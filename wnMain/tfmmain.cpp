// SPDX-License-Identifier: GPL-3.0-or-later
#include "wnMain/tfmmain.h"
#include "ui_tfmmain.h"

#include "Speech/speechengine.h"
#include "Unit1/tform1.h"
#include "Unit3/tform3.h"
#include "base/errors.h"
#include "base/ttimer.h"
#include "base/winpath.h"
#include "controls/errorbox.h"
#include "controls/fonts.h"
#include "controls/linkopener.h"
#include "controls/messageboxes.h"
#include "controls/tdatasource.h"
#include "controls/tnotice.h"
#include "lessons/catalogue.h"
#include "lessons/lessonchoice.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"
#include "pronunciation/readinglistener.h"
#include "recorder/waverecorder.h"
#include "wnMain/cataloguetree.h"

#include <QScreen>
#include <QShortcut>
#include <QTreeWidgetItem>

namespace {

// Connection strings as designed; only the first carries "User ID" and "Mode".
const QString kConnection1 = QStringLiteral(
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=E:\\daro\\Daruradazi.mdb;Mode=ReadWrite;"
    "Persist Security Info=False");
const QString kConnection23 = QStringLiteral(
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=E:\\daro\\Daruradazi.mdb;Persist Security Info=False");

} // namespace

TfmMain::TfmMain(Services services, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::TfmMain>())
    , m_services(std::move(services))
    , m_speech(std::make_unique<SpeechEngine>(std::move(m_services.speech)))
    , m_listener(std::move(m_services.listener))
{
    if (!m_services.messages)
        m_services.messages = std::make_unique<QtMessageBoxes>(this);
    else if (auto *boxes = dynamic_cast<QtMessageBoxes *>(m_services.messages.get()))
        boxes->setOwner(this);
    if (!m_services.lessons)
        m_services.lessons = std::make_shared<ReaderLessonSource>();
    if (!m_services.errors) {
        m_ownErrors = std::make_unique<ErrorBox>();
        m_services.errors = m_ownErrors.get();
    }
    ui->setupUi(this);
    applyDesignLooks();
    createComponents();
    buildCatalogue();
    connectHandlers();
    connectKeys();
    openDataSets();
    m_services.errors->run([this] { FormCreate(); });
}

TfmMain::~TfmMain()
{
    MediaPlayer1->setSampleTap({});
}

template <typename Sender, typename Signal>
void TfmMain::handle(Sender *sender, Signal signal, void (TfmMain::*handler)(), Qt::ConnectionType type)
{
    connect(
        sender, signal, this,
        [this, handler] { m_services.errors->run([this, handler] { (this->*handler)(); }); }, type);
}

// For the commands that open a modal dialog: the dialog opens once the
// command has returned, so that a screen reader that pressed the menu item
// gets its answer at once rather than when the dialog closes.
template <typename Sender, typename Signal>
void TfmMain::handleLater(Sender *sender, Signal signal, void (TfmMain::*handler)())
{
    handle(sender, signal, handler, Qt::QueuedConnection);
}

void TfmMain::setDialogs(TForm1 *help, TForm3 *about)
{
    Form1 = help;
    Form3 = about;
}

void TfmMain::applyDesignLooks()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    // The design gives its fonts in pixels; Designer holds only whole points.
    setFont(songFont(12));
    ui->Label6->setFont(songFont(19, true, true));
    ui->PageControl1->setFont(songFont(14, true));
    for (TDBMemo *memo : {ui->DBMemo1, ui->DBMemo2, ui->DBMemo5, ui->DBMemo6})
        memo->setFont(songFont(19, true));
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->Memo1, ui->Memo2, ui->Label2, ui->Label3})
        widget->setFont(songFont(14, true));
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->Label5, ui->Button6, ui->Button7, ui->Label4})
        widget->setFont(songFont(12));
    ui->Button8->setFont(songFont(12, true));
    ui->DBMemo3->setFont(songFont(14));
    ui->DBMemo4->setFont(songFont(14));
    // The slogan's size follows its text in the face that stands in for 宋体.
    ui->Label6->adjustSize();
    setFixedSize(525, 366 + ui->MainMenu1->sizeHint().height());
}

QString TfmMain::dataSet1CommandText()
{
    return QStringLiteral("select * from Razorud365");
}

void TfmMain::createComponents()
{
    ADODataSet1 = new TADODataSet(QStringLiteral("ADODataSet1"), kConnection1, dataSet1CommandText(),
                                  m_services.lessons, this);
    ADODataSet2 = new TADODataSet(QStringLiteral("ADODataSet2"), kConnection23,
                                  QStringLiteral("select * from Razorud365"), m_services.lessons, this);
    ADODataSet3 = new TADODataSet(QStringLiteral("ADODataSet3"), kConnection23,
                                  QStringLiteral("select * from Durizez900"), m_services.lessons, this);
    const QList<std::pair<TDataSource **, TADODataSet *>> sources = {
        {&DataSource1, ADODataSet1}, {&DataSource2, ADODataSet2}, {&DataSource3, ADODataSet3}};
    int n = 1;
    for (const auto &[source, dataSet] : sources) {
        *source = new TDataSource(this);
        (*source)->setObjectName(QStringLiteral("DataSource%1").arg(n++));
        (*source)->setDataSet(dataSet);
    }
    const QList<std::tuple<TDBMemo *, TDataSource *, const char *>> memos = {
        {ui->DBMemo1, DataSource1, "ENGLISH"}, {ui->DBMemo2, DataSource1, "CHINESE"},
        {ui->DBMemo3, DataSource2, "ENGLISH"}, {ui->DBMemo4, DataSource2, "CHINESE"},
        {ui->DBMemo5, DataSource3, "ENGLISH"}, {ui->DBMemo6, DataSource3, "CHINESE"}};
    for (const auto &[memo, source, field] : memos) {
        memo->setDataField(QString::fromLatin1(field));
        memo->setDataSource(source);
    }
    ui->DBEdit1->setDataField(QStringLiteral("NUMBER"));
    ui->DBEdit1->setDataSource(DataSource1);
    ui->DBEdit2->setDataField(QStringLiteral("NUMBER"));
    ui->DBEdit2->setDataSource(DataSource3);

    n = 1;
    for (TTimer **timer : {&Timer1, &Timer2, &Timer3}) {
        *timer = new TTimer(this);
        (*timer)->setObjectName(QStringLiteral("Timer%1").arg(n++));
        (*timer)->setEnabled(false);
        (*timer)->setInterval(3000);
    }

    MediaPlayer1 = new WaveRecorder(std::move(m_services.capture), ui->TabSheet2);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));

    // No size, so nothing shows; hidden until there is something to tell, and
    // as their page goes, else they would be read out again when it comes back.
    m_sentenceNotice = new TNotice(ui->Panel2);
    m_sentenceNotice->setObjectName(QStringLiteral("SentenceNotice"));
    m_readingNotice = new TNotice(ui->Panel3);
    m_readingNotice->setObjectName(QStringLiteral("ReadingNotice"));
    for (TNotice *notice : {m_sentenceNotice, m_readingNotice}) {
        notice->setGeometry(0, 0, 0, 0);
        notice->setVisible(false);
        connect(ui->PageControl1, &QTabWidget::currentChanged, notice, &QWidget::hide);
    }
    // The hint for keyboard users too, by What's This (Shift+F1).
    ui->Memo1->setWhatsThis(memo1Hint());
}

void TfmMain::buildCatalogue()
{
    // The lesson items go before the separator above "退出".
    QAction *N7 = ui->N1->actions().at(ui->N1->actions().size() - 2);
    N7->setObjectName(QStringLiteral("N7"));
    fillCatalogueTree(ui->TreeView1);
    const QList<QAction *> items = addCatalogueMenus(ui->N1, ui->N4, ui->N5, N7);
    for (int i = 0; i < items.size(); ++i) {
        const CatalogueEntry &entry = kCatalogue[i];
        connect(items[i], &QAction::triggered, this,
                [this, &entry] { m_services.errors->run([this, &entry] { lessonMenuClick(entry); }); });
    }
}

QAction *TfmMain::lessonAction(const char *menuItem) const
{
    return findChild<QAction *>(QString::fromLatin1(menuItem));
}

void TfmMain::connectHandlers()
{
    handle(ui->N8, &QAction::triggered, &TfmMain::N8Click);
    handle(ui->Image8, &TImage::clicked, &TfmMain::Image8Click);
    handle(ui->N14, &QAction::triggered, &TfmMain::N14Click);
    handle(ui->N15, &QAction::triggered, &TfmMain::N15Click);
    handle(ui->N16, &QAction::triggered, &TfmMain::N16Click);
    handleLater(ui->N44, &QAction::triggered, &TfmMain::N44Click);
    handle(ui->N11, &QAction::triggered, &TfmMain::N11Click);
    handle(ui->Image5, &TImage::clicked, &TfmMain::Image5Click);
    handle(ui->N12, &QAction::triggered, &TfmMain::N12Click);
    handle(ui->Image6, &TImage::clicked, &TfmMain::Image6Click);
    handleLater(ui->N13, &QAction::triggered, &TfmMain::N13Click);
    handle(ui->Image7, &TImage::clicked, &TfmMain::Image7Click);
    handle(ui->Image5, &TImage::mouseMoved, &TfmMain::Image5MouseMove);
    handle(ui->Image6, &TImage::mouseMoved, &TfmMain::Image6MouseMove);
    handle(ui->Image7, &TImage::mouseMoved, &TfmMain::Image7MouseMove);
    handle(ui->Image8, &TImage::mouseMoved, &TfmMain::Image8MouseMove);

    handle(ui->TreeView1, &TTreeView::clickReported, &TfmMain::TreeView1Click);
    handle(ui->PageControl1, &QTabWidget::currentChanged, &TfmMain::PageControl1Change);

    handle(Timer1, &TTimer::timeout, &TfmMain::Timer1Timer);
    handle(Timer2, &TTimer::timeout, &TfmMain::Timer2Timer);
    handle(Timer3, &TTimer::timeout, &TfmMain::Timer3Timer);
    handle(ui->N18, &QAction::triggered, &TfmMain::N18Click);
    handle(ui->N19, &QAction::triggered, &TfmMain::N19Click);
    handle(ui->N20, &QAction::triggered, &TfmMain::N20Click);
    handle(ui->N310, &QAction::triggered, &TfmMain::N310Click);
    handle(ui->N45, &QAction::triggered, &TfmMain::N45Click);
    handle(ui->N51, &QAction::triggered, &TfmMain::N51Click);
    handle(ui->N61, &QAction::triggered, &TfmMain::N61Click);
    handle(ui->DBMemo1, &TMemo::mouseMoved, &TfmMain::DBMemo1MouseMove);
    handle(ui->DBMemo2, &TMemo::mouseMoved, &TfmMain::DBMemo2MouseMove);

    handle(ui->Button1, &QPushButton::clicked, &TfmMain::Button1Click);
    handle(ui->Button2, &QPushButton::clicked, &TfmMain::Button2Click);
    handle(ui->Button3, &QPushButton::clicked, &TfmMain::Button3Click);
    handle(ui->Button4, &QPushButton::clicked, &TfmMain::Button4Click);
    handle(ui->Memo1, &TMemo::mouseMoved, &TfmMain::Memo1MouseMove);
    handle(ui->Memo1, &QPlainTextEdit::textChanged, &TfmMain::Memo1Change);

    handle(ui->Button8, &QPushButton::clicked, &TfmMain::Button8Click);
    handle(ui->Button6, &QPushButton::clicked, &TfmMain::Button6Click);
    handle(ui->Button7, &QPushButton::clicked, &TfmMain::Button7Click);
    handle(ui->DBMemo3, &TMemo::mouseMoved, &TfmMain::DBMemo3MouseMove);
    handle(ui->DBMemo4, &TMemo::mouseMoved, &TfmMain::DBMemo4MouseMove);
    handle(ui->Memo2, &TMemo::mouseMoved, &TfmMain::Memo2MouseMove);
}

void TfmMain::openDataSets()
{
    // Each data set opens on its own; one that fails reports and stays closed.
    for (TADODataSet *dataSet : {ADODataSet1, ADODataSet2, ADODataSet3})
        m_services.errors->run([dataSet] { dataSet->Open(); });
}

// Keys that Windows gives every such window, for learners without a mouse:
// F10 opens the first menu, Ctrl+Tab and Ctrl+Shift+Tab turn the pages
// wherever the focus is, the tree included. One key sequence each: X reports
// Ctrl+Shift+Tab as Backtab, which Qt matches to the Tab form as well, and
// the Backtab form registered too would make the two ambiguous.
void TfmMain::connectKeys()
{
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this] { ui->MainMenu1->setActiveAction(ui->N1->menuAction()); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this,
            [this] { turnPage(1); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this), &QShortcut::activated,
            this, [this] { turnPage(-1); });
}

// Another page, as a click on its tab: PageControl1Change follows from the change.
void TfmMain::turnPage(int step)
{
    const int count = ui->PageControl1->count();
    ui->PageControl1->setCurrentIndex((ui->PageControl1->currentIndex() + step + count) % count);
}

void TfmMain::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *screen = this->screen())
            move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    }
    QMainWindow::showEvent(event);
}

// ---- Start-up and closing

void TfmMain::FormCreate()
{
    m_speech->InitSpeech();
    ui->TreeView1->setVisible(true);
    ui->Image1->setVisible(true);
    ui->Image2->setVisible(false);
    ui->Image3->setVisible(false);
    ui->DBMemo1->setDisplayText(QString());
    ui->DBMemo2->setDisplayText(QString());
}

void TfmMain::N8Click()
{
    close();
}

void TfmMain::Image8Click()
{
    close();
}

// ---- Chrome

void TfmMain::setSkin(int index)
{
    ui->Image1->setVisible(index == 1);
    ui->Image2->setVisible(index == 2);
    ui->Image3->setVisible(index == 3);
    ui->N14->setChecked(index == 1);
    ui->N15->setChecked(index == 2);
    ui->N16->setChecked(index == 3);
}

void TfmMain::N14Click()
{
    setSkin(1);
}

void TfmMain::N15Click()
{
    setSkin(2);
}

void TfmMain::N16Click()
{
    setSkin(3);
}

void TfmMain::N44Click()
{
    if (Form1)
        Form1->showHelp();
}

void TfmMain::N13Click()
{
    if (Form3)
        Form3->exec();
}

void TfmMain::Image7Click()
{
    N13Click();
}

void TfmMain::openLink(const QUrl &url)
{
    // The desktop reports its own failures; the program carries on unchanged.
    if (m_services.links)
        m_services.links->open(url);
}

void TfmMain::N11Click()
{
    openLink(QUrl(QString::fromLatin1(kHomePage)));
}

void TfmMain::Image5Click()
{
    openLink(QUrl(QString::fromLatin1(kHomePage)));
}

void TfmMain::N12Click()
{
    openLink(QUrl(QLatin1String("mailto:") + QString::fromLatin1(kSupportMail)));
}

void TfmMain::Image6Click()
{
    openLink(QUrl(QLatin1String("mailto:") + QString::fromLatin1(kSupportMail)));
}

void TfmMain::Image5MouseMove()
{
    ui->Image5->setShowHint(true);
    ui->Image5->setHint(QStringLiteral("软件首页"));
}

void TfmMain::Image6MouseMove()
{
    ui->Image6->setShowHint(true);
    ui->Image6->setHint(QStringLiteral("联系我们"));
}

void TfmMain::Image7MouseMove()
{
    ui->Image7->setShowHint(true);
    ui->Image7->setHint(QStringLiteral("关于daro"));
}

void TfmMain::Image8MouseMove()
{
    ui->Image8->setShowHint(true);
    ui->Image8->setHint(QStringLiteral("退出"));
}

// ---- Catalogue

// The Listen page shows the boxes of one course: the listening course's or the pattern course's.
void TfmMain::showCourse(bool listeningCourse)
{
    ui->DBMemo1->setVisible(listeningCourse);
    ui->DBMemo2->setVisible(listeningCourse);
    ui->DBMemo5->setVisible(!listeningCourse);
    ui->DBMemo6->setVisible(!listeningCourse);
}

StudyPage TfmMain::currentPage() const
{
    QWidget *page = ui->PageControl1->currentWidget();
    return page == ui->TabSheet1   ? StudyPage::Listen
           : page == ui->TabSheet2 ? StudyPage::Read
                                   : StudyPage::Practice;
}

void TfmMain::applyLessonChoice(const LessonChoice &choice)
{
    if (choice.boxes != ListenBoxes::Unchanged)
        showCourse(choice.boxes == ListenBoxes::Listening);
    if (choice.hidePracticeBoxes) {
        ui->DBMemo3->setVisible(false);
        ui->DBMemo4->setVisible(false);
    }
    const QList<std::pair<TTimer *, TimerSwitch>> timers = {
        {Timer1, choice.timer1}, {Timer2, choice.timer2}, {Timer3, choice.timer3}};
    for (const auto &[timer, change] : timers)
        if (change != TimerSwitch::Keep)
            timer->setEnabled(change == TimerSwitch::On);
    if (choice.openOn1)
        OpenLesson(*ADODataSet1, choice.table, choice.key);
    if (choice.openOn2)
        OpenLesson(*ADODataSet2, choice.table, choice.key);
    if (choice.openOn3)
        OpenLesson(*ADODataSet3, choice.table, choice.key);
    // Listening starts with the lesson's first pair on show.
    if (choice.timer1 == TimerSwitch::On)
        announceSentence(ui->DBMemo1, ui->DBMemo2);
    if (choice.timer3 == TimerSwitch::On)
        announceSentence(ui->DBMemo5, ui->DBMemo6);
}

void TfmMain::TreeView1Click()
{
    ui->TreeView1->setFocus();
    const QList<QTreeWidgetItem *> selected = ui->TreeView1->selectedItems();
    if (selected.isEmpty())
        return;
    if (const CatalogueEntry *entry = findCatalogueEntry(selected.first()->text(0)))
        applyLessonChoice(chooseLesson(currentPage(), ChosenIn::Tree, *entry));
}

void TfmMain::lessonMenuClick(const CatalogueEntry &entry)
{
    applyLessonChoice(chooseLesson(currentPage(), ChosenIn::Menu, entry));
}

void TfmMain::PageControl1Change()
{
    QWidget *page = ui->PageControl1->currentWidget();
    if (page == ui->TabSheet2 || page == ui->TabSheet3) {
        Timer1->setEnabled(false);
        Timer3->setEnabled(false);
    }
}
