#include "remote/RemoteSettings.h"

#include <QSettings>

namespace {

QSettings UserSettings() {
    return QSettings("PhonaraPlayer", "PhonaraPlayer");
}

int PortValue(const QVariant& v, int fallback) {
    bool ok = false;
    const int port = v.toInt(&ok);
    return ok && port >= 1 && port <= 65535 ? port : fallback;
}

} // namespace

TRemoteSettings LoadRemoteSettings() {
    QSettings s = UserSettings();
    TRemoteSettings r;
    r.Enabled = s.value("remote/enabled", r.Enabled).toBool();
    r.Port = PortValue(s.value("remote/port"), r.Port);
    r.AllInterfaces = s.value("remote/allInterfaces", r.AllInterfaces).toBool();
    r.FeedbackPort = PortValue(s.value("remote/feedbackPort"), r.FeedbackPort);
    r.FeedbackHost = s.value("remote/feedbackHost").toString().trimmed();
    r.Invert.yaw = s.value("remote/invertYaw", false).toBool();
    r.Invert.pitch = s.value("remote/invertPitch", false).toBool();
    r.Invert.roll = s.value("remote/invertRoll", false).toBool();
    return r;
}

void SaveRemoteSettings(const TRemoteSettings& r) {
    QSettings s = UserSettings();
    s.setValue("remote/enabled", r.Enabled);
    s.setValue("remote/port", r.Port);
    s.setValue("remote/allInterfaces", r.AllInterfaces);
    s.setValue("remote/feedbackPort", r.FeedbackPort);
    s.setValue("remote/feedbackHost", r.FeedbackHost);
    s.setValue("remote/invertYaw", r.Invert.yaw);
    s.setValue("remote/invertPitch", r.Invert.pitch);
    s.setValue("remote/invertRoll", r.Invert.roll);
}
