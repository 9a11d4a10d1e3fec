// Undo and redo on the real window and library: a drag, a key burst, a
// Remove and a playlist opened, each taken back and put again by its keys;
// a controller's stream during a drag; and a controller's mute and gain seen
// in the views and the grid's hint, with the M key muting from the window.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <lo/lo.h>

#include "QtPrinters.h"
#include "RealProgram.h"
#include "RemoteOn.h"
#include "SelectedChannels.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "WheelEvents.h"
#include "app/PNAP.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "remote/RemoteServer.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/HintWindow.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

using testsupport::OscPeer;

// What the window shows of an arrangement, the markers' pixels included.
struct Shown {
    TArrangement arrangement;
    std::vector<QPoint> front, top;
};

class Undo : public RealProgramTest {
protected:
    void SetUp() override {
        testsupport::UseSettingsFolder(config.path());
        start();
        for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"})
            ASSERT_TRUE(testsupport::writeTone(dir.file(name), {.seconds = 0.25}));
    }
    // Loads name into channel n at p: the scene a test starts from.
    void put(int n, const char* name, BASS_3DVECTOR p) {
        ASSERT_TRUE(w->LoadChannelFile(n, dir.file(name)));
        PlaceSource(n, p, TPanRule::FromX());
        PlaceChannelMarkers(n, p);
    }
    static QPoint centre(int n) {
        return {FrontMarkers[n]->x() + MarkerHalfWidth, FrontMarkers[n]->y() + MarkerHalfHeight};
    }
    void click(int n, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(w->Image1, Qt::LeftButton, mods, centre(n));
    }
    void drag(int n, std::initializer_list<QPoint> steps) {
        QPoint at = centre(n);
        QTest::mousePress(w->Image1, Qt::LeftButton, {}, at);
        for (const QPoint& by : steps) {
            at += by;
            QTest::mouseMove(w->Image1, at);
        }
        QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, at);
    }
    void clickRow(int row) {
        QTest::mouseClick(w->StringGrid1->viewport(), Qt::LeftButton, {},
                          w->StringGrid1->cellRect(2, row).center());
    }
    void drop(const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        const QPoint at = w->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &dropped);
    }
    void key(int k, Qt::KeyboardModifiers mods) { QTest::keyClick(w.get(), Qt::Key(k), mods); }

    Shown shown() const {
        Shown s{w->CurrentArrangement(), {}, {}};
        for (int n = 1; n <= ChannelCount; ++n) {
            s.front.push_back(FrontMarkers[n]->pos());
            s.top.push_back(TopMarkers[n]->pos());
        }
        return s;
    }
    // The window, the library and the grid show what expected shows.
    void expectShown(const Shown& expected) const {
        const TArrangement& a = expected.arrangement;
        EXPECT_EQ(w->TrackBar1->value(), a.ReverbLevel);
        EXPECT_EQ(w->Label5->text(), QString::number(a.ReverbLevel));
        EXPECT_EQ(w->ComboBox1->currentIndex(), a.Environment);
        for (int n = 1; n <= ChannelCount; ++n) {
            SCOPED_TRACE(n);
            const TChannelArrangement& c = a.Channel(n);
            const TSource& s = Sources[n];
            ASSERT_EQ(s.Loaded, c.Loaded);
            EXPECT_EQ(FrontMarkers[n]->isVisible(), c.Loaded);
            if (!c.Loaded) {
                EXPECT_EQ(w->StringGrid1->cell(3, n), "");
                continue;
            }
            EXPECT_EQ(s.FileName, c.FileName);
            const TMotionPath* path = w->ChannelMotion(n);
            EXPECT_EQ(path ? std::optional(*path) : std::nullopt, c.Path);
            EXPECT_EQ(w->StringGrid1->cell(3, n).toStdString(),
                      c.FileName.substr(c.FileName.rfind('/') + 1));
            EXPECT_EQ(s.Position.x, c.Position.x);
            EXPECT_EQ(s.Position.y, c.Position.y);
            EXPECT_EQ(s.Position.z, c.Position.z);
            BASS_3DVECTOR heard{};
            ASSERT_TRUE(BASS_ChannelGet3DPosition(s.Handle, &heard, nullptr, nullptr));
            EXPECT_EQ(heard.x, c.Position.x);
            EXPECT_EQ(heard.y, c.Position.y);
            // A marker put back by its place may land a pixel off the one the
            // pointer left it on (the float step).
            const size_t i = static_cast<size_t>(n - 1);
            EXPECT_NEAR(FrontMarkers[n]->x(), expected.front[i].x(), 1);
            EXPECT_NEAR(FrontMarkers[n]->y(), expected.front[i].y(), 1);
            EXPECT_NEAR(TopMarkers[n]->y(), expected.top[i].y(), 1);
            // Every channel carries the reverb of the level shown.
            BASS_REVERB_PARAMS fx{};
            ASSERT_TRUE(BASS_FXGetParameters(s.FxHandle, &fx));
            EXPECT_EQ(fx.reverbMix, ReverbMixOfLevel(a.ReverbLevel));
        }
    }

    testsupport::TempDir config, dir;
};

TEST_F(Undo, DragKeysRemoveAndPlaylistAreUndoneAndRedoneOneGestureAtATime) {
    put(1, "a.wav", {-1.f, 0.5f, 0.f});
    put(2, "b.wav", {0.5f, -0.5f, 1.f});
    put(3, "c.wav", {1.5f, 1.f, -1.f});
    // Channel 2 follows a path when it plays: the path goes and comes back with its file.
    w->SetChannelMotion(2, TMotionPath{TMotionMode::Once, {{0, 0.5f, -0.5f, 1.f}, {2, 0, 0, 0}}});
    w->TrackBar1->setValue(5);
    w->History->Clear(); // the scene the user starts from
    w->AutoSavePath = dir.file("PNAPini.pna");
    std::vector<Shown> states{shown()};
    EXPECT_FALSE(w->UndoAction->isEnabled());
    EXPECT_EQ(w->UndoAction->text(), "元に戻す");

    // Two selected channels dragged in one go.
    click(1);
    click(2, Qt::ControlModifier);
    ASSERT_EQ(SelectedChannels(), (std::vector<int>{1, 2}));
    EXPECT_EQ(w->History->Stack.count(), 0) << "selecting is no step";
    drag(1, {{10, 5}, {20, -15}, {15, 0}});
    EXPECT_NE(Sources[1].Position.x, -1.f);
    EXPECT_FLOAT_EQ(Sources[2].Position.z, 1.f);
    states.push_back(shown());
    EXPECT_EQ(w->UndoAction->text(), "元に戻す: チャンネル 1, 2 の移動");

    // A burst of arrow keys on a bar, across two axes: one step.
    w->ScrollBarX->setFocus();
    for (Qt::Key k : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up, Qt::Key_Right})
        QTest::keyClick(w->ScrollBarX, k);
    EXPECT_EQ(w->ScrollBarX->position(), coords::XToStep(Sources[1].Position.x, UnitsPerStep));
    states.push_back(shown());
    EXPECT_EQ(w->History->Stack.count(), 2);

    // Channel 3, playing, removed.
    clickRow(3);
    ASSERT_EQ(SelectedChannels(), std::vector<int>{3});
    QTest::mouseClick(w->PlayButton, Qt::LeftButton);
    ASSERT_EQ(BASS_ChannelIsActive(Sources[3].Handle), BASS_ACTIVE_PLAYING);
    QTest::mouseClick(w->RemoveButton, Qt::LeftButton);
    ASSERT_FALSE(Sources[3].Loaded);
    states.push_back(shown());
    EXPECT_EQ(w->UndoAction->text(), "元に戻す: チャンネル 3 の開放");

    // A playlist dropped onto the window replaces the scene and the settings.
    const std::string playlist = dir.file("scene.pna");
    ASSERT_TRUE(
        WriteFileReplacing(playlist, FormatPlaylist(12, 3, {{1, 0, 0.5f, dir.file("d.wav")}})));
    drop(playlist);
    ASSERT_TRUE(Sources[1].Loaded);
    ASSERT_FALSE(Sources[2].Loaded);
    ASSERT_EQ(w->ChannelMotion(1), nullptr);
    ASSERT_EQ(w->TrackBar1->value(), 12);
    states.push_back(shown());
    EXPECT_EQ(w->History->Stack.count(), 4);
    ASSERT_TRUE(states[3].arrangement.Channel(2).Path);

    const char* undoTexts[] = {"元に戻す: チャンネル 1, 2 の移動",
                               "元に戻す: チャンネル 1, 2 の移動", "元に戻す: チャンネル 3 の開放",
                               "元に戻す: プレイリストを開く"};
    for (int i = 3; i >= 0; --i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(w->UndoAction->text(), undoTexts[i]);
        key(Qt::Key_Z, Qt::ControlModifier);
        expectShown(states[static_cast<size_t>(i)]);
        if (i == 2) {
            // Back in its slot, at its place, with its reverb, stopped.
            EXPECT_EQ(w->StringGrid1->cell(2, 3), "stop");
            EXPECT_NE(BASS_ChannelIsActive(Sources[3].Handle), BASS_ACTIVE_PLAYING);
        }
    }
    EXPECT_FALSE(w->UndoAction->isEnabled());
    key(Qt::Key_Z, Qt::ControlModifier); // nothing left to take back
    expectShown(states[0]);

    for (size_t i = 1; i < states.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(w->RedoAction->text().section(": ", 1),
                  QString(undoTexts[i - 1]).section(": ", 1));
        if (i % 2)
            key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        else
            key(Qt::Key_Y, Qt::ControlModifier);
        expectShown(states[i]);
    }
    EXPECT_FALSE(w->RedoAction->isEnabled());

    // Two steps back again, then the window closes: the auto-save holds what is shown.
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    expectShown(states[2]);
    const std::string text = w->ArrangementText();
    EXPECT_NE(text.find("c.wav"), std::string::npos);
    w->close();
    std::string saved;
    ASSERT_EQ(ReadFileHead(w->AutoSavePath, saved), TReadResult::Ok);
    EXPECT_EQ(saved, text);
}

TEST_F(Undo, EveryOtherGestureIsOneStepNamedAfterWhatItDid) {
    put(1, "a.wav", {-1.f, 0.f, 0.5f});
    w->History->Clear();
    ASSERT_EQ(SelectedChannels(), std::vector<int>{1});
    struct Case {
        const char* name;
        std::function<void()> gesture;
    } cases[] = {
        {"チャンネル 1 の移動",
         [&] { QTest::mouseClick(w->Image2, Qt::RightButton, {}, QPoint(200, 60)); }},
        {"チャンネル 1 の移動",
         [&] {
             w->ScrollBarY->setFocus();
             for (int i = 0; i < 3; ++i)
                 sendWheel(w->ScrollBarY, {7, 100}, 120);
         }},
        {"チャンネル 1 の読み込み", [&] { drop(dir.file("b.wav")); }},
        {"リバーブの変更",
         [&] {
             w->TrackBar1->setFocus();
             for (int i = 0; i < 3; ++i)
                 QTest::keyClick(w->TrackBar1, Qt::Key_Right);
         }},
        {"環境の変更",
         [&] {
             w->ComboBox1->setFocus();
             QTest::keyClick(w->ComboBox1, Qt::Key_Down);
             QTest::keyClick(w->ComboBox1, Qt::Key_Down);
         }},
    };
    int steps = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TArrangement before = w->CurrentArrangement();
        c.gesture();
        const TArrangement after = w->CurrentArrangement();
        ASSERT_NE(after, before);
        ASSERT_EQ(w->History->Stack.count(), ++steps);
        EXPECT_EQ(w->UndoAction->text(), QString("元に戻す: ") + c.name);
        key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(w->CurrentArrangement(), before);
        EXPECT_EQ(w->RedoAction->text(), QString("やり直し: ") + c.name);
        key(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(w->CurrentArrangement(), after);
    }
    EXPECT_EQ(w->ComboBox1->currentIndex(), 2);
    EXPECT_EQ(w->Label5->text(), "3");
    EXPECT_EQ(w->StringGrid1->cell(3, 1), "b.wav");
}

class UndoRemote : public Undo {
protected:
    // The remote on a port the system picks, feedback to the controller's.
    void listen() { testsupport::SwitchRemoteOn(*w, controller); }
    OscPeer controller;
};

TEST_F(UndoRemote, AControllersStreamDuringADragLeavesTheStepWhole) {
    put(1, "a.wav", {-1.f, 0.f, 0.f});
    put(2, "b.wav", {1.f, 0.f, 0.f});
    w->History->Clear();
    listen();
    const QPoint start = centre(1);
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, start);
    QTest::mouseMove(w->Image1, start + QPoint(20, 0));
    // The controller streams channel 2 and once moves the dragged channel too.
    int sent = 0;
    QTimer stream;
    QObject::connect(&stream, &QTimer::timeout,
                     [&] { lo_send(controller.to(), "/adm/obj/2/y", "f", (++sent % 20) / 40.0); });
    stream.start(5);
    lo_send(controller.to(), "/adm/obj/1/xyz", "fff", 0.0, 0.0, 0.8); // up
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent > 10 && Sources[1].Position.y == 2.f; }, 3000));
    QTest::mouseMove(w->Image1, start + QPoint(40, 10));
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, start + QPoint(40, 10));
    stream.stop();
    // Every datagram sent is taken, and its move applied.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return w->Remote->Protocol().Count().taken >= static_cast<uint64_t>(sent) + 1 &&
                   !w->Remote->Protocol().HasPending();
        },
        3000));
    const BASS_3DVECTOR dragged = Sources[1].Position;
    const float streamed = Sources[2].Position.z;
    ASSERT_NE(streamed, 0.f);

    ASSERT_EQ(w->History->Stack.count(), 1);
    EXPECT_EQ(w->UndoAction->text(), "元に戻す: チャンネル 1 の移動");
    controller.forget();
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Sources[1].Position.x, -1.f);
    EXPECT_EQ(Sources[1].Position.y, 0.f);
    EXPECT_EQ(Sources[2].Position.z, streamed) << "the controller's channel stays where it put it";
    // The controller hears of the step back like of any change.
    const auto back = controller.waitFor("/adm/obj/1/xyz");
    ASSERT_EQ(back.numbers.size(), 3u);
    EXPECT_NEAR(back.numbers[0], -0.4, 1e-6);
    EXPECT_NEAR(back.numbers[1], 0.0, 1e-6);

    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Sources[1].Position.x, dragged.x);
    EXPECT_EQ(Sources[1].Position.y, dragged.y);
}

// Pixels of a marker's inside (within its frame and the line inside it)
// that show the view's face rather than a fill.
int FacePixelsInside(const QImage& view, const TMarker* m, const QColor& face) {
    int count = 0;
    for (int y = m->y() + 2; y < m->y() + m->height() - 2; ++y)
        for (int x = m->x() + 2; x < m->x() + m->width() - 2; ++x)
            count += view.pixelColor(x, y) == face;
    return count;
}

TEST_F(UndoRemote, AMutedChannelIsHollowInBothViewsAndItsHintSaysWhy) {
    // Away from the figure's lines in both views.
    put(1, "a.wav", {-0.6f, 0.6f, 0.6f});
    put(2, "b.wav", {0.6f, 0.6f, 0.6f});
    put(3, "c.wav", {0.f, -1.6f, -1.6f});
    listen();
    lo_send(controller.to(), "/adm/obj/1/mute", "i", 1);
    lo_send(controller.to(), "/adm/obj/3/gain", "f", 0.5);
    ASSERT_TRUE(
        QTest::qWaitFor([] { return ChannelLevels[1].Muted && ChannelLevels[3].Gain == 0.5f; }));
    const QColor face = w->Panel1->palette().color(QPalette::Window);
    auto hollow = [&](int n) {
        const int front = FacePixelsInside(w->Panel1->grab().toImage(), FrontMarkers[n], face);
        const int top = FacePixelsInside(w->Panel2->grab().toImage(), TopMarkers[n], face);
        EXPECT_EQ(front > 0, top > 0) << "both views alike";
        return front > 0 && top > 0;
    };
    EXPECT_TRUE(hollow(1));
    EXPECT_FALSE(hollow(2));
    EXPECT_FALSE(hollow(3)) << "turned down, not muted";
    // The line inside the frame keeps the marker's colour (channel 1 is selected).
    const QImage front = w->Panel1->grab().toImage();
    EXPECT_EQ(front.pixelColor(FrontMarkers[1]->x() + 1, centre(1).y()),
              w->StringGrid1->palette().color(QPalette::Highlight));
    EXPECT_EQ(w->StringGrid1->cell(2, 1), "stop") << "the state word stays";

    auto hint = [&](int row) {
        QTest::mouseMove(w->StringGrid1->viewport(), w->StringGrid1->cellRect(3, row).center());
        return FileHintWindow->text().section(QChar::LineSeparator, 0, 0); // the name's line
    };
    EXPECT_EQ(hint(1), " a.wav — ミュート (コントローラー) ");
    EXPECT_EQ(hint(2), " b.wav ");
    EXPECT_EQ(hint(3), " c.wav — -6" + QLocale().decimalPoint() + "0 dB ");

    // M mutes the selected channel from the window, and the controller hears
    // of it. Feedback reports changes from its first round on, which takes
    // the scene as the controller knows it.
    QTest::qWait(2 * TRemoteServer::FeedbackMs);
    click(2);
    w->PlayButton->setFocus();
    controller.forget();
    key(Qt::Key_M, {});
    EXPECT_TRUE(ChannelLevels[2].Muted);
    EXPECT_TRUE(hollow(2));
    const auto muted = controller.waitFor("/adm/obj/2/mute");
    ASSERT_EQ(muted.numbers.size(), 1u);
    EXPECT_EQ(muted.numbers[0], 1);
    DWORD volume = 1;
    ASSERT_TRUE(BASS_ChannelGetAttributes(Sources[2].Handle, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 0u);
    EXPECT_EQ(w->History->Stack.count(), 0) << "muting is live, not a step";
    key(Qt::Key_M, {});
    EXPECT_FALSE(ChannelLevels[2].Muted);
    EXPECT_FALSE(hollow(2));

    // In the environment box M picks a room, as any letter there does.
    if (w->ComboBox1->isEnabled()) {
        w->ComboBox1->setFocus();
        QTest::keyClick(w->ComboBox1, Qt::Key_M);
        EXPECT_FALSE(ChannelLevels[2].Muted);
        EXPECT_EQ(w->ComboBox1->currentText(), "Mountains");
    }
}

} // namespace
