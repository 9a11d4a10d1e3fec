// The remote control's settings, kept per user in the program's settings file
// (never in a playlist: they belong to the machine and its controllers).
#pragma once

#include <QString>

#include "remote/RemoteMapping.h"

struct TRemoteSettings {
    bool Enabled = false;
    int Port = 4001;            // ADM-OSC's
    bool AllInterfaces = false; // else 127.0.0.1 only
    int FeedbackPort = 4002;    // replies and feedback go to the sender on this port
    QString FeedbackHost;       // a fixed target instead of the last sender; empty: none
    remote::AxisInversion Invert;
    bool operator==(const TRemoteSettings&) const = default;
};

TRemoteSettings LoadRemoteSettings();
void SaveRemoteSettings(const TRemoteSettings& settings);
