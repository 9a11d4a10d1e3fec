// The plane views as the user sees and hears them: the figure behind the
// markers, the rubber band's frame over it, and a dragged source heard moving
// through the real audio library.
#include <QApplication>
#include <QFrame>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "AudioRender.h"
#include "ProgramTest.h"
#include "QtPrinters.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/ViewImage.h"

namespace {

class Views : public ProgramTest {
protected:
    void SetUp() override {
        create();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
};

bool IsWhite(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(255, 255, 255);
}

TEST_F(Views, BothViewsShowTheFigureOnThePanelsFace) {
    const QImage& picture = w->Image1->Picture();
    ASSERT_EQ(picture.size(), QSize(250, 250));
    // Just above the horizontal axis a row crosses each circle twice and the
    // vertical axis once: boxes (1,1,249,249), (63,63,187,187), (115,115,135,135).
    std::vector<int> crossings;
    for (int x = 0; x < 250; ++x)
        if (IsWhite(picture, x, 124))
            crossings.push_back(x);
    EXPECT_EQ(crossings, (std::vector<int>{1, 63, 115, 125, 134, 186, 248}));
    // The axes run from pixel 1 to the last pixel, without their end points.
    EXPECT_FALSE(IsWhite(picture, 125, 0));
    EXPECT_TRUE(IsWhite(picture, 125, 1));
    EXPECT_TRUE(IsWhite(picture, 125, 249));
    EXPECT_FALSE(IsWhite(picture, 0, 125));
    EXPECT_TRUE(IsWhite(picture, 249, 125));
    EXPECT_EQ(w->Image2->Picture(), picture) << "the top view shows the same figure";

    // The silver fill does not paint: the panel's face shows there.
    const QImage shown = w->Panel2->grab().toImage();
    EXPECT_EQ(shown.pixelColor(1 + 30, 1 + 200), w->Panel2->palette().color(QPalette::Window));
    EXPECT_EQ(shown.pixelColor(1 + 125, 1 + 60), QColor(Qt::white));
    // The face is laid into the view's picture: another palette shows through.
    QPalette sand = w->palette();
    sand.setColor(QPalette::Window, QColor(230, 210, 160));
    w->setPalette(sand);
    EXPECT_EQ(w->Panel2->grab().toImage().pixelColor(1 + 30, 1 + 200), QColor(230, 210, 160));
}

TEST_F(Views, TheBandsFrameLeavesTheFigureAsItWas) {
    const QImage before = w->Panel1->grab().toImage();
    const QPoint from(40, 200), to(200, 60);
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, from);
    QTest::mouseMove(w->Image1, to);
    const QImage during = w->Panel1->grab().toImage();
    // The frame's dots on its bottom edge, over the panel's face and over the
    // outer circle alike.
    int changed = 0;
    for (int x = from.x(); x < to.x(); ++x)
        changed += during.pixel(1 + x, 1 + from.y() - 1) != before.pixel(1 + x, 1 + from.y() - 1);
    EXPECT_GT(changed, (to.x() - from.x()) / 3);
    EXPECT_NE(during.pixel(1 + to.x() + 5, 1 + 100), 0u);
    EXPECT_EQ(during.pixel(1 + to.x() + 5, 1 + 100), before.pixel(1 + to.x() + 5, 1 + 100))
        << "nothing outside the frame";
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, to);
    EXPECT_EQ(w->Panel1->grab().toImage(), before);
}

TEST_F(Views, ADraggedMonoSourceIsHeardMoving) {
    testsupport::TempDir dir;
    const std::string path = dir.file("tone.wav");
    ASSERT_TRUE(testsupport::writeTone(path, {.seconds = 0.25}));
    testsupport::LoopbackDevice device;
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
    SetReverbDefaults();
    ASSERT_TRUE(w->LoadChannelFile(1, path));
    ASSERT_TRUE(Sources[1].Selected);
    w->LoopButtonClick();

    auto out = testsupport::render(0.15);
    const double left0 = testsupport::rms(out, 0, 0.05), right0 = testsupport::rms(out, 1, 0.05);
    EXPECT_GT(left0, 0.01);
    EXPECT_NEAR(right0 / left0, 1.0, 0.1) << "at the listener: balanced";

    const QPoint centre(FrontMarkers[1]->x() + MarkerHalfWidth,
                        FrontMarkers[1]->y() + MarkerHalfHeight);
    ASSERT_EQ(centre, QPoint(125, 125));
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, centre);
    QTest::mouseMove(w->Image1, {200, 125});
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, {200, 125});
    EXPECT_FLOAT_EQ(Sources[1].Position.x, 1.5f);

    out = testsupport::render(0.15);
    EXPECT_GT(testsupport::rms(out, 1, 0.05), 2.0 * testsupport::rms(out, 0, 0.05))
        << "1.5 m to the right";
}

} // namespace
