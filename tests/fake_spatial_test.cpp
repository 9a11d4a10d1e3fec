// Moving channels with the axis scroll bars, the arrow keys and the wheel, and
// the channel grid's display, with real key and wheel events; the recording
// double shows what reaches the audio library.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "FakeAudio.h"
#include "FakeProgram.h"
#include "QtPrinters.h"
#include "WheelEvents.h"
#include "app/PNAP.h"
#include "channellist/ChannelGrid.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

class Spatial : public FakeProgramTest {
protected:
    void SetUp() override {
        KeyMoveRaised = false;
        FakeProgramTest::SetUp();
    }
    QColor cellColour(int col, int row) {
        w->RepaintGrid();
        const QImage image = w->StringGrid1->viewport()->grab().toImage();
        const QRect r = w->StringGrid1->cellRect(col, row);
        return image.pixelColor(r.right() - 2, r.bottom() - 1);
    }
};

TEST_F(Spatial, MarkersAreCreatedInOrderAtTheOrigin) {
    ASSERT_EQ(MarkerOrder.size(), 32u);
    EXPECT_EQ(MarkerOrder.front(), 32);
    EXPECT_EQ(MarkerOrder.back(), 1);
    EXPECT_EQ(FrontMarkers[7]->text(), "07");
    EXPECT_EQ(MarkerHalfWidth, FrontMarkers[1]->width() / 2);
    EXPECT_EQ(MarkerHalfHeight, FrontMarkers[1]->height() / 2);
    for (int n = 1; n <= 32; ++n) {
        EXPECT_EQ(FrontMarkers[n]->pos(), QPoint(125 - MarkerHalfWidth, 125 - MarkerHalfHeight));
        EXPECT_EQ(TopMarkers[n]->pos(), FrontMarkers[n]->pos());
        EXPECT_FALSE(FrontMarkers[n]->isVisible()) << "hidden while the slot is empty";
        EXPECT_EQ(FrontMarkers[n]->parentWidget(), w->Panel1);
        EXPECT_EQ(TopMarkers[n]->parentWidget(), w->Panel2);
    }
    // "01" lies on top in the front view, "32" in the top view.
    for (int n : {1, 32})
        load(n, {0, 0, 0}, false);
    // Children are listed from the back to the front.
    auto stackIndex = [](QWidget* m) { return m->parentWidget()->children().indexOf(m); };
    EXPECT_GT(stackIndex(FrontMarkers[1]), stackIndex(FrontMarkers[32]));
    EXPECT_GT(stackIndex(TopMarkers[32]), stackIndex(TopMarkers[1]));
    EXPECT_GT(stackIndex(FrontMarkers[32]), stackIndex(w->Image1)) << "above the view itself";
}

TEST_F(Spatial, WithNothingToMoveABarChangesOnlyItselfItsLabelAndTheMirror) {
    selectOnly({});
    load(4, {0.5f, 0, 0}, false);
    fake::clearCalls();
    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    EXPECT_EQ(w->ScrollBarX->position(), 1);
    EXPECT_EQ(w->ScrollBarX2->position(), 1);
    EXPECT_EQ(w->LabelX->text(), "X=0") << "the unchanged last position";
    EXPECT_TRUE(fake::calls("BASS_ChannelSet3DPosition").empty());
    EXPECT_EQ(Sources[4].Position.x, 0.5f);
}

TEST_F(Spatial, AtTheEndOfTheBarAFurtherStepChangesNothing) {
    load(1, {0, 0, 0}, true);
    w->StringGrid1->setRow(1);
    w->ScrollBarX->setPosition(50);
    w->ScrollBarX->setFocus();
    const float x = Sources[1].Position.x;
    fake::clearCalls();
    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    sendWheel(w->ScrollBarX, {5, 5}, 120);
    EXPECT_EQ(w->ScrollBarX->position(), 50);
    EXPECT_EQ(Sources[1].Position.x, x);
    EXPECT_TRUE(fake::calls("BASS_ChannelSet3DPosition").empty());
}

TEST_F(Spatial, TwoChannelsMoveRigidlyWithTheirMarkers) {
    load(1, {0, 0, 0}, true);
    load(2, {0.5f, 0, 0}, true);
    w->StringGrid1->setRow(2);
    w->StringGrid1->setRow(1);
    ASSERT_EQ(w->ScrollBarX->position(), 0);
    const QPoint f1 = FrontMarkers[1]->pos(), f2 = FrontMarkers[2]->pos(),
                 t2 = TopMarkers[2]->pos();
    fake::clearCalls();

    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    EXPECT_EQ(Sources[1].Position.x, 0.05f);
    EXPECT_EQ(Sources[2].Position.x, 0.55f);
    const int dp = FrontMarkers[1]->x() - f1.x();
    EXPECT_EQ(dp, coords::StepToPixel(1, PixelsPerStep, MarkerHalfWidth) - f1.x());
    EXPECT_NE(dp, 0);
    EXPECT_EQ(FrontMarkers[2]->pos(), f2 + QPoint(dp, 0));
    EXPECT_EQ(TopMarkers[2]->pos(), t2 + QPoint(dp, 0));
    const auto pos = fake::calls("BASS_ChannelSet3DPosition");
    ASSERT_EQ(pos.size(), 2u);
    EXPECT_EQ(pos[1].args[0], Sources[2].Handle);
    EXPECT_FLOAT_EQ(static_cast<float>(pos[1].args[1]), 0.55f);
    EXPECT_EQ(fake::calls("BASS_Apply3D").size(), 1u) << "the move is applied once";
    EXPECT_EQ(w->LabelX->text(), "X=0.550000011920929") << "the highest moved channel";
    EXPECT_EQ(w->ScrollBarX2->position(), 1);
}

TEST_F(Spatial, ACurrentChannelBetweenStepsLandsExactlyOnTheNextStep) {
    const float between = coords::DragStepToX(3.6f, UnitsPerStep); // after a drag
    load(1, {between, 0, 0}, true);
    load(2, {0, 0, 0}, true);
    w->StringGrid1->setRow(2);
    w->StringGrid1->setRow(1);
    EXPECT_EQ(w->ScrollBarX->position(), 3);
    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    EXPECT_EQ(Sources[1].Position.x, coords::StepToX(4, UnitsPerStep));
    EXPECT_NEAR(Sources[2].Position.x / UnitsPerStep, 0.4, 1e-5) << "the others move 0.4 step";
}

TEST_F(Spatial, TheFirstChangeSnapsTheSelectionOntoTheLowestSelectedChannel) {
    load(2, {coords::DragStepToX(3.6f, UnitsPerStep), 0, 0}, true);
    load(3, {0.5f, 0, 0}, true);
    load(5, {0, 0, 0}, false);
    w->StringGrid1->setRow(5);
    ASSERT_EQ(w->ScrollBarX->position(), 0);
    const float x2 = Sources[2].Position.x, x3 = Sources[3].Position.x;

    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    EXPECT_EQ(w->StringGrid1->row(), 2);
    EXPECT_EQ(w->ScrollBarX->position(), 3) << "the user's step is replaced by channel 2's";
    const float d = static_cast<float>(3 * static_cast<double>(UnitsPerStep) - x2);
    EXPECT_EQ(Sources[2].Position.x, x2 + d);
    EXPECT_EQ(Sources[3].Position.x, x3 + d);
    EXPECT_EQ(MarkerOrder.front(), 2);
}

TEST_F(Spatial, LabelsShowTheHighestMovedChannel) {
    load(3, {0, 0, 0}, true);
    load(7, {0, -0.5f, 2.0f}, true);
    w->StringGrid1->setRow(3);
    QTest::keyClick(w->ScrollBarY, Qt::Key_Up);
    EXPECT_EQ(w->LabelY->text(), "Y=-0.449999988079071");
    EXPECT_GT(w->LabelY->width(), 19) << "the label grows with its text";
    QTest::keyClick(w->ScrollBarZ, Qt::Key_Down);
    EXPECT_EQ(w->LabelZ->text(),
              QString("Z=") + QString::fromStdString(FormatG(Sources[7].Position.z)));
    EXPECT_EQ(LastPosition.z, Sources[7].Position.z);
}

TEST_F(Spatial, ArrowKeysMoveTwoBarsAndRaiseTheSelectionOnce) {
    load(4, {0, 0, 0}, true);
    load(6, {0, 0, 0}, false);
    w->StringGrid1->setRow(4);
    RaiseChannelMarkers(6);
    ASSERT_EQ(MarkerOrder.front(), 6);

    w->ScrollBarZ->setFocus();
    QTest::keyClick(w->ScrollBarZ, Qt::Key_Up);
    EXPECT_EQ(MarkerOrder.front(), 4) << "the selected channel comes to the front";
    EXPECT_TRUE(KeyMoveRaised);
    EXPECT_EQ(w->ScrollBarZ->position(), -1) << "Up moves towards the front";
    EXPECT_EQ(w->ScrollBarY->position(), 0) << "a top-view bar moves Z, not Y";
    EXPECT_EQ(Sources[4].Position.z, 0.05f);

    RaiseChannelMarkers(6);
    QTest::keyClick(w->ScrollBarZ, Qt::Key_Right);
    EXPECT_EQ(MarkerOrder.front(), 6) << "no second raise during the key move";
    EXPECT_EQ(w->ScrollBarX->position(), 1);
    EXPECT_EQ(w->ScrollBarX2->position(), 1);

    w->ScrollBarY->setFocus(); // the focus leaves the bar
    EXPECT_FALSE(KeyMoveRaised);
    QTest::keyClick(w->ScrollBarY, Qt::Key_Down);
    EXPECT_EQ(w->ScrollBarY->position(), 1);
    EXPECT_EQ(w->ScrollBarZ->position(), -1);
    EXPECT_EQ(Sources[4].Position.y, -0.05f);

    // Other keys keep the bar's own handling.
    QTest::keyClick(w->ScrollBarY, Qt::Key_End);
    EXPECT_EQ(w->ScrollBarY->position(), 50);
    EXPECT_EQ(Sources[4].Position.y, coords::StepToYZ(50, UnitsPerStep));
}

TEST_F(Spatial, MirrorBarsAlwaysAgree) {
    load(1, {0, 0, 0}, true);
    QTest::keyClick(w->ScrollBarX2, Qt::Key_Right);
    EXPECT_EQ(w->ScrollBarX->position(), 1);
    EXPECT_EQ(w->ScrollBarX2->position(), 1);
    w->ScrollBarX2->setPosition(-20);
    EXPECT_EQ(w->ScrollBarX->position(), -20);
    EXPECT_FLOAT_EQ(Sources[1].Position.x, coords::StepToX(-20, UnitsPerStep));
    w->ScrollBarX->setPosition(7);
    EXPECT_EQ(w->ScrollBarX2->position(), 7);
}

TEST_F(Spatial, AnArrowHeldDownKeepsTheBarsOwnScrollingStill) {
    auto arrowButton = [](TScrollBar* bar) {
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.orientation = bar->orientation();
        opt.minimum = bar->minimum();
        opt.maximum = bar->maximum();
        opt.sliderPosition = bar->position();
        opt.sliderValue = bar->position();
        opt.singleStep = bar->singleStep();
        opt.pageStep = bar->pageStep();
        return bar->style()
            ->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddLine, bar)
            .center();
    };
    QTest::keyPress(w->ScrollBarX2, Qt::Key_Left);
    ASSERT_EQ(w->ScrollBarX2->position(), -1);
    QTest::mouseClick(w->ScrollBarX2, Qt::LeftButton, {}, arrowButton(w->ScrollBarX2));
    EXPECT_EQ(w->ScrollBarX2->position(), -1);
    QTest::keyRelease(w->ScrollBarX2, Qt::Key_Left);
    QTest::mouseClick(w->ScrollBarX2, Qt::LeftButton, {}, arrowButton(w->ScrollBarX2));
    EXPECT_EQ(w->ScrollBarX2->position(), 0) << "released, the button scrolls again";
}

TEST_F(Spatial, TheWheelMovesTheFocusedBarTowardsThePositiveSide) {
    class WheelCounter : public QObject {
    public:
        int wheels = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            wheels += e->type() == QEvent::Wheel;
            return false;
        }
    } counter;
    w->centralWidget()->installEventFilter(&counter);

    w->ScrollBarY->setFocus();
    sendWheel(w->ScrollBarY, {5, 50}, 240);
    EXPECT_EQ(w->ScrollBarY->position(), 0) << "only single notches act";
    sendWheel(w->ScrollBarY, {5, 50}, 120);
    EXPECT_EQ(w->ScrollBarY->position(), -1) << "away from the user is up: +Y";
    // The wheel goes to the focused bar wherever the pointer is.
    sendWheel(w->Image1, {100, 100}, -120);
    EXPECT_EQ(w->ScrollBarY->position(), 0);
    w->ScrollBarX->setFocus();
    sendWheel(w->ScrollBarX, {5, 5}, 120);
    EXPECT_EQ(w->ScrollBarX->position(), 1) << "away from the user is right: +X";
    EXPECT_EQ(counter.wheels, 0) << "the wheel on a bar is not passed on";
}

TEST_F(Spatial, DuringADragTheWheelMovesAlongTheHiddenAxis) {
    load(1, {0, 0, 0}, true);
    MarkerDragging = true;
    DragView = w->Image1;
    sendWheel(w->Image1, {10, 10}, 120);
    EXPECT_EQ(w->ScrollBarZ->position(), -1) << "front view: towards the front";
    DragView = w->Image2;
    sendWheel(w->Image2, {10, 10}, 120);
    EXPECT_EQ(w->ScrollBarY->position(), -1) << "top view: up";
    MarkerDragging = false;
    EXPECT_EQ(Sources[1].Position.z, 0.05f);
    EXPECT_EQ(Sources[1].Position.y, 0.05f);
}

TEST_F(Spatial, AStereoChannelMovedAwayGetsItsDistanceVolumeAndKeepsItsPan) {
    load(1, {0, 0, 0}, true, "/s/two.wav");
    fake::clearCalls();
    w->ScrollBarY->setPosition(-50);
    EXPECT_EQ(Sources[1].Position.y, 2.5f);
    const auto attrs = fake::calls("BASS_ChannelSetAttributes");
    ASSERT_EQ(attrs.size(), 1u);
    EXPECT_EQ(attrs[0].args, (std::vector<double>{double(Sources[1].Handle), -1, 61, -101}));
    EXPECT_EQ(fake::calls("BASS_ChannelSet3DPosition").size(), 1u) << "told its 3D position too";
}

TEST_F(Spatial, MakingAnEmptyRowCurrentShowsItsStoredPositionAndMovesNothing) {
    Sources[9].Position = {1.0f, -0.5f, 0.25f};
    w->StringGrid1->setRow(9);
    EXPECT_EQ(w->ScrollBarX->position(), 19) << "1.0 lies a hair below step 20";
    EXPECT_EQ(w->ScrollBarY->position(), 9);
    EXPECT_EQ(w->ScrollBarZ->position(), -4);
    EXPECT_EQ(w->LabelX->text(), "X=1");
    EXPECT_EQ(w->LabelY->text(), "Y=-0.5");
    EXPECT_EQ(w->LabelZ->text(), "Z=0.25");
    EXPECT_EQ(MarkerOrder.front(), 9);
    EXPECT_TRUE(fake::calls("BASS_ChannelSet3DPosition").empty());
}

TEST_F(Spatial, ClickingARowMakesItsChannelCurrent) {
    load(3, {0.5f, -1.0f, 0.25f}, false);
    const QPoint inRow3 = w->StringGrid1->cellRect(2, 3).center();
    QTest::mouseClick(w->StringGrid1->viewport(), Qt::LeftButton, {}, inRow3);
    EXPECT_EQ(w->StringGrid1->row(), 3);
    EXPECT_EQ(MarkerOrder.front(), 3);
    EXPECT_EQ(w->ScrollBarX->position(), 9);
    EXPECT_EQ(w->ScrollBarY->position(), 19);
    EXPECT_EQ(w->ScrollBarZ->position(), -4);
    EXPECT_EQ(w->LabelX->text(), "X=0.5");
    EXPECT_EQ(LastPosition.y, -1.0f);
    // The current channel moves when it is selected: then the bars move it.
    Sources[3].Selected = true;
    QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    EXPECT_EQ(Sources[3].Position.x, 0.5f);
    EXPECT_EQ(w->ScrollBarX->position(), 10);
}

TEST_F(Spatial, GridAndMarkerColoursInTheFourCases) {
    const QPalette pal = w->StringGrid1->palette();
    load(1, {0, 0, 0}, true);   // selected, playing
    load(2, {0, 0, 0}, true);   // selected, paused
    load(3, {0, 0, 0}, false);  // playing
    load(4, {0, 0, 0}, false);  // paused
    Sources[5].Selected = true; // selected, empty
    fake::channel(Sources[1].Handle).state = BASS_ACTIVE_PLAYING;
    fake::channel(Sources[2].Handle).state = BASS_ACTIVE_PAUSED;
    fake::channel(Sources[3].Handle).state = BASS_ACTIVE_PLAYING;
    fake::channel(Sources[4].Handle).state = BASS_ACTIVE_PAUSED;

    EXPECT_EQ(cellColour(2, 1), QColor(255, 0, 0));
    EXPECT_EQ(cellColour(2, 2), pal.color(QPalette::Highlight));
    EXPECT_EQ(cellColour(2, 3), QColor(255, 255, 0));
    EXPECT_EQ(cellColour(2, 4), pal.color(QPalette::Base));
    EXPECT_EQ(cellColour(1, 5), pal.color(QPalette::Highlight));
    EXPECT_EQ(cellColour(0, 3), pal.color(QPalette::Button)) << "the fixed column";

    EXPECT_EQ(FrontMarkers[1]->color(), QColor(255, 0, 0));
    EXPECT_EQ(TopMarkers[2]->color(), pal.color(QPalette::Highlight));
    EXPECT_EQ(FrontMarkers[3]->color(), QColor(255, 255, 0));
    EXPECT_EQ(FrontMarkers[4]->color(), QColor(255, 255, 255));
    EXPECT_EQ(FrontMarkers[5]->color(), QColor(255, 255, 255));
    for (const auto& call : fake::calls("BASS_ChannelIsActive"))
        EXPECT_NE(call.args[0], 0) << "only loaded slots are asked";
}

TEST_F(Spatial, CommandStatesFollowTheSlots) {
    auto states = [&] {
        w->RepaintGrid();
        return std::vector<bool>{w->MenuOpenFile->menuAction()->isEnabled(),
                                 w->LoadButton->isEnabled(),
                                 w->RemoveButton->isEnabled(),
                                 w->LoopButton->isEnabled(),
                                 w->PlayButton->isEnabled(),
                                 w->PauseButton->isEnabled(),
                                 w->StopButton->isEnabled()};
    };
    EXPECT_EQ(states(), (std::vector<bool>{true, true, false, false, false, false, false}));
    for (int n = 1; n <= 32; ++n)
        load(n, {0, 0, 0}, false);
    EXPECT_EQ(states(), std::vector<bool>(7, false)) << "all loaded, none selected";
    Sources[20].Selected = true;
    EXPECT_EQ(states(), std::vector<bool>(7, true));
    w->RemoveButton->click();
    EXPECT_EQ(states(), (std::vector<bool>{true, true, false, false, false, false, false}))
        << "one empty slot selected";
}

TEST_F(Spatial, TheFileColumnFitsTheLongestNameAndShrinksBack) {
    TStringGrid* g = w->StringGrid1;
    auto rest = [g] {
        return g->clientWidth() - g->colWidth(0) - g->colWidth(1) - g->colWidth(2) - 3;
    };
    w->RepaintGrid();
    EXPECT_EQ(g->colWidth(3), rest());

    const std::string longName = "/s/" + std::string(60, 'w') + ".wav";
    fake::state().files[longName] = fake::FileKind::Mono;
    selectOnly({2});
    ASSERT_TRUE(w->LoadChannelFile(2, longName));
    w->RepaintGrid();
    EXPECT_EQ(g->colWidth(3), NameWidth[2]);
    EXPECT_GT(NameWidth[2], rest());
    QCoreApplication::processEvents(); // the bars follow a width set while painting
    EXPECT_TRUE(g->horizontalScrollBar()->isVisible() || g->horizontalScrollBar()->maximum() > 0);

    w->RemoveButton->click();
    w->RepaintGrid();
    w->RepaintGrid();
    EXPECT_EQ(g->colWidth(3), rest());

    // Narrow column 1 by dragging its boundary in the header.
    const int rightOfCol1 = g->colWidth(0) + 1 + g->colWidth(1);
    const int before = g->colWidth(3);
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, {rightOfCol1, 7});
    QTest::mouseMove(g->viewport(), {rightOfCol1 - 19, 7});
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, {rightOfCol1 - 19, 7});
    ASSERT_EQ(g->colWidth(1), 20);
    w->RepaintGrid();
    EXPECT_EQ(g->colWidth(3), before + 19) << "a narrower column 1 widens the File column";
    EXPECT_EQ(g->colWidth(3), rest());
}

} // namespace
