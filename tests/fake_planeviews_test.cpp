// The mouse in the plane views, with real mouse events: picking, Ctrl+click,
// the rubber band, dragging and the right press; the recording double shows
// what reaches the audio library.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

#include "FakeAudio.h"
#include "FakeProgram.h"
#include "QtPrinters.h"
#include "WheelEvents.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

class PlaneViews : public FakeProgramTest {
protected:
    void SetUp() override {
        FakeProgramTest::SetUp();
        front = w->Image1;
        top = w->Image2;
    }

    std::vector<int> selection() const {
        std::vector<int> s;
        for (int n = 1; n <= ChannelCount; ++n)
            if (Sources[n].Selected)
                s.push_back(n);
        return s;
    }
    static QPoint centre(int n, bool inFront = true) {
        const TMarker* m = inFront ? FrontMarkers[n] : TopMarkers[n];
        return {m->x() + MarkerHalfWidth, m->y() + MarkerHalfHeight};
    }
    static void click(TViewImage* view, QPoint p, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(view, Qt::LeftButton, mods, p);
        QTest::mouseRelease(view, Qt::LeftButton, mods, p);
    }
    static void drag(TViewImage* view, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(view, Qt::LeftButton, mods, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, mods, to);
    }
    // The names of the positioning calls in the order they were made.
    static std::vector<std::string> positioningCalls() {
        std::vector<std::string> names;
        for (const auto& c : fake::state().calls)
            if (c.name == "BASS_ChannelSet3DPosition" || c.name == "BASS_Apply3D")
                names.push_back(c.name);
        return names;
    }

    TViewImage* front = nullptr;
    TViewImage* top = nullptr;
};

TEST_F(PlaneViews, ClicksAndCtrlClicksSelectMarkers) {
    load(1, {-1.0f, 0, 0}, false);
    load(2, {0, 0, 0}, false);
    load(3, {1.0f, 0, 0}, false);

    click(front, centre(2));
    EXPECT_EQ(selection(), std::vector<int>{2}) << "a plain click selects only the marker";
    EXPECT_EQ(w->StringGrid1->row(), 2);
    EXPECT_EQ(MarkerOrder.front(), 2);
    EXPECT_EQ(FrontMarkers[2]->color(), w->StringGrid1->palette().color(QPalette::Highlight))
        << "the grid's repaint recoloured the marker";
    EXPECT_FALSE(MarkerDragging);

    click(top, centre(3, false), Qt::ControlModifier);
    EXPECT_EQ(selection(), (std::vector<int>{2, 3})) << "Ctrl+click adds";
    EXPECT_EQ(w->StringGrid1->row(), 3);

    click(front, centre(2), Qt::ControlModifier);
    EXPECT_EQ(selection(), std::vector<int>{3}) << "Ctrl+click on a selected marker deselects";
    EXPECT_EQ(FrontMarkers[2]->color(), QColor(Qt::white));

    click(front, centre(1), Qt::ControlModifier);
    click(front, centre(3));
    EXPECT_EQ(selection(), (std::vector<int>{1, 3}))
        << "a plain click on a selected marker keeps the whole selection";
    EXPECT_EQ(w->StringGrid1->row(), 3);

    // A Ctrl press on a selected marker that then moves drags, not toggles.
    const QPoint from = centre(1);
    QTest::mousePress(front, Qt::LeftButton, Qt::ControlModifier, from);
    QTest::mouseMove(front, from + QPoint(10, 0));
    QTest::mouseMove(front, from);
    QTest::mouseRelease(front, Qt::LeftButton, Qt::ControlModifier, from);
    EXPECT_EQ(selection(), (std::vector<int>{1, 3}));

    // Ctrl on an unselected marker drags the selection along with it.
    const int left1 = FrontMarkers[1]->x(), left2 = FrontMarkers[2]->x();
    const int left3 = FrontMarkers[3]->x();
    drag(front, centre(2), centre(2) + QPoint(0, 10), Qt::ControlModifier);
    EXPECT_EQ(selection(), (std::vector<int>{1, 2, 3}));
    for (int n : {1, 2, 3})
        EXPECT_EQ(FrontMarkers[n]->y(), centre(2).y() - MarkerHalfHeight) << n;
    EXPECT_EQ(FrontMarkers[1]->x(), left1);
    EXPECT_EQ(FrontMarkers[2]->x(), left2);
    EXPECT_EQ(FrontMarkers[3]->x(), left3);
}

TEST_F(PlaneViews, EmptySpaceClearsOrKeepsAndTheBandOnlyAdds) {
    load(1, {-1.0f, 1.0f, 0}, true);
    load(2, {0, 0, 0}, false);
    load(3, {1.0f, -1.0f, 0}, false);
    const QPoint empty(30, 230);

    click(front, empty);
    EXPECT_TRUE(selection().empty()) << "a plain press on empty space clears at once";
    EXPECT_FALSE(BandSelecting);

    selectOnly({1});
    QTest::mousePress(front, Qt::LeftButton, Qt::ControlModifier, empty);
    EXPECT_EQ(selection(), std::vector<int>{1}) << "Ctrl keeps the selection";
    EXPECT_TRUE(BandSelecting);
    QTest::mouseMove(front, centre(2));
    EXPECT_TRUE(w->IsChannelSelected(2)) << "the band's hit counts as selected";
    EXPECT_FALSE(Sources[2].Selected);
    EXPECT_EQ(FrontMarkers[2]->color(), w->StringGrid1->palette().color(QPalette::Highlight));
    EXPECT_EQ(front->Band(),
              QRect(QPoint(empty.x(), centre(2).y()), QPoint(centre(2).x() - 1, empty.y() - 1)));
    QTest::mouseMove(front, empty + QPoint(1, -1));
    EXPECT_FALSE(w->IsChannelSelected(2)) << "hits are recomputed on every move";
    QTest::mouseMove(front, centre(2));
    QTest::mouseRelease(front, Qt::LeftButton, Qt::ControlModifier, centre(2));
    EXPECT_EQ(selection(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(front->Band().isEmpty()) << "the frame is gone after the release";
    EXPECT_FALSE(BandSelecting);

    // The next band starts without the hits of the last one.
    QTest::mousePress(front, Qt::LeftButton, {}, empty);
    EXPECT_FALSE(w->IsChannelSelected(2));
    QTest::mouseRelease(front, Qt::LeftButton, {}, empty);

    // A band of zero height straight across marker 3 touches nothing.
    selectOnly({1, 2});
    const QPoint c3 = centre(3);
    drag(front, {c3.x() - 30, c3.y()}, {c3.x() + 30, c3.y()}, Qt::ControlModifier);
    EXPECT_EQ(selection(), (std::vector<int>{1, 2}));
}

TEST_F(PlaneViews, TheBandBringsTheTouchedChannelsForwardInTheirOrder) {
    for (int n = 1; n <= 5; ++n)
        load(n, {(n - 3) * 0.5f, 0, 0}, false);
    load(6, {0, 2.0f, 0}, false);
    const std::vector<int> before = MarkerOrder;
    // From below the row of markers 2..4 up to above it, not reaching 1 or 5.
    const QPoint a(centre(2).x() - 2, 180), b(centre(4).x() + 2, 100);
    drag(front, a, b);
    EXPECT_EQ(selection(), (std::vector<int>{2, 3, 4}));
    std::vector<int> expected;
    std::copy_if(before.begin(), before.end(), std::back_inserter(expected),
                 [](int n) { return n >= 2 && n <= 4; });
    std::copy_if(before.begin(), before.end(), std::back_inserter(expected),
                 [](int n) { return n < 2 || n > 4; });
    EXPECT_EQ(MarkerOrder, expected);
    // The stacking agrees: the earlier in MarkerOrder, the higher on the panel.
    const auto stack = w->Panel1->children();
    EXPECT_GT(stack.indexOf(FrontMarkers[expected[0]]), stack.indexOf(FrontMarkers[expected[1]]));
    EXPECT_GT(stack.indexOf(FrontMarkers[expected[2]]), stack.indexOf(FrontMarkers[1]));
}

TEST_F(PlaneViews, SelectedMarkersWinAndEmptySlotsAreNeverTouched) {
    load(1, {0, 0, 0}, true);
    load(2, {0, 0, 0}, false);
    RaiseChannelMarkers(2); // in front of 1
    Sources[4].Selected = true;
    placeMarkers(4, {-1.0f, 1.0f, 0}); // an empty slot's hidden marker
    load(5, {1.0f, -1.0f, 0}, false);

    click(front, centre(1));
    EXPECT_EQ(selection(), (std::vector<int>{1, 4})) << "the selected marker behind wins";
    EXPECT_EQ(w->StringGrid1->row(), 1);
    EXPECT_EQ(MarkerOrder.front(), 1);

    selectOnly({4});
    RaiseChannelMarkers(2);
    click(front, centre(1));
    EXPECT_EQ(selection(), std::vector<int>{2}) << "front-most of the unselected ones";

    // The empty slot's marker: no hand, no hit, no band hit.
    QTest::mouseMove(front, centre(4));
    EXPECT_EQ(front->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(front, centre(5));
    EXPECT_EQ(front->cursor().shape(), Qt::PointingHandCursor);
    // The hover box leaves out the right and bottom lines, the press box does not.
    const QPoint corner(FrontMarkers[5]->x() + FrontMarkers[5]->width(),
                        FrontMarkers[5]->y() + FrontMarkers[5]->height());
    QTest::mouseMove(front, corner);
    EXPECT_EQ(front->cursor().shape(), Qt::ArrowCursor);
    click(front, corner);
    EXPECT_EQ(selection(), std::vector<int>{5});

    Sources[4].Selected = true;
    QTest::mousePress(front, Qt::LeftButton, Qt::ControlModifier, centre(4));
    EXPECT_TRUE(BandSelecting) << "a press on an empty slot's marker starts a band";
    QTest::mouseMove(front, centre(4) + QPoint(20, 20));
    EXPECT_FALSE(BandHits[4]);
    QTest::mouseRelease(front, Qt::LeftButton, Qt::ControlModifier, centre(4) + QPoint(20, 20));
    EXPECT_EQ(selection(), (std::vector<int>{4, 5}));
}

TEST_F(PlaneViews, APressWithoutMovementReDerivesThePositionFromThePixel) {
    MarkerHalfWidth = 7;
    load(1, {0.05f, 0, 0}, true);
    ASSERT_EQ(FrontMarkers[1]->x(), 120);
    const QPoint grab = centre(1);
    fake::clearCalls();
    QTest::mousePress(front, Qt::LeftButton, {}, grab);
    QTest::mouseMove(front, grab + QPoint(3, 0));
    QTest::mouseMove(front, grab);
    EXPECT_EQ(Sources[1].Position.x, static_cast<float>(0.8f * static_cast<double>(0.05f)));
    EXPECT_NEAR(Sources[1].Position.x, 0.04, 1e-6);
    EXPECT_EQ(FrontMarkers[1]->x(), 120);
    const auto set = fake::calls("BASS_ChannelSet3DPosition");
    ASSERT_FALSE(set.empty());
    EXPECT_EQ(set.back().args, (std::vector<double>{double(Sources[1].Handle),
                                                    double(Sources[1].Position.x), 0, 0, 0, 0}));
    QTest::mouseRelease(front, Qt::LeftButton, {}, grab);
}

TEST_F(PlaneViews, DraggingMovesEachChannelWithItsOwnCalls) {
    load(1, {0, 0, 0}, true, "/s/two.wav");
    load(2, {0.5f, 0.25f, -0.5f}, true);
    w->StringGrid1->setRow(1);
    const QPoint grab = centre(1);
    const int top2 = TopMarkers[2]->y();
    const QPoint offset2 = FrontMarkers[2]->pos() - FrontMarkers[1]->pos();
    fake::clearCalls();

    QTest::mousePress(front, Qt::LeftButton, {}, grab);
    EXPECT_TRUE(MarkerDragging);
    EXPECT_EQ(DragView, front);
    fake::clearCalls();
    const QPoint rightEnd(250, grab.y());
    QTest::mouseMove(front, rightEnd);
    EXPECT_EQ(positioningCalls(),
              (std::vector<std::string>{"BASS_ChannelSet3DPosition", "BASS_ChannelSet3DPosition",
                                        "BASS_Apply3D"}))
        << "each channel handed over on its own, the step applied once";
    EXPECT_EQ(Sources[1].Position.x, 2.5f);
    auto attrs = fake::calls("BASS_ChannelSetAttributes");
    ASSERT_EQ(attrs.size(), 1u) << "only the stereo channel";
    EXPECT_EQ(attrs[0].args, (std::vector<double>{double(Sources[1].Handle), -1, 100, 100}));
    EXPECT_EQ(centre(1), rightEnd);
    EXPECT_EQ(FrontMarkers[2]->pos() - FrontMarkers[1]->pos(), offset2) << "rigid";
    EXPECT_EQ(TopMarkers[2]->x(), FrontMarkers[2]->x()) << "the other view follows in X";
    EXPECT_EQ(TopMarkers[2]->y(), top2) << "and only in X";
    EXPECT_EQ(Sources[2].Position.z, -0.5f) << "the hidden coordinate stays";
    EXPECT_EQ(w->ScrollBarX->position(), 50);

    fake::clearCalls();
    QTest::mouseMove(front, {-10, grab.y()});
    attrs = fake::calls("BASS_ChannelSetAttributes");
    ASSERT_EQ(attrs.size(), 1u);
    EXPECT_EQ(attrs[0].args[3], -108) << "past the edge the pan goes on, below -100";
    EXPECT_EQ(w->ScrollBarX->position(), -50) << "only the bars stop";
    QTest::mouseRelease(front, Qt::LeftButton, {}, {-10, grab.y()});
    EXPECT_FALSE(MarkerDragging);

    fake::clearCalls();
    QTest::mouseMove(front, {100, 100});
    EXPECT_TRUE(positioningCalls().empty()) << "after the release moves only hover";
}

TEST_F(PlaneViews, AMoveWithoutTheLeftButtonEndsAGestureWhoseReleaseWasLost) {
    load(1, {0, 0, 0}, true);
    auto moveWithNoButton = [this](QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, front->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(front, &move);
    };
    QTest::mousePress(front, Qt::LeftButton, {}, centre(1));
    QTest::mouseMove(front, {100, 100});
    moveWithNoButton({60, 60});
    EXPECT_FALSE(MarkerDragging);
    EXPECT_EQ(centre(1), QPoint(100, 100)) << "the marker stays where the drag left it";

    selectOnly({});
    QTest::mousePress(front, Qt::LeftButton, Qt::ControlModifier, {10, 10});
    QTest::mouseMove(front, {200, 200});
    moveWithNoButton({200, 200});
    EXPECT_FALSE(BandSelecting);
    EXPECT_TRUE(front->Band().isEmpty());
    EXPECT_TRUE(Sources[1].Selected) << "the band's hits were added";
    QTest::mouseRelease(front, Qt::LeftButton, {}, {200, 200});
}

TEST_F(PlaneViews, LabelsFollowOnlyTheCurrentChannelsStep) {
    load(1, {0, 0, 0}, true);
    load(2, {0.5f, 0, 0}, true);
    w->StringGrid1->setRow(1);
    const QPoint grab = centre(1);
    QTest::mousePress(front, Qt::LeftButton, {}, grab);
    QTest::mouseMove(front, grab + QPoint(1, 0)); // 0.4 step
    EXPECT_EQ(Sources[1].Position.x, static_cast<float>(0.4f * static_cast<double>(0.05f)));
    EXPECT_EQ(w->LabelX->text(), "X=0");
    QTest::mouseMove(front, grab + QPoint(3, 0)); // 1.2 steps
    const QString atStep1 = "X=" + QString::fromStdString(FormatG(Sources[1].Position.x));
    EXPECT_EQ(w->LabelX->text(), atStep1) << "the current channel, not the last moved one";
    QTest::mouseMove(front, grab + QPoint(4, 0)); // 1.6 steps
    EXPECT_NE(w->LabelX->text(), "X=" + QString::fromStdString(FormatG(Sources[1].Position.x)));
    EXPECT_EQ(w->LabelX->text(), atStep1) << "within one step the label stays";
    EXPECT_EQ(w->ScrollBarX2->position(), 1);
    QTest::mouseRelease(front, Qt::LeftButton, {}, grab + QPoint(4, 0));
}

TEST_F(PlaneViews, TheRightPressSendsTheSelectionToThePointer) {
    load(1, {0, 0, 0}, false);
    selectOnly({7}); // empty
    fake::clearCalls();
    const QPoint before = FrontMarkers[1]->pos();
    QTest::mouseClick(front, Qt::RightButton, {}, {40, 60});
    EXPECT_TRUE(positioningCalls().empty()) << "no loaded selected channel: nothing";
    EXPECT_EQ(FrontMarkers[1]->pos(), before);

    load(2, {0.5f, 0.5f, 0}, true);
    load(3, {-0.5f, 0, 0}, true);
    w->StringGrid1->setRow(1); // not selected: the lowest selected one becomes current
    const QPoint d3 = FrontMarkers[3]->pos() - FrontMarkers[2]->pos();
    const QPoint d3top = TopMarkers[3]->pos() - TopMarkers[2]->pos();
    QTest::mouseClick(top, Qt::RightButton, {}, {60, 80});
    EXPECT_EQ(w->StringGrid1->row(), 2);
    EXPECT_EQ(centre(2, false), QPoint(60, 80));
    EXPECT_EQ(TopMarkers[3]->pos() - TopMarkers[2]->pos(), d3top);
    EXPECT_FALSE(MarkerDragging) << "no drag starts";
    EXPECT_EQ(Sources[2].Position.y, 0.5f) << "the top view sets X and Z";

    // During a drag it re-anchors, and the drag goes on until the left release.
    QTest::mousePress(front, Qt::LeftButton, {}, centre(3) + QPoint(3, 2));
    QTest::mousePress(front, Qt::RightButton, {}, {100, 100});
    EXPECT_EQ(centre(3), QPoint(100, 100));
    QTest::mouseRelease(front, Qt::RightButton, {}, {100, 100});
    EXPECT_TRUE(MarkerDragging);
    QTest::mouseMove(front, {110, 90});
    EXPECT_EQ(centre(3), QPoint(110, 90));
    EXPECT_EQ(FrontMarkers[2]->pos() - FrontMarkers[3]->pos(), -d3);
    QTest::mouseRelease(front, Qt::LeftButton, {}, {110, 90});
    EXPECT_FALSE(MarkerDragging);
}

TEST_F(PlaneViews, TheWheelDuringARealDragMovesAlongTheHiddenAxis) {
    load(1, {0, 0, 0}, true);
    QTest::mousePress(top, Qt::LeftButton, {}, centre(1, false));
    QTest::mouseMove(top, centre(1, false) + QPoint(5, 0));
    sendWheel(top, centre(1, false), 120);
    EXPECT_EQ(Sources[1].Position.y, 0.05f) << "the top view's hidden axis is Y, up";
    EXPECT_EQ(FrontMarkers[1]->y(), coords::StepToPixel(-1, PixelsPerStep, MarkerHalfHeight));
    QTest::mouseRelease(top, Qt::LeftButton, {}, centre(1, false));
    w->StringGrid1->setFocus();
    sendWheel(top, {10, 10}, 120);
    EXPECT_EQ(Sources[1].Position.y, 0.05f) << "after the release the wheel no longer moves it";
}

} // namespace
