// The remote control's socket on the GUI thread: datagrams in through a
// QUdpSocket (127.0.0.1 unless all interfaces are asked for), decoded by the
// protocol, handed to the window as plain commands; moves and the listener at
// most once per screen frame, replies at once, and the window's own changes
// back to the controller at most 30 times a second.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

#include "remote/RemoteProtocol.h"
#include "remote/RemoteSettings.h"

class QSocketNotifier;
class QUdpSocket;

class TRemoteServer : public QObject {
    Q_OBJECT
public:
    explicit TRemoteServer(QObject* parent = nullptr);
    ~TRemoteServer() override;

    // The window's side of the seam. channelOf: channel n as the window holds
    // it, with its name and state word only when text is true.
    std::function<remote::ChannelState(int n, bool text)> channelOf;
    std::function<void(const std::vector<remote::Command>&)> onCommands;
    std::function<void(const std::vector<std::pair<int, remote::Vec3>>&)> onMoves;
    std::function<void(const remote::Orientation&)> onListener;

    // Listens as the settings say (or stops when they say off). False when
    // the port could not be opened; Status() tells why.
    bool Apply(const TRemoteSettings& settings);
    bool Listening() const;
    // The settings in effect (those of --osc-port for such a run).
    const TRemoteSettings& Settings() const { return settings_; }
    // The address and port listened on (null and 0 when off).
    QHostAddress Address() const;
    quint16 Port() const;
    // Listening address, messages taken and refused, or why it is off.
    QString Status() const;
    const remote::Protocol& Protocol() const { return protocol_; }

    // Milliseconds between two applications of moves: one screen frame.
    static constexpr int FrameMs = 16;
    static constexpr int FeedbackMs = 33; // at most 30 feedback rounds a second

signals:
    void statusChanged();

private:
    void ReadPending();
    void ApplyFrame();
    void SendFeedback();
    void Send(const remote::Datagram& d, const QHostAddress& to);
    // After the window applied what came from the controller: not feedback.
    void Rebase(const std::vector<int>& channels);
    QHostAddress FeedbackTarget() const;
    remote::State Snapshot(bool text) const;

    QUdpSocket* socket_ = nullptr;
    QSocketNotifier* readable_ = nullptr; // the socket's, deleted with it
    remote::Protocol protocol_;
    TRemoteSettings settings_;
    QString error_;
    QHostAddress lastSender_;
    QHostAddress fixedTarget_;
    remote::State baseline_;
    bool baselineSet_ = false;
    bool reading_ = false;
    QTimer frame_;
    QTimer feedback_;
    QElapsedTimer sinceFrame_;
    std::vector<char> buffer_;
};
