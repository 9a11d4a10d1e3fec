// The main window started on the real audio library and OpenAL Soft's null
// output, as the program starts it, shown and active. For the widget tests.
#pragma once

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "app/PNAP.h"
#include "channels/Sources.h"

class RealProgramTest : public ::testing::Test {
protected:
    void SetUp() override { start(); }
    void TearDown() override {
        w.reset();
        ResetChannelTable();
    }

    // Starts the program afresh; a window of an earlier start closes its
    // device first, as at the end of a run.
    void start() {
        w.reset();
        ResetChannelTable();
        w = std::make_unique<TFrmPhonaraPlayer>();
        ASSERT_TRUE(w->BASSInitialize());
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    std::unique_ptr<TFrmPhonaraPlayer> w;
};
