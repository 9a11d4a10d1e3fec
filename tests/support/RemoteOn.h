// The window's remote control switched on at a port the system picks, with
// its replies and feedback going to the controller's own port (never to a
// default another program may share), and the controller sending to it.
#pragma once

#include <gtest/gtest.h>

#include "OscPeer.h"
#include "app/PNAP.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteSettings.h"

namespace testsupport {

inline void SwitchRemoteOn(TFrmPhonaraPlayer& w, OscPeer& controller) {
    ASSERT_TRUE(controller.listening());
    w.StartRemoteControl(); // off, as stored
    TRemoteSettings on;
    on.Enabled = true;
    on.Port = 0;
    on.FeedbackPort = controller.port();
    ASSERT_TRUE(w.Remote->Apply(on)) << w.Remote->Status().toStdString();
    controller.sendTo("127.0.0.1", w.Remote->Port());
}

} // namespace testsupport
