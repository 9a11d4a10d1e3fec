// The remote control's socket on the GUI thread: datagrams in through a UDP
// socket of our own (127.0.0.1 unless all interfaces are asked for) that one
// notifier watches, decoded by the protocol, handed to the window as plain
// commands as each message comes; moves and the listener at most once per
// screen frame, replies at once (within a frame while a controller streams
// moves), and the window's own changes back to the controller at most 30
// times a second. Replies, refusals and feedback go only to this machine and
// to the controller's address set in the settings.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

#include "remote/RemoteProtocol.h"
#include "remote/RemoteSettings.h"

class QSocketNotifier;

class TRemoteServer : public QObject {
    Q_OBJECT
public:
    explicit TRemoteServer(QObject* parent = nullptr);
    ~TRemoteServer() override;

    // The window's side of the seam. channelOf: channel n as the window holds
    // it, with its name and state word only when text is true.
    std::function<remote::ChannelState(int n, bool text)> channelOf;
    // Applies one command; channelOf shows what it did when this returns.
    // Returns why it could not be applied (a file that does not open), in
    // words, for the controller's refusal; nothing when it was.
    std::function<std::optional<std::string>(const remote::Command&)> onCommand;
    std::function<void(const std::vector<std::pair<int, remote::Vec3>>&)> onMoves;
    std::function<void(const remote::Orientation&)> onListener;
    // Channel n's state word now, which the transport changes (the rest of
    // a channel changes only through the arrangement, which tells NoteChanged).
    std::function<std::string(int n)> wordOf;
    // This machine's addresses besides the loopback ones, answered as the
    // loopback is; read from the network interfaces now and then.
    std::function<QList<QHostAddress>()> ownAddresses;

    // Channel n of the arrangement changed: the next feedback round looks at
    // it; the others are sent only when their state word changed.
    void NoteChanged(int n);

    // Listens as the settings say (or stops when they say off). False when
    // the port could not be opened; Status() tells why. Port 0 takes a free
    // port, which the settings in effect then hold.
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
    // schedule: moves left waiting get their frame (the frame's own timer
    // reads without, as it applies them next).
    void ReadPending(bool schedule);
    void ApplyFrame();
    void SendFeedback();
    void Send(const remote::Datagram& d, const QHostAddress& to);
    // One command applied in the order it came, and what it told the
    // controller taken out of the next feedback.
    void ApplyCommand(const remote::Command& c);
    // The moves waiting, handed to the window; whether there were any.
    bool ApplyMoves();
    bool Open(int port, bool allInterfaces);
    void Close();
    bool HasPending() const;
    // Replies go to this machine and to the controller's address only.
    bool Answered(const QHostAddress& a);
    QHostAddress FeedbackTarget() const;
    remote::State Snapshot(bool text) const;
    // Datagrams waiting on the socket, up to BatchSize, into received_;
    // drained when the socket had nothing more.
    int ReceiveBatch(bool& drained);
    // lastSender_ from a datagram's address, and what it may do.
    remote::Origin RememberSender(const sockaddr_storage& from, socklen_t size);

    static qint64 NowNs();
    // The frame timer: FrameDue at dueNs (NowNs()'s clock), once.
    void ArmFrame(qint64 dueNs);
    void DisarmFrame();
    void FrameDue();

    static constexpr qint64 FrameNs = FrameMs * 1'000'000;
    static constexpr qint64 LatenessCarriedNs = 1'000'000;
    static constexpr size_t BatchSize = 16;
    struct Received {
        const void* data = nullptr;
        size_t size = 0;
        bool truncated = false;
        sockaddr_storage from{};
        socklen_t fromSize = 0;
    };

    int fd_ = -1;
    int family_ = 0;
    QHostAddress address_;
    quint16 port_ = 0;
    QSocketNotifier* readable_ = nullptr; // the socket's only watcher
    remote::Protocol protocol_;
    // The window's channels for the datagrams of one read, kept up to date
    // by each command applied meanwhile.
    std::optional<remote::State> roundState_;
    TRemoteSettings settings_;
    QString error_;
    QHostAddress lastSender_;
    QHostAddress answeredSender_; // the last sender that is answered
    QHostAddress fixedTarget_;
    QList<QHostAddress> own_;
    QElapsedTimer ownRead_;
    remote::State baseline_;
    bool baselineSet_ = false;
    std::array<bool, remote::Channels + 1> changed_{}; // since the last feedback round
    bool reading_ = false;
    // A controller is streaming moves: the frames read the socket and its
    // notifier rests, so datagrams between two frames wake nobody.
    bool ticking_ = false;
    QTimer frame_;
    QTimer feedback_;
    qint64 nextFrameNs_ = 0; // on NowNs()'s clock
    qint64 lastFeedbackNs_ = 0;
    int frameFd_ = -1; // the system's timer for frames, where there is one
    QSocketNotifier* frameDue_ = nullptr;
    bool frameArmed_ = false;
    std::vector<char> buffer_; // BatchSize datagrams, each one byte over the limit
    std::array<Received, BatchSize> received_{};
    sockaddr_storage senderRaw_{};
    socklen_t senderSize_ = 0;
    remote::Origin senderOrigin_;
};
