// "OSC リモート": on/off, the ports, all interfaces, the feedback target, the
// head tracker's inverted axes, and the live status of the socket.
#pragma once

#include <QDialog>

#include "remote/RemoteSettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TRemoteServer;

class TRemoteDialog : public QDialog {
    Q_OBJECT
public:
    TRemoteDialog(const TRemoteSettings& settings, const TRemoteServer* server,
                  QWidget* parent = nullptr);
    TRemoteSettings Settings() const;

    QCheckBox* EnabledBox = nullptr;
    QSpinBox* PortEdit = nullptr;
    QCheckBox* AllInterfacesBox = nullptr;
    QSpinBox* FeedbackPortEdit = nullptr;
    QLineEdit* FeedbackHostEdit = nullptr;
    QCheckBox* InvertYawBox = nullptr;
    QCheckBox* InvertPitchBox = nullptr;
    QCheckBox* InvertRollBox = nullptr;
    QLabel* StatusLabel = nullptr;

private:
    void ShowStatus();
    const TRemoteServer* server_;
};
