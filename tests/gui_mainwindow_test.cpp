// The main window as built: controls, places, captions, tab order,
// accelerators, menu, dialogs and closing.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

#include "ProgramTest.h"
#include "QtPrinters.h"
#include "app/PNAP.h"
#include "channellist/ChannelGrid.h"
#include "channels/Sources.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

// The window without audio, as the program creates it.
class MainWindow : public ProgramTest {
protected:
    void SetUp() override {
        create();
        showActive();
    }

    // The control's place in the client area below the menu bar.
    QRect clientRect(QWidget* control) const {
        return QRect(control->mapTo(w->centralWidget(), QPoint(0, 0)), control->size());
    }
};

// Runs check on the modal dialog that action opens, then closes the dialog.
void WithModalDialog(const std::function<void()>& open,
                     const std::function<void(QWidget*)>& check) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) {
            seen = true;
            check(modal);
            modal->close();
        }
    });
    open();
    EXPECT_TRUE(seen) << "no modal dialog opened";
}

// Counts the paints of the grid's cells, and those with its horizontal bar shown.
struct TBarAtPaint : QObject {
    explicit TBarAtPaint(TStringGrid* g) : grid(g) { g->viewport()->installEventFilter(this); }
    TStringGrid* const grid;
    int paints = 0, withBar = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            withBar += grid->horizontalScrollBar()->isVisible();
        }
        return false;
    }
};

// The columns fill the list's width from the very first paint: no horizontal
// bar shows for a moment and goes.
TEST_F(MainWindow, TheChannelListShowsNoSidewaysBarFromItsFirstPaint) {
    create(); // a new window, not yet shown
    TBarAtPaint bar(w->StringGrid1);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTest::qWait(50);
    ASSERT_GT(bar.paints, 0) << "the list was painted";
    EXPECT_EQ(bar.withBar, 0) << "of " << bar.paints << " paints";
    EXPECT_FALSE(w->StringGrid1->horizontalScrollBar()->isVisible());
    int columns = 3 * w->StringGrid1->gridLineWidth();
    for (int c = 0; c < 4; ++c)
        columns += w->StringGrid1->colWidth(c);
    EXPECT_EQ(columns, w->StringGrid1->clientWidth()) << "the file column takes the rest";
}

// The window (and with it its taskbar entry) shows the program's icon, the
// figure of the shipped SVG, not the platform's generic one.
TEST_F(MainWindow, TheWindowShowsTheProgramsIcon) {
    const QIcon icon = w->windowIcon();
    ASSERT_FALSE(icon.isNull());
    auto near = [](QRgb a, QRgb b) {
        const int off = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b));
        return off + std::abs(qBlue(a) - qBlue(b)) < 24;
    };
    // Points of the 128-unit figure: a source's face and its centre, the
    // listener's head, the ground, and the transparent corner.
    for (const QImage& image : {icon.pixmap(128).toImage().scaled(128, 128),
                                icon.pixmap(256).toImage().scaled(128, 128)}) {
        ASSERT_EQ(image.size(), QSize(128, 128));
        EXPECT_TRUE(near(image.pixel(88, 27), 0xff6b6b));
        EXPECT_TRUE(near(image.pixel(95, 33), 0x151c36));
        EXPECT_TRUE(near(image.pixel(22, 45), 0xffd25e));
        EXPECT_TRUE(near(image.pixel(100, 88), 0x5fd3ff));
        EXPECT_TRUE(near(image.pixel(64, 66), 0xf4f6fb));
        EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0);
        EXPECT_EQ(qAlpha(image.pixel(64, 116)), 255);
    }
    EXPECT_FALSE(icon.pixmap(16).isNull());
}

TEST_F(MainWindow, WindowTitleSizeAndBorder) {
    EXPECT_EQ(w->windowTitle(), "PhonaraPlayer");
    EXPECT_EQ(w->centralWidget()->size(), QSize(592, 439));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the window is not resizable";
    const auto flags = w->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w->pos(), QPoint(200, 115));
    EXPECT_EQ(w->font().pixelSize(), 12);
    EXPECT_EQ(w->font().family(), QString("ＭＳ Ｐゴシック"));
    EXPECT_EQ(QFontInfo(w->font()).family(), "IPAPGothic") << "the Japanese P-Gothic is used";
}

TEST_F(MainWindow, ControlsSitAtTheirPlacesWithTheirCaptions) {
    struct Expected {
        QWidget* control;
        QRect rect;
        QString text;
        QString tip;
    };
    const Expected table[] = {
        {w->LabelY, {17, 2, 19, 12}, "Y=0", ""},
        {w->Label10, {236, 2, 30, 12}, "XY(&D)", ""},
        {w->LabelZ, {338, 2, 19, 12}, "Z=0", ""},
        {w->Label11, {558, 2, 29, 12}, "XZ(&F)", ""},
        {w->ScrollBarY, {2, 16, 15, 250}, "", ""},
        {w->Panel1, {16, 16, 252, 252}, "", ""},
        {w->Image1, {17, 17, 250, 250}, "", ""},
        {w->ScrollBarZ, {322, 18, 15, 250}, "", ""},
        {w->Panel2, {338, 16, 252, 252}, "", ""},
        {w->Image2, {339, 17, 250, 250}, "", ""},
        {w->ScrollBarX, {16, 270, 250, 15}, "", ""},
        {w->ScrollBarX2, {338, 270, 250, 15}, "", ""},
        {w->LabelX, {267, 289, 19, 12}, "X=0", ""},
        {w->OpenButton, {4, 292, 45, 17}, "Open(&1)", "プレイリストを開く"},
        {w->SaveButton, {48, 292, 45, 17}, "Save(&2)", "名前をつけてプレイリストを保存"},
        {w->Label12, {108, 294, 57, 12}, "Channel(&V)", ""},
        {w->StringGrid1, {4, 308, 249, 107}, "", ""},
        {w->LoadButton, {258, 314, 49, 25}, "Load(&Q)", "チャンネルにファイルを読み込む"},
        {w->RemoveButton, {310, 314, 65, 25}, "Remove(&W)", "チャンネルのファイルを開放"},
        {w->LoopButton, {258, 356, 55, 25}, "Loop(&A)", "ループ再生"},
        {w->PlayButton, {316, 356, 55, 25}, "Play(&S)", "再生"},
        {w->PauseButton, {258, 390, 55, 25}, "Pause(&Z)", "一時停止"},
        {w->StopButton, {316, 390, 55, 25}, "Stop(&X)", "停止"},
        {w->GroupBox2, {382, 306, 197, 41}, "&Reverb", ""},
        {w->GroupBox1, {382, 360, 197, 47}, "&EAX environment", ""},
        {w->ComboBox1, {390, 378, 181, 20}, "", ""},
    };
    for (const auto& e : table) {
        SCOPED_TRACE(e.control->objectName() + " " + e.text);
        if (auto* label = qobject_cast<QLabel*>(e.control)) {
            EXPECT_EQ(label->text(), e.text);
            // A label fits its text: it may be wider in a wider font, never cut.
            const QRect r = clientRect(e.control);
            EXPECT_EQ(r.topLeft(), e.rect.topLeft());
            EXPECT_EQ(r.height(), e.rect.height());
            EXPECT_GE(r.width(), e.rect.width());
            EXPECT_GE(r.width(), label->sizeHint().width());
            EXPECT_LE(r.right(), 591) << "inside the client area";
        } else {
            EXPECT_EQ(clientRect(e.control), e.rect);
        }
        if (auto* button = qobject_cast<QPushButton*>(e.control)) {
            EXPECT_EQ(button->text(), e.text);
            EXPECT_EQ(button->toolTip(), e.tip);
        }
        if (auto* box = qobject_cast<QGroupBox*>(e.control)) {
            EXPECT_EQ(box->title(), e.text);
            EXPECT_TRUE(box->toolTip().isEmpty());
        }
    }
    EXPECT_TRUE(w->StringGrid1->toolTip().isEmpty());
}

TEST_F(MainWindow, ViewCaptionsAreGreyedAndCentredOnTheEdges) {
    struct Expected {
        QLabel* label;
        QWidget* panel;
        QPoint at;
        QString text;
    };
    const Expected table[] = {
        {w->Label1, w->Panel1, {120, 4}, "上"}, {w->Label2, w->Panel1, {120, 236}, "下"},
        {w->Label6, w->Panel1, {5, 120}, "左"}, {w->Label7, w->Panel1, {235, 120}, "右"},
        {w->Label3, w->Panel2, {120, 6}, "前"}, {w->Label4, w->Panel2, {120, 234}, "後"},
        {w->Label8, w->Panel2, {5, 120}, "左"}, {w->Label9, w->Panel2, {235, 120}, "右"},
    };
    for (const auto& e : table) {
        SCOPED_TRACE(e.text.toStdString());
        EXPECT_EQ(e.label->parentWidget(), e.panel);
        EXPECT_EQ(e.label->geometry(), QRect(e.at, QSize(12, 12)));
        EXPECT_EQ(e.label->text(), e.text);
        EXPECT_FALSE(e.label->isEnabled());
    }
}

TEST_F(MainWindow, ScrollBarsTrackBarAndEnvironmentBox) {
    for (TScrollBar* bar : {w->ScrollBarX, w->ScrollBarY, w->ScrollBarZ, w->ScrollBarX2}) {
        EXPECT_EQ(bar->minimum(), -50);
        EXPECT_EQ(bar->maximum(), 50);
        EXPECT_EQ(bar->position(), 0);
        EXPECT_EQ(bar->singleStep(), 1);
    }
    EXPECT_EQ(w->ScrollBarX->orientation(), Qt::Horizontal);
    EXPECT_EQ(w->ScrollBarY->orientation(), Qt::Vertical);

    EXPECT_EQ(w->TrackBar1->minimum(), 0);
    EXPECT_EQ(w->TrackBar1->maximum(), 20);
    EXPECT_EQ(w->TrackBar1->value(), 0);
    EXPECT_EQ(w->TrackBar1->pageStep(), 1);
    EXPECT_EQ(w->TrackBar1->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(w->TrackBar1->tickInterval(), 1);
    EXPECT_EQ(w->Label5->text(), "0");
    EXPECT_EQ(w->Label5->width(), 24);
    EXPECT_TRUE(w->Label5->alignment() & Qt::AlignRight);
    EXPECT_LT(w->Label5->x(), w->TrackBar1->x()) << "the level sits left of the bar";

    ASSERT_EQ(w->ComboBox1->count(), 27);
    EXPECT_EQ(w->ComboBox1->itemText(0), "Off");
    EXPECT_EQ(w->ComboBox1->itemText(3), "Room");
    EXPECT_EQ(w->ComboBox1->itemText(16), "Forrest");
    EXPECT_EQ(w->ComboBox1->itemText(26), "Psychotic");
    EXPECT_EQ(w->ComboBox1->maxVisibleItems(), 10);
    EXPECT_FALSE(w->ComboBox1->isEnabled());
}

TEST_F(MainWindow, TabOrderRunsThroughTheControlsInLayoutOrder) {
    const std::vector<QWidget*> expected{
        w->ScrollBarY, w->ScrollBarX,  w->ScrollBarZ, w->ScrollBarX2,  w->OpenButton,
        w->SaveButton, w->StringGrid1, w->LoadButton, w->RemoveButton, w->LoopButton,
        w->PlayButton, w->PauseButton, w->StopButton, w->TrackBar1,    w->ComboBox1};
    // The focus chain, whatever is enabled at the moment.
    std::vector<QWidget*> chain;
    for (QWidget* x = w->ScrollBarY; chain.size() < expected.size(); x = x->nextInFocusChain())
        if (std::find(expected.begin(), expected.end(), x) != expected.end())
            chain.push_back(x);
    EXPECT_EQ(chain, expected);

    // Tab walks it, skipping the disabled channel buttons (nothing is loaded).
    w->ScrollBarY->setFocus();
    QApplication::processEvents();
    const std::vector<QWidget*> enabledStops{w->ScrollBarX, w->ScrollBarZ, w->ScrollBarX2,
                                             w->OpenButton, w->SaveButton, w->StringGrid1,
                                             w->LoadButton, w->TrackBar1};
    for (QWidget* next : enabledStops) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << QApplication::focusWidget()->metaObject()->className();
    }
}

TEST_F(MainWindow, CaptionAcceleratorsMoveTheFocus) {
    w->LoadButton->setFocus();
    QTest::keyClick(w.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->ScrollBarY);
    QTest::keyClick(w.get(), Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->StringGrid1);
    QTest::keyClick(w.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->TrackBar1);
    QTest::keyClick(w.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->ScrollBarZ);
}

TEST_F(MainWindow, MenuItemsShortcutsAndHints) {
    ASSERT_EQ(w->MainMenu1->actions().size(), 5);
    EXPECT_EQ(w->MainMenu1->actions()[0]->menu(), w->MenuOpenFile);
    EXPECT_EQ(w->MenuOpenFile->title(), "ファイル(&F)");
    // Undo and redo; Alt+E stays with the environment box.
    EXPECT_EQ(w->MainMenu1->actions()[1]->menu(), w->MenuEdit);
    EXPECT_EQ(w->MenuEdit->title(), "編集(&T)");
    EXPECT_EQ(w->MenuEdit->actions().mid(0, 2), (QList<QAction*>{w->UndoAction, w->RedoAction}));
    EXPECT_EQ(w->UndoAction->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(w->RedoAction->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_EQ(w->MuteAction->shortcut(), QKeySequence("M"));
    EXPECT_EQ(w->MainMenu1->actions()[2]->menu(), w->MenuAudio); // headphone 3D
    EXPECT_EQ(w->MainMenu1->actions()[3]->menu(), w->MenuLanguage);
    EXPECT_EQ(w->MainMenu1->actions()[4], w->about1);
    EXPECT_EQ(w->about1->text(), "バージョン(&H)");

    const auto items = w->MenuOpenFile->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0], w->Open1);
    EXPECT_EQ(items[1], w->O1);
    EXPECT_EQ(items[2], w->A1);
    EXPECT_EQ(items[3], w->ExportAction); // the export, before the end
    EXPECT_EQ(items[4], w->Exit2);

    EXPECT_EQ(w->Open1->text(), "開く(&O)...");
    EXPECT_EQ(w->Open1->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(w->Open1->statusTip(), "チャンネルにファイルを読み込む");
    EXPECT_EQ(w->O1->text(), "プレイリストを開く(&O)...");
    EXPECT_EQ(w->O1->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_EQ(w->FileOpen2->toolTip(), "開く");
    EXPECT_EQ(w->FileOpen2->statusTip(), "既存のプレイリストを開く");
    EXPECT_EQ(w->A1->text(), "プレイリストに名前を付けて保存(&A)...");
    EXPECT_EQ(w->A1->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(w->FileSaveAs1->statusTip(), "現在のプレイリストに新しい名前をつけて保存");
    EXPECT_EQ(w->ExportAction->text(), "書き出し(&E)...");
    EXPECT_EQ(w->ExportAction->statusTip(), "配置したチャンネルをサウンドファイルに書き出す");
    EXPECT_EQ(w->Exit2->text(), "終了(&X)");
    EXPECT_EQ(w->FileExit1->statusTip(), "アプリケーションを終了する");
}

TEST_F(MainWindow, CtrlOOpensTheChannelFileDialog) {
    WithModalDialog([&] { QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier); },
                    [](QWidget* modal) {
                        auto* d = qobject_cast<QFileDialog*>(modal);
                        ASSERT_NE(d, nullptr);
                        EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFiles);
                        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptOpen);
                        ASSERT_EQ(d->nameFilters().size(), 8);
                        EXPECT_EQ(d->nameFilters()[0], "All files(*.*) (*)");
                        EXPECT_EQ(d->nameFilters()[4], "PCM (*.wav;*.aif) (*.wav *.aif)");
                        EXPECT_EQ(d->nameFilters()[6], "FLAC (*.flac) (*.flac)");
                        EXPECT_EQ(d->nameFilters()[7], "AIFF (*.aiff;*.aifc) (*.aiff *.aifc)");
                        // The details are hidden: the entries' texts already show them.
                        EXPECT_EQ(d->selectedNameFilter(), "All files(*.*)");
                        EXPECT_TRUE(d->defaultSuffix().isEmpty());
                    });
    // The Load button opens the same dialog.
    WithModalDialog([&] { w->LoadButton->click(); },
                    [](QWidget* modal) { EXPECT_NE(qobject_cast<QFileDialog*>(modal), nullptr); });
}

TEST_F(MainWindow, CtrlLOpensThePlaylistDialog) {
    WithModalDialog([&] { QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier); },
                    [](QWidget* modal) {
                        auto* d = qobject_cast<QFileDialog*>(modal);
                        ASSERT_NE(d, nullptr);
                        EXPECT_EQ(d->windowTitle(), "プレイリストを開く");
                        EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFile);
                        ASSERT_EQ(d->nameFilters().size(), 3);
                        EXPECT_EQ(d->selectedNameFilter(), "Playlist(*.pna;*.m3u;*.m3u8)");
                        EXPECT_EQ(d->defaultSuffix(), "pna");
                    });
    WithModalDialog([&] { w->OpenButton->click(); },
                    [](QWidget* modal) { EXPECT_EQ(modal->windowTitle(), "プレイリストを開く"); });
}

TEST_F(MainWindow, CtrlSOpensTheSaveDialogWithTheOwnFormatPreselected) {
    WithModalDialog([&] { QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier); },
                    [](QWidget* modal) {
                        auto* d = qobject_cast<QFileDialog*>(modal);
                        ASSERT_NE(d, nullptr);
                        EXPECT_EQ(d->windowTitle(), "プレイリストに名前をつけて保存");
                        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
                        EXPECT_EQ(d->selectedNameFilter(), "Phonara Playlist(*.pna)");
                        EXPECT_EQ(d->defaultSuffix(), "pna");
                        EXPECT_FALSE(d->testOption(QFileDialog::DontConfirmOverwrite));
                    });
    WithModalDialog(
        [&] { w->SaveButton->click(); },
        [](QWidget* modal) { EXPECT_EQ(modal->windowTitle(), "プレイリストに名前をつけて保存"); });
}

TEST_F(MainWindow, VersionBoxIsPlainWithTheVersionLine) {
    WithModalDialog([&] { w->about1->trigger(); },
                    [](QWidget* modal) {
                        auto* box = qobject_cast<QMessageBox*>(modal);
                        ASSERT_NE(box, nullptr);
                        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
                        EXPECT_EQ(box->windowTitle(), "PhonaraPlayer");
                        const auto lines = box->text().split('\n');
                        ASSERT_EQ(lines.size(), 3);
                        EXPECT_EQ(lines[0], "PhonaraPlayer var 1.0.6.0");
                        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
                    });
}

TEST_F(MainWindow, GridHasItsRowsColumnsAndFixedTexts) {
    TStringGrid* g = w->StringGrid1;
    EXPECT_EQ(g->colCount(), 4);
    EXPECT_EQ(g->rowCount(), 33);
    EXPECT_EQ(g->defaultRowHeight(), 14);
    EXPECT_EQ(g->colWidth(0), 23);
    EXPECT_EQ(g->colWidth(1), 39);
    EXPECT_EQ(g->colWidth(2), 35);
    EXPECT_EQ(g->cell(0, 0), "Ch");
    EXPECT_EQ(g->cell(1, 0), "Source");
    EXPECT_EQ(g->cell(2, 0), "State");
    EXPECT_EQ(g->cell(3, 0), "File");
    EXPECT_EQ(g->cell(0, 1), " 01");
    EXPECT_EQ(g->cell(0, 9), " 09");
    EXPECT_EQ(g->cell(0, 32), " 32");
    for (int n = 1; n <= 32; ++n)
        for (int c = 1; c <= 3; ++c)
            EXPECT_TRUE(g->cell(c, n).isEmpty());
}

TEST_F(MainWindow, StartStateChannelOneSelectedAndScaleValues) {
    EXPECT_TRUE(Sources[1].Selected);
    for (int n = 2; n <= 32; ++n)
        EXPECT_FALSE(Sources[n].Selected) << n;
    EXPECT_TRUE(w->IsChannelSelected(1));
    EXPECT_FALSE(w->IsChannelSelected(2));
    EXPECT_EQ(UnitsPerStep, 0.05f);
    EXPECT_EQ(PixelsPerStep, 2.5f);
    EXPECT_EQ(ViewCentre, 125);
    EXPECT_FALSE(UpdatingBars);
    EXPECT_FALSE(MarkerDragging);
    EXPECT_FALSE(BandSelecting);
    EXPECT_FALSE(GridRangeSelecting);
}

// A window goes mid-gesture, with a bar focused, and no handler of it runs
// once its tear-down has begun; the next window starts from the defaults,
// whatever the last one left behind.
TEST_F(MainWindow, TheTearDownCallsNoHandlerAndCreationStartsFromTheDefaults) {
    w->ScrollBarX->setFocus();
    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    ASSERT_TRUE(KeyMoveRaised);
    Sources[5].Position = {1.f, 2.f, 3.f};
    Sources[5].Selected = true;
    MarkerDragging = GridRangeSelecting = true;
    LastGridKey = Qt::Key_Down;
    NameWidth[3] = 40;
    w.reset();
    EXPECT_EQ(FrmPhonaraPlayer, nullptr);
    EXPECT_TRUE(KeyMoveRaised) << "the bar lost the focus without calling back";
    EXPECT_EQ(LastGridKey, Qt::Key_Down);

    w = std::make_unique<TFrmPhonaraPlayer>(); // no reset by the fixture first
    EXPECT_EQ(std::tuple(KeyMoveRaised, MarkerDragging, GridRangeSelecting, Sources[5].Selected,
                         Sources[1].Selected),
              std::tuple(false, false, false, false, true));
    EXPECT_EQ(std::tuple(LastGridKey, NameWidth[3], Sources[5].Position.z, MarkerOrder.size(),
                         w->ScrollBarX->position()),
              std::tuple(0, 0, 0.f, 32u, 0));
}

TEST_F(MainWindow, IsChannelSelectedFollowsTheGridsCurrentRowDuringARange) {
    Sources[1].Selected = false;
    w->StringGrid1->setRow(6);
    GridRangeSelecting = true;
    GridAnchorRow = 3;
    EXPECT_TRUE(w->IsChannelSelected(3));
    EXPECT_TRUE(w->IsChannelSelected(6));
    EXPECT_FALSE(w->IsChannelSelected(7));
    GridRangeSelecting = false;
    BandSelecting = true;
    BandHits[7] = true;
    EXPECT_TRUE(w->IsChannelSelected(7));
    EXPECT_THROW(w->IsChannelSelected(0), std::out_of_range);
}

// Runs the event loop as the program does; trigger closes the window from
// inside it. The loop must end by itself, with exit code 0.
int RunLoopUntilClosed(const std::function<void()>& trigger) {
    QTimer::singleShot(0, trigger);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(99); });
    watchdog.start(5000);
    return QApplication::exec();
}

TEST_F(MainWindow, ExitCommandCloseBoxAndAltF4EndTheEventLoop) {
    EXPECT_EQ(RunLoopUntilClosed([&] { w->Exit2->trigger(); }), 0);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Destroyed()) << "the tear-down runs when the window is destroyed";
    w.reset();
    EXPECT_EQ(FrmPhonaraPlayer, nullptr);

    // The close box and Alt+F4 both come as a close request from the window manager.
    w = std::make_unique<TFrmPhonaraPlayer>();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_EQ(RunLoopUntilClosed([&] { w->windowHandle()->close(); }), 0);
    EXPECT_FALSE(w->isVisible());
}

} // namespace
