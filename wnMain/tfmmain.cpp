// SPDX-License-Identifier: GPL-3.0-or-later
#include "wnMain/tfmmain.h"

#include "Speech/speechengine.h"
#include "Unit1/tform1.h"
#include "Unit3/tform3.h"
#include "base/errors.h"
#include "base/ttimer.h"
#include "base/winpath.h"
#include "controls/application.h"
#include "controls/fonts.h"
#include "controls/linkopener.h"
#include "controls/messageboxes.h"
#include "controls/tdatasource.h"
#include "lessons/catalogue.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"
#include "recorder/capturebackend.h"
#include "recorder/createwav.h"
#include "recorder/soundplayer.h"
#include "recorder/waverecorder.h"

#include <QMouseEvent>
#include <QScreen>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

namespace {

// Windows system colours of the design, as the learner's eyes know them.
const QColor clSkyBlue(166, 202, 240);
const QColor clInactiveCaption(122, 150, 223);
const QColor clGradientInactiveCaption(157, 185, 235);
const QColor clInfoBk(255, 255, 225);

const QString kRazorud = QStringLiteral("Razorud365");
const QString kDurizez = QStringLiteral("Durizez900");

// Connection strings as designed; only the first carries "User ID" and "Mode".
const QString kConnection1 = QStringLiteral(
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=E:\\daro\\Daruradazi.mdb;Mode=ReadWrite;"
    "Persist Security Info=False");
const QString kConnection23 = QStringLiteral(
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=E:\\daro\\Daruradazi.mdb;Persist Security Info=False");

void fill(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void colourText(QWidget *widget, const QColor &text, QPalette::ColorRole role = QPalette::WindowText)
{
    QPalette palette = widget->palette();
    palette.setColor(role, text);
    widget->setPalette(palette);
}

void memoLook(TMemo *memo, const QColor &base, const QColor &text, const QFont &font, bool scrollBar)
{
    QPalette palette = memo->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::Text, text);
    }
    memo->setPalette(palette);
    memo->setFont(font);
    memo->setVerticalScrollBarPolicy(scrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QPixmap picture(const char *resource)
{
    return QPixmap(QString::fromLatin1(resource));
}

QString recordingPath()
{
    return localPath(QString::fromUtf16(kRecordingWindowsPath));
}

// The recorder's failures that only show in LastError end the stop sequence
// the same way a raised error does.
struct RecorderFailure
{};

} // namespace

TfmMain::TfmMain(Services services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_speech(std::make_unique<SpeechEngine>(std::move(m_services.speech)))
{
    if (!m_services.messages)
        m_services.messages = std::make_unique<QtMessageBoxes>(this);
    else if (auto *boxes = dynamic_cast<QtMessageBoxes *>(m_services.messages.get()))
        boxes->setOwner(this);
    if (!m_services.lessons)
        m_services.lessons = std::make_shared<ReaderLessonSource>();
    setupUi(this);
    applyDesignLooks();
    createComponents();
    buildCatalogue();
    connectHandlers();
    openDataSets();
    runHandler([this] { FormCreate(); });
}

TfmMain::~TfmMain() = default;

template <typename Sender, typename Signal>
void TfmMain::handle(Sender *sender, Signal signal, void (TfmMain::*handler)())
{
    connect(sender, signal, this, [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
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
    setWindowIcon(QIcon(QStringLiteral(":/icons/daro.png")));
    setFont(songFont(12));
    centralWidget()->setFixedSize(525, 366);
    MainMenu1->setNativeMenuBar(false);
    setFixedSize(525, 366 + MainMenu1->sizeHint().height());

    Image1->setPixmap(picture(":/images/skin-traditional.jpg"));
    Image2->setPixmap(picture(":/images/skin-skyblue.jpg"));
    Image3->setPixmap(picture(":/images/skin-elegant.jpg"));
    Image5->setPixmap(picture(":/images/toolbar-home.jpg"));
    Image6->setPixmap(picture(":/images/toolbar-mail.jpg"));
    Image7->setPixmap(picture(":/images/toolbar-about.jpg"));
    Image8->setPixmap(picture(":/images/toolbar-exit.jpg"));
    Image9->setPixmap(picture(":/images/face-right.jpg"));
    Image10->setPixmap(picture(":/images/face-wrong.jpg"));
    for (TImage *image : {Image5, Image6, Image7, Image8})
        image->setCursor(Qt::PointingHandCursor);

    Label6->setFont(songFont(19, true, true));
    colourText(Label6, Qt::red);
    fill(Label6, clGradientInactiveCaption);
    Label6->adjustSize();

    PageControl1->setFont(songFont(14, true));
    PageControl1->setCurrentWidget(TabSheet1);
    // Each page's panel fills its page, whatever size the style gives the page.
    for (QFrame *panel : {Panel2, Panel3, Panel4}) {
        fill(panel, clSkyBlue);
        auto *layout = new QVBoxLayout(panel->parentWidget());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(panel);
    }

    const QFont listenFont = songFont(19, true);
    for (TDBMemo *memo : {DBMemo1, DBMemo2, DBMemo5, DBMemo6})
        memoLook(memo, clInactiveCaption, Qt::white, listenFont, false);

    memoLook(Memo1, palette().color(QPalette::Base), palette().color(QPalette::Text), songFont(14, true),
             true);

    for (QWidget *widget : std::initializer_list<QWidget *>{Label5, Button6, Button7, Label4})
        widget->setFont(songFont(12));
    colourText(Label5, Qt::blue);
    colourText(Label4, Qt::blue);
    for (QLabel *label : {Label2, Label3}) {
        label->setFont(songFont(14, true));
        colourText(label, Qt::red);
    }
    Button8->setFont(songFont(12, true));
    memoLook(Memo2, palette().color(QPalette::Base), palette().color(QPalette::Text), songFont(14, true),
             true);
    for (TDBMemo *memo : {DBMemo3, DBMemo4})
        memoLook(memo, clInfoBk, palette().color(QPalette::WindowText), songFont(14), false);
    for (QPushButton *button : {Button1, Button2, Button3, Button4, Button6, Button7, Button8}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // Names for screen readers: the pictures and text boxes have no caption of their own.
    const QList<std::pair<QWidget *, const char *>> names = {
        {Image5, "软件首页"},         {Image6, "联系我们"},
        {Image7, "关于daro"},         {Image8, "退出"},
        {DBMemo1, "英文句子"},        {DBMemo2, "中文翻译"},
        {DBMemo5, "英文句子"},        {DBMemo6, "中文翻译"},
        {Memo1, "自定义英文内容"},    {Memo2, "输入听到的内容"},
        {DBMemo3, "正确答案"},        {DBMemo4, "中文翻译"},
        {TreeView1, "课程目录"},      {PageControl1, "学习方式"},
        {Image9, "恭喜你，答对了！"}, {Image10, "很抱歉，答错了！"}};
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(QString::fromUtf8(name));

    TreeView1->setRootIsDecorated(true);
    TreeView1->setFont(songFont(12));
    TreeView1->viewport()->installEventFilter(this);
    Panel1->setFocusPolicy(Qt::NoFocus);
}

void TfmMain::createComponents()
{
    ADODataSet1 = new TADODataSet(QStringLiteral("ADODataSet1"), kConnection1,
                                  QStringLiteral("select * from Razorud365"), m_services.lessons, this);
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
        {DBMemo1, DataSource1, "ENGLISH"}, {DBMemo2, DataSource1, "CHINESE"},
        {DBMemo3, DataSource2, "ENGLISH"}, {DBMemo4, DataSource2, "CHINESE"},
        {DBMemo5, DataSource3, "ENGLISH"}, {DBMemo6, DataSource3, "CHINESE"}};
    for (const auto &[memo, source, field] : memos) {
        memo->setDataField(QString::fromLatin1(field));
        memo->setDataSource(source);
    }
    DBEdit1->setDataField(QStringLiteral("NUMBER"));
    DBEdit1->setDataSource(DataSource1);
    DBEdit2->setDataField(QStringLiteral("NUMBER"));
    DBEdit2->setDataSource(DataSource3);

    n = 1;
    for (TTimer **timer : {&Timer1, &Timer2, &Timer3}) {
        *timer = new TTimer(this);
        (*timer)->setObjectName(QStringLiteral("Timer%1").arg(n++));
        (*timer)->setEnabled(false);
        (*timer)->setInterval(3000);
    }

    MediaPlayer1 = new WaveRecorder(std::move(m_services.capture), TabSheet2);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
}

void TfmMain::buildCatalogue()
{
    // The tree and the lesson menus come from the one catalogue table.
    QTreeWidgetItem *courseNode = nullptr;
    QTreeWidgetItem *chapterNode = nullptr;
    QMenu *chapterMenu = nullptr;
    QString course;
    QString chapter;
    N7 = N1->actions().at(N1->actions().size() - 2);
    N7->setObjectName(QStringLiteral("N7"));
    for (const CatalogueEntry &entry : kCatalogue) {
        const QString entryCourse = QString::fromUtf16(entry.course);
        const QString entryChapter = QString::fromUtf16(entry.chapter);
        QAction *action = nullptr;
        if (entryChapter.isEmpty()) {
            // A lesson of its own at the top of the tree, and a command item of "操作".
            new QTreeWidgetItem(TreeView1, {entry.labelText()});
            courseNode = chapterNode = nullptr;
            course.clear();
            action = new QAction(entry.menuCaption(), this);
            N1->insertAction(N7, action);
        } else {
            if (entryCourse != course) {
                course = entryCourse;
                courseNode = new QTreeWidgetItem(TreeView1, {course});
                chapter.clear();
            }
            if (entryChapter != chapter) {
                chapter = entryChapter;
                chapterNode = new QTreeWidgetItem(courseNode, {chapter});
                QMenu *courseMenu = entry.group == LessonGroup::Listening ? N4 : N5;
                chapterMenu = courseMenu->addMenu(chapter);
                chapterMenu->setObjectName(QString::fromLatin1(entry.chapterMenu));
                chapterMenu->menuAction()->setObjectName(QString::fromLatin1(entry.chapterMenu));
            }
            new QTreeWidgetItem(chapterNode, {entry.labelText()});
            action = chapterMenu->addAction(entry.menuCaption());
        }
        action->setObjectName(QString::fromLatin1(entry.menuItem));
        if (entry.chapterMenu[0] == '\0')
            N50 = action;
        connect(action, &QAction::triggered, this,
                [this, &entry] { runHandler([this, &entry] { lessonMenuClick(entry); }); });
    }
    TreeView1->collapseAll();
}

QAction *TfmMain::lessonAction(const char *menuItem) const
{
    return findChild<QAction *>(QString::fromLatin1(menuItem));
}

void TfmMain::connectHandlers()
{
    handle(N8, &QAction::triggered, &TfmMain::N8Click);
    handle(Image8, &TImage::clicked, &TfmMain::Image8Click);
    handle(N14, &QAction::triggered, &TfmMain::N14Click);
    handle(N15, &QAction::triggered, &TfmMain::N15Click);
    handle(N16, &QAction::triggered, &TfmMain::N16Click);
    handle(N44, &QAction::triggered, &TfmMain::N44Click);
    handle(N11, &QAction::triggered, &TfmMain::N11Click);
    handle(Image5, &TImage::clicked, &TfmMain::Image5Click);
    handle(N12, &QAction::triggered, &TfmMain::N12Click);
    handle(Image6, &TImage::clicked, &TfmMain::Image6Click);
    handle(N13, &QAction::triggered, &TfmMain::N13Click);
    handle(Image7, &TImage::clicked, &TfmMain::Image7Click);
    handle(Image5, &TImage::mouseMoved, &TfmMain::Image5MouseMove);
    handle(Image6, &TImage::mouseMoved, &TfmMain::Image6MouseMove);
    handle(Image7, &TImage::mouseMoved, &TfmMain::Image7MouseMove);
    handle(Image8, &TImage::mouseMoved, &TfmMain::Image8MouseMove);

    handle(PageControl1, &QTabWidget::currentChanged, &TfmMain::PageControl1Change);

    handle(Timer1, &TTimer::timeout, &TfmMain::Timer1Timer);
    handle(Timer2, &TTimer::timeout, &TfmMain::Timer2Timer);
    handle(Timer3, &TTimer::timeout, &TfmMain::Timer3Timer);
    handle(N18, &QAction::triggered, &TfmMain::N18Click);
    handle(N19, &QAction::triggered, &TfmMain::N19Click);
    handle(N20, &QAction::triggered, &TfmMain::N20Click);
    handle(N310, &QAction::triggered, &TfmMain::N310Click);
    handle(N45, &QAction::triggered, &TfmMain::N45Click);
    handle(N51, &QAction::triggered, &TfmMain::N51Click);
    handle(N61, &QAction::triggered, &TfmMain::N61Click);
    handle(DBMemo1, &TMemo::mouseMoved, &TfmMain::DBMemo1MouseMove);
    handle(DBMemo2, &TMemo::mouseMoved, &TfmMain::DBMemo2MouseMove);

    handle(Button1, &QPushButton::clicked, &TfmMain::Button1Click);
    handle(Button2, &QPushButton::clicked, &TfmMain::Button2Click);
    handle(Button3, &QPushButton::clicked, &TfmMain::Button3Click);
    handle(Button4, &QPushButton::clicked, &TfmMain::Button4Click);
    handle(Memo1, &TMemo::mouseMoved, &TfmMain::Memo1MouseMove);

    handle(Button8, &QPushButton::clicked, &TfmMain::Button8Click);
    handle(Button6, &QPushButton::clicked, &TfmMain::Button6Click);
    handle(Button7, &QPushButton::clicked, &TfmMain::Button7Click);
    handle(DBMemo3, &TMemo::mouseMoved, &TfmMain::DBMemo3MouseMove);
    handle(DBMemo4, &TMemo::mouseMoved, &TfmMain::DBMemo4MouseMove);
    handle(Memo2, &TMemo::mouseMoved, &TfmMain::Memo2MouseMove);
}

void TfmMain::openDataSets()
{
    // Each data set opens on its own; one that fails reports and stays closed.
    for (TADODataSet *dataSet : {ADODataSet1, ADODataSet2, ADODataSet3})
        runHandler([dataSet] { dataSet->Open(); });
}

bool TfmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The tree reports a click wherever it lands: on a label, a branch sign or empty space.
    if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        runHandler([this] { TreeView1Click(); });
    return QMainWindow::eventFilter(watched, event);
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
    TreeView1->setVisible(true);
    Image1->setVisible(true);
    Image2->setVisible(false);
    Image3->setVisible(false);
    DBMemo1->setDisplayText(QString());
    DBMemo2->setDisplayText(QString());
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
    Image1->setVisible(index == 1);
    Image2->setVisible(index == 2);
    Image3->setVisible(index == 3);
    N14->setChecked(index == 1);
    N15->setChecked(index == 2);
    N16->setChecked(index == 3);
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
    Image5->setShowHint(true);
    Image5->setHint(QStringLiteral("软件首页"));
}

void TfmMain::Image6MouseMove()
{
    Image6->setShowHint(true);
    Image6->setHint(QStringLiteral("联系我们"));
}

void TfmMain::Image7MouseMove()
{
    Image7->setShowHint(true);
    Image7->setHint(QStringLiteral("关于daro"));
}

void TfmMain::Image8MouseMove()
{
    Image8->setShowHint(true);
    Image8->setHint(QStringLiteral("退出"));
}

// ---- Catalogue

// The Listen page shows the boxes of one course: the listening course's or the pattern course's.
void TfmMain::showCourse(bool listeningCourse)
{
    DBMemo1->setVisible(listeningCourse);
    DBMemo2->setVisible(listeningCourse);
    DBMemo5->setVisible(!listeningCourse);
    DBMemo6->setVisible(!listeningCourse);
}

void TfmMain::TreeView1Click()
{
    TreeView1->setFocus();
    const QList<QTreeWidgetItem *> selected = TreeView1->selectedItems();
    if (selected.isEmpty())
        return;
    const CatalogueEntry *entry = findCatalogueEntry(selected.first()->text(0));
    if (!entry)
        return;
    const QString table = QString::fromLatin1(entry->table);
    const QString key = QString::fromLatin1(entry->key);
    QWidget *page = PageControl1->currentWidget();

    if (entry->group == LessonGroup::Listening) {
        if (page == TabSheet1) {
            showCourse(true);
            Timer1->setEnabled(true);
            Timer3->setEnabled(false);
            OpenLesson(*ADODataSet1, table, key);
        } else if (page == TabSheet3) {
            Timer2->setEnabled(true);
            OpenLesson(*ADODataSet2, table, key);
        }
        return;
    }

    showCourse(false);
    // The first book leaves the practice boxes as they are.
    if (entry->group == LessonGroup::Patterns) {
        DBMemo3->setVisible(false);
        DBMemo4->setVisible(false);
    }
    if (page == TabSheet1) {
        Timer1->setEnabled(false);
        Timer3->setEnabled(true);
        OpenLesson(*ADODataSet3, table, key);
    } else if (page == TabSheet3) {
        Timer2->setEnabled(false);
    }
}

void TfmMain::lessonMenuClick(const CatalogueEntry &entry)
{
    const QString table = QString::fromLatin1(entry.table);
    const QString key = QString::fromLatin1(entry.key);
    const bool listening = PageControl1->currentWidget() == TabSheet1;
    showCourse(entry.group == LessonGroup::Listening);
    if (entry.group == LessonGroup::Listening) {
        Timer3->setEnabled(false);
        Timer1->setEnabled(listening);
        OpenLesson(*ADODataSet1, table, key);
        OpenLesson(*ADODataSet2, table, key);
    } else {
        Timer1->setEnabled(false);
        Timer3->setEnabled(listening);
        OpenLesson(*ADODataSet3, table, key);
    }
}

void TfmMain::PageControl1Change()
{
    QWidget *page = PageControl1->currentWidget();
    if (page == TabSheet2 || page == TabSheet3) {
        Timer1->setEnabled(false);
        Timer3->setEnabled(false);
    }
}

// ---- Listening

void TfmMain::Timer1Timer()
{
    ADODataSet1->Next();
    m_speech->Speak(DBMemo1->Text());
}

void TfmMain::Timer3Timer()
{
    ADODataSet3->Next();
    m_speech->Speak(DBMemo5->Text());
}

// Shows a course's pair of boxes the way a display command asks; a box that
// the command hides keeps its position.
void TfmMain::showPair(TDBMemo *english, TDBMemo *chinese, TDBMemo *otherEnglish, TDBMemo *otherChinese,
                       QAction *mode)
{
    english->setVisible(mode != N20);
    chinese->setVisible(mode != N19);
    otherEnglish->setVisible(false);
    otherChinese->setVisible(false);
    if (mode == N18) {
        english->move(english->x(), 24);
        chinese->move(chinese->x(), 112);
    } else if (mode == N19) {
        english->move(english->x(), 60);
    } else {
        chinese->move(chinese->x(), 60);
    }
}

void TfmMain::setDisplayMode(QAction *mode)
{
    N18->setChecked(mode == N18);
    N19->setChecked(mode == N19);
    N20->setChecked(mode == N20);
    if (Timer1->Enabled())
        showPair(DBMemo1, DBMemo2, DBMemo5, DBMemo6, mode);
    if (Timer3->Enabled())
        showPair(DBMemo5, DBMemo6, DBMemo1, DBMemo2, mode);
}

void TfmMain::N18Click()
{
    setDisplayMode(N18);
}

void TfmMain::N19Click()
{
    setDisplayMode(N19);
}

void TfmMain::N20Click()
{
    setDisplayMode(N20);
}

void TfmMain::setInterval(int msec, QAction *checked)
{
    Timer1->setInterval(msec);
    Timer3->setInterval(msec);
    N310->setChecked(checked == N310);
    N45->setChecked(checked == N45);
    N51->setChecked(checked == N51);
    N61->setChecked(checked == N61);
}

void TfmMain::N310Click()
{
    setInterval(3000, N310);
}

void TfmMain::N45Click()
{
    setInterval(4000, N45);
}

void TfmMain::N51Click()
{
    setInterval(5000, N51);
}

void TfmMain::N61Click()
{
    setInterval(6000, N61);
}

void TfmMain::DBMemo1MouseMove()
{
    DBMemo1->setShowHint(true);
    DBMemo1->setHint(Timer1->Enabled() ? QStringLiteral("英文显示") : QStringLiteral("请选择学习章节"));
}

void TfmMain::DBMemo2MouseMove()
{
    DBMemo2->setShowHint(true);
    DBMemo2->setHint(Timer1->Enabled() ? QStringLiteral("中文显示") : QStringLiteral("请选择学习章节"));
}

// ---- Read aloud

void TfmMain::CreateWav(quint16 channels, quint16 bits, qint32 rate, const QString &fileName)
{
    ::CreateWav(channels, bits, rate, fileName);
}

void TfmMain::Button1Click()
{
    try {
        const QString path = recordingPath();
        CreateWav(1, 8, 11025, path);
        MediaPlayer1->setDeviceType(TMPDeviceTypes::dtAutoSelect);
        MediaPlayer1->setFileName(path);
        MediaPlayer1->Open();
        MediaPlayer1->Record();
        Button1->setEnabled(false);
        Button2->setEnabled(true);
    } catch (...) {
        Button1->setEnabled(true);
        Button2->setEnabled(false);
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
        m_services.messages->show(QStringLiteral("声音录制完毕!"), QStringLiteral("信息"),
                                  MessageBoxes::Icon::Information);
        Button1->setEnabled(true);
        Button2->setEnabled(false);
    } catch (...) {
        m_services.messages->show(QStringLiteral("保存声音文件出错!"), QStringLiteral("错误"),
                                  MessageBoxes::Icon::Error);
        Button1->setEnabled(true);
        Button2->setEnabled(false);
    }
}

void TfmMain::Button3Click()
{
    if (m_services.player)
        m_services.player->play(recordingPath());
}

void TfmMain::Button4Click()
{
    m_speech->Speak(Memo1->Text());
}

void TfmMain::Memo1MouseMove()
{
    Memo1->setShowHint(true);
    Memo1->setHint(QStringLiteral("输入英文内容"));
}

// ---- Dictation

void TfmMain::Timer2Timer()
{
    m_speech->Speak(DBMemo3->Text());
    Timer2->setEnabled(false);
}

void TfmMain::Button8Click()
{
    const QString answer = Memo2->Text();
    const bool right = answer == DBMemo3->Text();
    Label2->setVisible(right);
    Image9->setVisible(right);
    Label3->setVisible(!right);
    Image10->setVisible(!right);
    if (answer.isEmpty()) {
        Label2->setVisible(false);
        Label3->setVisible(false);
        Image9->setVisible(false);
        Image10->setVisible(false);
        m_services.messages->show(QStringLiteral("请输入听到的内容"), QCoreApplication::applicationName(),
                                  MessageBoxes::Icon::None);
    } else {
        Timer2->setEnabled(true);
        ADODataSet2->Next();
    }
    Memo2->clear();
}

void TfmMain::Button6Click()
{
    if (Button6->text() == QStringLiteral("显示中文")) {
        DBMemo4->setVisible(true);
        Button6->setText(QStringLiteral("隐藏中文"));
    } else if (Button6->text() == QStringLiteral("隐藏中文")) {
        DBMemo4->setVisible(false);
        Button6->setText(QStringLiteral("显示中文"));
    }
}

void TfmMain::Button7Click()
{
    if (Button7->text() == QStringLiteral("查看结果")) {
        DBMemo3->setVisible(true);
        Button7->setText(QStringLiteral("关闭结果"));
    } else if (Button7->text() == QStringLiteral("关闭结果")) {
        DBMemo3->setVisible(false);
        Button7->setText(QStringLiteral("查看结果"));
    }
}

void TfmMain::DBMemo3MouseMove()
{
    DBMemo3->setShowHint(true);
    DBMemo3->setHint(QStringLiteral("显示结果"));
}

void TfmMain::DBMemo4MouseMove()
{
    DBMemo4->setShowHint(true);
    DBMemo4->setHint(QStringLiteral("显示中文"));
}

void TfmMain::Memo2MouseMove()
{
    Memo2->setShowHint(true);
    Memo2->setHint(QStringLiteral("输入听到单词或语句！"));
}
