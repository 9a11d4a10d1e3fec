// The main window started on the recording double of the audio library, as
// the program starts it, with a few files the double can open. For the
// test_fake executable, which links the program and the double.
#pragma once

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

#include "FakeAudio.h"
#include "ProgramTest.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"

class FakeProgramTest : public ProgramTest {
protected:
    void SetUp() override {
        fake::reset();
        create();
        w->PluginFolder = "/nonexistent";
        ASSERT_TRUE(w->BASSInitialize());
        showActive();
        fake::state().files = {{"/s/mono.wav", fake::FileKind::Mono},
                               {"/s/two.wav", fake::FileKind::Stereo},
                               {"/s/song.mod", fake::FileKind::Module},
                               {"/s/bad.wav", fake::FileKind::Broken}};
        fake::clearCalls();
    }

    // Loads slot n at a position, with its markers where the position puts
    // them, and sets its selection as given.
    void load(int n, BASS_3DVECTOR pos, bool selected, const char* file = "/s/mono.wav") {
        Sources[n].Position = pos;
        ASSERT_TRUE(w->LoadChannelFile(n, file));
        Sources[n].Selected = selected;
        placeMarkers(n, pos);
    }
    static void placeMarkers(int n, BASS_3DVECTOR pos) { PlaceChannelMarkers(n, pos); }
    static void selectOnly(std::initializer_list<int> channels) {
        for (int n = 1; n <= ChannelCount; ++n)
            Sources[n].Selected = false;
        for (int n : channels)
            Sources[n].Selected = true;
    }
};
