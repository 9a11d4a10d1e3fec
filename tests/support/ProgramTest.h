// The base of every fixture that runs the main window: one window at a time,
// and the program's state back to its defaults before and after, so that no
// test sees what an earlier one (or a failed assertion in it) left behind.
#pragma once

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "app/PNAP.h"
#include "app/ProgramState.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override {
        w.reset();
        ResetProgramState();
    }

    // A new window as the program creates it, still hidden and without audio;
    // a window of an earlier start is destroyed first, as at the end of a run.
    void create() {
        w.reset();
        ResetProgramState();
        w = std::make_unique<TFrmPhonaraPlayer>();
    }
    // Shown and active: shortcuts and focus reach the active window only.
    void showActive() {
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    std::unique_ptr<TFrmPhonaraPlayer> w;
};
