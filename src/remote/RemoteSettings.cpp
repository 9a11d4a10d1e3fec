#include "remote/RemoteSettings.h"

#include <QSettings>
#include <QStringList>

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

int TakeOscPortOption(QStringList& arguments, QString& error) {
    const QString name = "--osc-port";
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString value;
        qsizetype taken = 1;
        if (arguments[i] == name) {
            if (i + 1 < arguments.size()) {
                value = arguments[i + 1];
                taken = 2;
            }
        } else if (arguments[i].startsWith(name + "=")) {
            value = arguments[i].mid(name.size() + 1);
        } else {
            continue;
        }
        arguments.remove(i, taken);
        bool ok = false;
        const int port = value.toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            error = QString("--osc-port needs a UDP port number from 1 to 65535, not \"%1\"")
                        .arg(value);
            return -1;
        }
        return port;
    }
    return 0;
}
