#include "app/PNAP.h"
#include "app/PositionCommand.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QProxyStyle>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionButton>

#include "app/KeyState.h"
#include "app/Language.h"
#include "app/ProgramIcon.h"
#include "channellist/GridRules.h"
#include "remote/RemoteServer.h"
#include "undo/UndoHistory.h"
#include "widgets/ApplicationEvents.h"
#include "widgets/Metrics.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

TFrmPhonaraPlayer* FrmPhonaraPlayer = nullptr;

// The formats the library reads that the original list lacked (FLAC, AIFF
// under its longer names) follow its entries.
const char* const ChannelFileFilter =
    "All files(*.*)|*.*|Playlist(*.pna;*.m3u;*.m3u8)|*.pna;*.m3u;*.m3u8|Mpeg Audio Files "
    "(*.mp3;*.mp2;*.mp1)|*.mp3;*.mp2;*.mp1|Ogg Vorbis (*.ogg)|*.ogg|PCM "
    "(*.wav;*.aif)|*.wav;*.aif|Music "
    "Module(*.mo3;*.xm;*.mod;*.s3m;*.it;*.mtm)|*.mo3;*.xm;*.mod;*.s3m;*.it;*.mtm|FLAC "
    "(*.flac)|*.flac|AIFF (*.aiff;*.aifc)|*.aiff;*.aifc";

const char* const PlaylistFilter = "Playlist(*.pna;*.m3u;*.m3u8)|*.pna;*.m3u;*.m3u8|Phonara "
                                   "Playlist(*.pna)|*.pna|M3U Playlist(*.m3u;*.m3u8)|*.m3u;*.m3u8";

const char* const VersionText = "PhonaraPlayer var 1.0.6.0";

namespace {

// The client area below the menu bar.
constexpr int ClientWidth = 592;
constexpr int ClientHeight = 439;

// The window font: the layout's Japanese proportional Gothic at 12 pixels.
const char* const WindowFontFamily = "ＭＳ Ｐゴシック";

// The layout's size of a direction caption over a view.
constexpr int DirectionSize = 12;

QLabel* makeLabel(QWidget* parent, const QString& text, int left, int top, int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(left, top, width, height);
    return label;
}

// The layout's buttons are small; the caption may use all of the face inside
// the bevel rather than the style's default inner margin.
class TCompactButtonStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override {
        if (element == SE_PushButtonContents)
            return option->rect.adjusted(1, 1, -1, -1);
        return QProxyStyle::subElementRect(element, option, widget);
    }
    // The layout's sizes were made for narrower Latin letters than the
    // Japanese faces here have: a caption that would be cut at both ends is
    // narrowed just enough to fit, with a pixel to spare on each side.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_PushButtonLabel || !button || button->text.isEmpty()) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const int room = option->rect.width() - 2;
        QFont font = painter->font();
        auto width = [&] {
            return QFontMetrics(font).size(Qt::TextShowMnemonic, button->text).width();
        };
        for (int stretch = 99; width() > room && stretch >= MinimumCaptionStretch; --stretch)
            font.setStretch(stretch);
        painter->save();
        painter->setFont(font);
        QProxyStyle::drawControl(element, option, painter, widget);
        painter->restore();
    }

private:
    static constexpr int MinimumCaptionStretch = 75;
};

QPushButton* makeButton(QWidget* parent, int left, int top, int width, int height) {
    // One style for all of them, owned by the application so that it outlives
    // every button.
    static QPointer<TCompactButtonStyle> style;
    if (!style) {
        style = new TCompactButtonStyle;
        style->setParent(qApp);
    }
    auto* button = new QPushButton(parent);
    button->setStyle(style);
    button->setGeometry(left, top, width, height);
    button->setAutoDefault(false);
    return button;
}

// A hint is "short|long": the short text is the tooltip, the long one the
// status tip.
void setHint(QAction* action, const QString& hint) {
    const auto parts = hint.split('|');
    action->setToolTip(parts.value(0));
    action->setStatusTip(parts.value(1, parts.value(0)));
}

// The coordinate labels have a background of their own.
void paintLabelBackground(QLabel* label) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::HighlightedText));
    label->setPalette(pal);
    label->setAutoFillBackground(true);
}

// A plane view: a 250 x 250 image inside a panel with a lowered 1-pixel bevel.
QFrame* makeViewPanel(QWidget* parent, int left, TViewImage*& image) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(left, 16, 252, 252);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    image = new TViewImage(panel);
    image->setGeometry(1, 1, 250, 250);
    return panel;
}

// Direction captions over a view: greyed, and transparent for the mouse so
// that presses reach the view.
QLabel* makeDirectionLabel(QWidget* panel, int left, int top) {
    QLabel* label = makeLabel(panel, QString(), left, top, DirectionSize, DirectionSize);
    label->setEnabled(false);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// A direction caption in the language of the moment. The layout's 12-pixel
// labels hold one Japanese letter; a longer word widens its label away from
// the view's edge it sits at (centred on the top and bottom edges), so that
// it stays whole inside the view.
void setDirection(QLabel* label, const QString& text, Qt::Alignment side) {
    label->setText(text);
    const QRect r = label->geometry();
    const int width = std::max(DirectionSize, label->sizeHint().width());
    const int centre = side == Qt::AlignHCenter ? r.left() + r.width() / 2 : 0;
    const int left = side == Qt::AlignLeft    ? r.left()
                     : side == Qt::AlignRight ? r.right() + 1 - width
                                              : centre - width / 2;
    label->setGeometry(left, r.top(), width, r.height());
    label->setAccessibleName(text);
}

} // namespace

void InstallFontSubstitutions() {
    QFont::insertSubstitutions(WindowFontFamily,
                               {"IPAPGothic", "IPA Pゴシック", "IPAGothic", "VL PGothic",
                                "Noto Sans CJK JP", "TakaoPGothic"});
}

TFrmPhonaraPlayer::TFrmPhonaraPlayer(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
    FrmPhonaraPlayer = this;
    InstallFontSubstitutions();
    QFont font(WindowFontFamily);
    font.setPixelSize(12);
    setFont(font);
    setWindowTitle("PhonaraPlayer");
    // The program's own icon on every window, the taskbar entry's among them.
    QApplication::setWindowIcon(ProgramIcon());

    BuildArrangement();
    BuildMenu();
    BuildLayout();
    BuildDialogs();
    SetTabOrder();
    BindHandlers();
    RetranslateUi();

    // A single fixed border: the client area keeps its size below the menu bar.
    setFixedSize(ClientWidth, ClientHeight + MainMenu1->sizeHint().height());
    move(200, 115);

    FormCreate();
}

TFrmPhonaraPlayer::~TFrmPhonaraPlayer() {
    // A SOFA conversion still running stops before anything it calls goes.
    StopSofaLoad();
    // No remote command may reach a window that is going.
    delete Remote;
    Remote = nullptr;
    if (!destroyed_)
        FormDestroy();
    // Qt would destroy the controls only after this destructor, when their
    // handlers would call into a window that is gone. So everything that calls
    // back goes now, while the window is whole: the application-wide hooks,
    // then every control with the client area that owns it.
    qApp->removeEventFilter(this);
    // The undo history clears itself as it goes: its menu items go first.
    History->Stack.disconnect(this);
    delete std::exchange(ApplicationEvents1, nullptr);
    delete centralWidget();
    if (FrmPhonaraPlayer == this)
        FrmPhonaraPlayer = nullptr;
}

void TFrmPhonaraPlayer::BuildMenu() {
    MainMenu1 = new QMenuBar(this);
    setMenuBar(MainMenu1);

    // The captions are set by RetranslateUi, in the language of the moment.
    MenuOpenFile = MainMenu1->addMenu(QString());

    Open1 = new QAction(this);
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(Open1, &QAction::triggered, this, [this] { LoadButtonClick(); });

    FileOpen2 = new QAction(this);
    FileOpen2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(FileOpen2, &QAction::triggered, this, [this] { FileOpen2Execute(); });

    FileSaveAs1 = new QAction(this);
    FileSaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(FileSaveAs1, &QAction::triggered, this, [this] { FileSaveAs1Execute(); });

    ExportAction = new QAction(this);
    connect(ExportAction, &QAction::triggered, this, [this] { ExportClick(); });

    FileExit1 = new QAction(this);
    connect(FileExit1, &QAction::triggered, this, [this] { close(); });

    // The menu items take caption, shortcut and hint from their actions: in Qt
    // the item is the action itself.
    O1 = FileOpen2;
    A1 = FileSaveAs1;
    Exit2 = FileExit1;
    MenuOpenFile->addAction(Open1);
    MenuOpenFile->addAction(O1);
    MenuOpenFile->addAction(A1);
    MenuOpenFile->addAction(ExportAction);
    MenuOpenFile->addAction(Exit2);
    // The playlist shortcuts belong to the actions, not to their menu items:
    // they work also while the File menu is disabled.
    addAction(FileOpen2);
    addAction(FileSaveAs1);

    BuildEditMenu();
    InstallPositionCommand(*this);
    BuildAudioMenu();
    BuildOutputLayoutMenu();
    BuildRemoteMenu();
    BuildLanguageMenu();
    BuildMotionMenu();
    BuildLevelsMenu();

    about1 = MainMenu1->addAction(QString());
    connect(about1, &QAction::triggered, this, [this] { about1Click(); });
}

void TFrmPhonaraPlayer::RetranslateUi() {
    MenuOpenFile->setTitle(tr("ファイル(&F)"));
    Open1->setText(tr("開く(&O)..."));
    setHint(Open1, tr("開く|チャンネルにファイルを読み込む"));
    FileOpen2->setText(tr("プレイリストを開く(&O)..."));
    setHint(FileOpen2, tr("開く|既存のプレイリストを開く"));
    FileSaveAs1->setText(tr("プレイリストに名前を付けて保存(&A)..."));
    setHint(FileSaveAs1, tr("保存|現在のプレイリストに新しい名前をつけて保存"));
    ExportAction->setText(tr("書き出し(&E)..."));
    setHint(ExportAction, tr("書き出し|配置したチャンネルをサウンドファイルに書き出す"));
    FileExit1->setText(tr("終了(&X)"));
    setHint(FileExit1, tr("終了|アプリケーションを終了する"));
    about1->setText(tr("バージョン(&H)"));
    (CurrentLanguage() == TLanguage::English ? LanguageEnglish : LanguageJapanese)
        ->setChecked(true);
    RetranslateEditMenu();
    RetranslateAudioMenu();
    RetranslateOutputLayoutMenu();
    RetranslateRemoteMenu();
    RetranslateMotionMenu();
    RetranslateLevelsMenu();
    RetranslatePositionCommand(*this);

    setDirection(Label1, tr("上"), Qt::AlignHCenter);
    setDirection(Label2, tr("下"), Qt::AlignHCenter);
    setDirection(Label6, tr("左"), Qt::AlignLeft);
    setDirection(Label7, tr("右"), Qt::AlignRight);
    setDirection(Label3, tr("前"), Qt::AlignHCenter);
    setDirection(Label4, tr("後"), Qt::AlignHCenter);
    setDirection(Label8, tr("左"), Qt::AlignLeft);
    setDirection(Label9, tr("右"), Qt::AlignRight);

    const std::pair<QPushButton*, QString> buttons[] = {
        {OpenButton, tr("Open(&1)")},   {SaveButton, tr("Save(&2)")},
        {LoadButton, tr("Load(&Q)")},   {RemoveButton, tr("Remove(&W)")},
        {LoopButton, tr("Loop(&A)")},   {PlayButton, tr("Play(&S)")},
        {PauseButton, tr("Pause(&Z)")}, {StopButton, tr("Stop(&X)")}};
    for (const auto& [button, caption] : buttons)
        button->setText(caption);
    OpenButton->setToolTip(tr("プレイリストを開く"));
    SaveButton->setToolTip(tr("名前をつけてプレイリストを保存"));
    LoadButton->setToolTip(tr("チャンネルにファイルを読み込む"));
    RemoveButton->setToolTip(tr("チャンネルのファイルを開放"));
    LoopButton->setToolTip(tr("ループ再生"));
    PlayButton->setToolTip(tr("再生"));
    PauseButton->setToolTip(tr("一時停止"));
    StopButton->setToolTip(tr("停止"));

    // The planes' names are the same in every language; English marks the
    // mnemonic inside the name.
    Label10->setText(tr("XY(&D)"));
    Label11->setText(tr("XZ(&F)"));
    Label12->setText(tr("Channel(&V)"));
    Label12->resize(std::max(57, Label12->sizeHint().width()), Label12->height());
    GroupBox2->setTitle(tr("&Reverb"));
    GroupBox1->setTitle(tr("&EAX environment"));

    // The one window that may be open beside the main window meanwhile.
    if (ExportProgress) {
        ExportProgress->setWindowTitle(tr("書き出し"));
        ExportProgress->setCancelButtonText(tr("キャンセル"));
    }
    FileOpen2Dialog.Title = tr("プレイリストを開く");
    FileSaveAs1Dialog.Title = tr("プレイリストに名前をつけて保存");

    DescribeControls();
}

void TFrmPhonaraPlayer::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QMainWindow::changeEvent(event);
}

void TFrmPhonaraPlayer::BuildLayout() {
    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    LabelY = makeLabel(client, "Y=0", 17, 2, 19, 12);
    paintLabelBackground(LabelY);
    Label10 = makeLabel(client, "XY(&D)", 236, 2, 30, 12); // the plane's name in every language
    LabelZ = makeLabel(client, "Z=0", 338, 2, 19, 12);
    paintLabelBackground(LabelZ);
    Label11 = makeLabel(client, "XZ(&F)", 558, 2, 29, 12);

    ScrollBarY = new TScrollBar(Qt::Vertical, client);
    ScrollBarY->setGeometry(2, 16, 15, 250);

    Panel1 = makeViewPanel(client, 16, Image1);
    Label1 = makeDirectionLabel(Panel1, 120, 4);
    Label2 = makeDirectionLabel(Panel1, 120, 236);
    Label6 = makeDirectionLabel(Panel1, 5, 120);
    Label7 = makeDirectionLabel(Panel1, 235, 120);

    ScrollBarZ = new TScrollBar(Qt::Vertical, client);
    ScrollBarZ->setGeometry(322, 18, 15, 250);

    Panel2 = makeViewPanel(client, 338, Image2);
    Label3 = makeDirectionLabel(Panel2, 120, 6);
    Label4 = makeDirectionLabel(Panel2, 120, 234);
    Label8 = makeDirectionLabel(Panel2, 5, 120);
    Label9 = makeDirectionLabel(Panel2, 235, 120);

    ScrollBarX = new TScrollBar(Qt::Horizontal, client);
    ScrollBarX->setGeometry(16, 270, 250, 15);
    ScrollBarX2 = new TScrollBar(Qt::Horizontal, client);
    ScrollBarX2->setGeometry(338, 270, 250, 15);
    for (TScrollBar* bar : {ScrollBarX, ScrollBarY, ScrollBarZ, ScrollBarX2}) {
        bar->setRange(-50, 50);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setPosition(0);
    }

    LabelX = makeLabel(client, "X=0", 267, 289, 19, 12);
    paintLabelBackground(LabelX);

    OpenButton = makeButton(client, 4, 292, 45, 17);
    SaveButton = makeButton(client, 48, 292, 45, 17);
    connect(OpenButton, &QPushButton::clicked, this, [this] { FileOpen2Execute(); });
    connect(SaveButton, &QPushButton::clicked, this, [this] { FileSaveAs1Execute(); });

    Label12 = makeLabel(client, QString(), 108, 294, 57, 12);

    StringGrid1 = new TStringGrid(client);
    StringGrid1->setGeometry(4, 308, 249, 107);
    StringGrid1->setColCount(4);
    StringGrid1->setRowCount(9);
    StringGrid1->setDefaultRowHeight(14);
    const int widths[] = {23, 39, 35, 177};
    for (int c = 0; c < 4; ++c)
        StringGrid1->setColWidth(c, widths[c]);
    // The file column fills the rest of the width from the first paint on, as
    // the grid's drawing sizes it later: sized only then, it would first show
    // a sideways scroll bar for a moment.
    StringGrid1->setColWidth(3, FileColumnWidth(StringGrid1->clientWidth(), widths[0], widths[1],
                                                widths[2], StringGrid1->gridLineWidth(), {}));

    LoadButton = makeButton(client, 258, 314, 49, 25);
    RemoveButton = makeButton(client, 310, 314, 65, 25);
    LoopButton = makeButton(client, 258, 356, 55, 25);
    PlayButton = makeButton(client, 316, 356, 55, 25);
    PauseButton = makeButton(client, 258, 390, 55, 25);
    StopButton = makeButton(client, 316, 390, 55, 25);
    connect(LoadButton, &QPushButton::clicked, this, [this] { LoadButtonClick(); });
    connect(RemoveButton, &QPushButton::clicked, this, [this] { RemoveButtonClick(); });
    connect(LoopButton, &QPushButton::clicked, this, [this] { LoopButtonClick(); });
    connect(PlayButton, &QPushButton::clicked, this, [this] { PlayButtonClick(); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { PauseButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });

    GroupBox2 = new QGroupBox(client);
    GroupBox2->setGeometry(382, 306, 197, 41);
    // The level sits at the box's left edge below the caption, the bar fills the rest.
    Label5 = new QLabel("0", GroupBox2);
    Label5->setGeometry(2, 15, 24, 24);
    Label5->setAlignment(Qt::AlignRight | Qt::AlignTop);
    TrackBar1 = new QSlider(Qt::Horizontal, GroupBox2);
    TrackBar1->setGeometry(26, 15, 169, 24);
    TrackBar1->setRange(0, 20);
    TrackBar1->setValue(0);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(1);
    SetThumbLength(TrackBar1, 15);

    GroupBox1 = new QGroupBox(client);
    GroupBox1->setGeometry(382, 360, 197, 47);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setGeometry(8, 18, 181, 20);
    // A notch over the box belongs to the focused control, as everywhere in
    // the window; Qt's default would let the box take the focus and change
    // the room of every channel under a resting pointer.
    ComboBox1->setFocusPolicy(Qt::StrongFocus);
    ComboBox1->addItems({"Off",
                         "Generic",
                         "Padded Cell",
                         "Room",
                         "Bathroom",
                         "Living Room",
                         "Stone Room",
                         "Auditorium",
                         "Concert Hall",
                         "Cave",
                         "Arena",
                         "Hangar",
                         "Carpeted Hallway",
                         "Hallway",
                         "Stone Corridor",
                         "Alley",
                         "Forrest",
                         "City",
                         "Mountains",
                         "Quarry",
                         "Plain",
                         "Parking Lot",
                         "Sewer Pipe",
                         "Under Water",
                         "Drugged",
                         "Dizzy",
                         "Psychotic"});
    ComboBox1->setMaxVisibleItems(10);
    SetItemHeight(ComboBox1->view(), 12);
    ComboBox1->setEnabled(false);

    // The accelerators of the captions move the focus to their controls.
    Label10->setBuddy(ScrollBarY);
    Label11->setBuddy(ScrollBarZ);
    Label12->setBuddy(StringGrid1);

    // Labels size themselves to their text, as the layout's did; a font wider
    // than the layout's grows them to the right instead of cutting the text.
    for (QLabel* label : {LabelY, Label10, LabelZ, Label11, LabelX})
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

void TFrmPhonaraPlayer::BindHandlers() {
    for (TScrollBar* bar : {ScrollBarX, ScrollBarY, ScrollBarZ, ScrollBarX2}) {
        if (bar == ScrollBarX2)
            bar->onChange = [this] { ScrollBarX2Change(); };
        else
            bar->onChange = [this, bar] { ScrollBarChange(bar); };
        bar->onKeyDown = [this, bar](int& key, Qt::KeyboardModifiers) {
            ScrollBarKeyDown(bar, key);
        };
        bar->onScroll = [this, bar](int code, int& pos) { ScrollBarScroll(bar, code, pos); };
        bar->onExit = [this] { ScrollBarExit(); };
    }
    StringGrid1->drawCell = [this](QPainter& p, int col, int row, const QRect& rect) {
        StringGrid1DrawCell(p, col, row, rect);
    };
    StringGrid1->selectCell = [this](int col, int row, bool& canSelect) {
        StringGrid1SelectCell(col, row, canSelect);
    };
    // Both run on every change of the value, by the user or by the program.
    // A change the user makes is a step (key and wheel bursts one step, the
    // thumb's drag one step); the program's own changes pause the recorder.
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] {
        const TUndoScope step(History->Recorder, true);
        ComboBox1Change();
    });
    connect(TrackBar1, &QSlider::valueChanged, this, [this] {
        const TUndoScope step(History->Recorder, true);
        TrackBar1Change();
    });
    connect(TrackBar1, &QSlider::sliderPressed, this, [this] { History->Recorder.SetHeld(true); });
    connect(TrackBar1, &QSlider::sliderReleased, this,
            [this] { History->Recorder.SetHeld(false); });
    StringGrid1->mouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        StringGrid1MouseDown(b, m, x, y);
    };
    StringGrid1->mouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        StringGrid1MouseUp(b, m, x, y);
    };
    StringGrid1->mouseMove = [this](Qt::KeyboardModifiers m, int x, int y) {
        StringGrid1MouseMove(m, x, y);
    };
    StringGrid1->keyDown = [this](int& key, Qt::KeyboardModifiers m) {
        StringGrid1KeyDown(key, m);
    };
    StringGrid1->wheelDown = [this](Qt::KeyboardModifiers m, QPoint pos, bool& handled) {
        StringGrid1MouseWheelDown(m, pos, handled);
    };
    StringGrid1->wheelUp = [this](Qt::KeyboardModifiers m, QPoint pos, bool& handled) {
        StringGrid1MouseWheelUp(m, pos, handled);
    };
    ApplicationEvents1 = new TApplicationEvents(this);
    ApplicationEvents1->onMessage = [this](QObject* receiver, QEvent* event) {
        ApplicationEvents1Message(receiver, event);
    };
    ApplicationEvents1->onDeactivate = [this] { ApplicationEvents1Deactivate(); };
    for (TViewImage* image : {Image1, Image2}) {
        image->onMouseDown = [this, image](Qt::MouseButton b, Qt::KeyboardModifiers k, int x,
                                           int y) { ImageMouseDown(image, b, k, x, y); };
        image->onMouseMove = [this, image](Qt::MouseButtons held, Qt::KeyboardModifiers k, int x,
                                           int y) { ImageMouseMove(image, held, k, x, y); };
        image->onMouseUp = [this, image](Qt::MouseButton b, Qt::MouseButtons held,
                                         Qt::KeyboardModifiers k, int x,
                                         int y) { ImageMouseUp(image, b, held, k, x, y); };
    }
    // The live key state, and the wheel routed to the focused control.
    new TKeyState(this);
    qApp->installEventFilter(this);
}

void TFrmPhonaraPlayer::BuildDialogs() {
    OpenDialog1.DialogKind = TFileDialog::Kind::Open;
    OpenDialog1.Filter = ChannelFileFilter;
    OpenDialog1.FilterIndex = 1;
    OpenDialog1.AllowMultiSelect = true;

    FileOpen2Dialog.DialogKind = TFileDialog::Kind::Open;
    FileOpen2Dialog.Filter = PlaylistFilter;
    FileOpen2Dialog.FilterIndex = 1;
    FileOpen2Dialog.DefaultExt = "pna";
    FileOpen2Dialog.FileMustExist = true;

    FileSaveAs1Dialog.DialogKind = TFileDialog::Kind::Save;
    FileSaveAs1Dialog.Filter = PlaylistFilter;
    FileSaveAs1Dialog.FilterIndex = 2;
    FileSaveAs1Dialog.DefaultExt = "pna";
    FileSaveAs1Dialog.OverwritePrompt = true;
}

void TFrmPhonaraPlayer::SetTabOrder() {
    // Panels and labels take no focus; the group boxes pass it to their control.
    QWidget* order[] = {ScrollBarY, ScrollBarX,  ScrollBarZ, ScrollBarX2,  OpenButton,
                        SaveButton, StringGrid1, LoadButton, RemoveButton, LoopButton,
                        PlayButton, PauseButton, StopButton, TrackBar1,    ComboBox1};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void TFrmPhonaraPlayer::closeEvent(QCloseEvent* event) {
    // Closing ends the event loop; the window is destroyed afterwards and its
    // destruction does the tear-down. The arrangement is saved now, while a
    // failure can still be shown: once the loop has ended, no dialog runs.
    if (!EndExportForClose()) {
        event->ignore();
        return;
    }
    WriteAutoSave();
    event->accept();
}

void TFrmPhonaraPlayer::about1Click() {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                    QString(VersionText) + "\n" +
                        tr("Linux edition by the PhonaraPlayer developers\n"
                           "Contact: the PhonaraPlayer issue tracker"),
                    QMessageBox::Ok, this);
    box.exec();
}

void TFrmPhonaraPlayer::FileOpen2Execute() {
    if (FileOpen2Dialog.Execute(this))
        FileOpen2Accept();
}

void TFrmPhonaraPlayer::FileSaveAs1Execute() {
    if (FileSaveAs1Dialog.Execute(this))
        FileSaveAs1Accept();
}
