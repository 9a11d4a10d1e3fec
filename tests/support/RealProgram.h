// The main window started on the real audio library and OpenAL Soft's null
// output, as the program starts it, shown and active. For the widget tests.
#pragma once

#include <gtest/gtest.h>

#include "ProgramTest.h"
#include "app/PNAP.h"
#include "channels/Sources.h"

class RealProgramTest : public ProgramTest {
protected:
    void SetUp() override { start(); }

    // Starts the program afresh; a window of an earlier start closes its
    // device first, as at the end of a run.
    void start() {
        create();
        ASSERT_TRUE(w->BASSInitialize());
        showActive();
    }
};
