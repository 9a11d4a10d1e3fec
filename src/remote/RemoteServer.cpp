#include "remote/RemoteServer.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>

TRemoteServer::TRemoteServer(QObject* parent) : QObject(parent) {
    protocol_.NameOf = [this](int n) {
        return channelOf ? channelOf(n, true).name : std::string();
    };
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    connect(&frame_, &QTimer::timeout, this, [this] { ApplyFrame(); });
    feedback_.setInterval(FeedbackMs);
    connect(&feedback_, &QTimer::timeout, this, [this] { SendFeedback(); });
    sinceFrame_.start();
    buffer_.resize(remote::MaxDatagram + 1);
}

TRemoteServer::~TRemoteServer() = default;

bool TRemoteServer::Apply(const TRemoteSettings& settings) {
    const bool rebind = !socket_ || settings.Port != settings_.Port ||
                        settings.AllInterfaces != settings_.AllInterfaces ||
                        settings.Enabled != settings_.Enabled;
    settings_ = settings;
    protocol_.SetInversion(settings.Invert);
    fixedTarget_ = QHostAddress(settings.FeedbackHost);
    error_.clear();
    if (rebind) {
        delete socket_; // and its notifier
        socket_ = nullptr;
        readable_ = nullptr;
        feedback_.stop();
        if (settings.Enabled) {
            socket_ = new QUdpSocket(this);
            const QHostAddress where =
                settings.AllInterfaces ? QHostAddress::Any : QHostAddress::LocalHost;
            if (!socket_->bind(where, static_cast<quint16>(settings.Port))) {
                error_ = QString("ポート %1 を開けません: %2")
                             .arg(settings.Port)
                             .arg(socket_->errorString());
                delete socket_;
                socket_ = nullptr;
            } else {
                // A notifier of our own on the socket: Qt's own switches itself
                // off between a readyRead and the next read, and with the GLib
                // event loop a notification is then lost now and again, so
                // that datagrams would wait for the next one.
                readable_ = new QSocketNotifier(socket_->socketDescriptor(), QSocketNotifier::Read,
                                                socket_);
                connect(readable_, &QSocketNotifier::activated, this, [this] { ReadPending(); });
                feedback_.start();
                baselineSet_ = false;
            }
        }
    }
    emit statusChanged();
    return !settings.Enabled || socket_;
}

bool TRemoteServer::Listening() const {
    return socket_ != nullptr;
}

QHostAddress TRemoteServer::Address() const {
    return socket_ ? socket_->localAddress() : QHostAddress();
}

quint16 TRemoteServer::Port() const {
    return socket_ ? socket_->localPort() : 0;
}

QString TRemoteServer::Status() const {
    if (!error_.isEmpty())
        return error_;
    if (!socket_)
        return "停止中";
    const remote::Counters& c = protocol_.Count();
    const QString where = settings_.AllInterfaces ? "すべてのインターフェース" : "127.0.0.1";
    return QString("%1:%2 で受信中 — 受付 %3、拒否 %4")
        .arg(where)
        .arg(socket_->localPort())
        .arg(c.taken)
        .arg(c.refused + c.malformed);
}

void TRemoteServer::ReadPending() {
    if (!socket_)
        return;
    if (reading_) {
        // A dialog opened by a command runs its own event loop: datagrams
        // that arrive meanwhile wait for this round to end, without the
        // notifier calling again and again.
        readable_->setEnabled(false);
        return;
    }
    reading_ = true;
    // Names and words are left out here: they are needed for a name query
    // only, which asks for its one channel.
    const remote::State state = Snapshot(false);
    // A flood is taken in slices of a few milliseconds, so that the window
    // keeps painting and taking input between them.
    constexpr qint64 SliceNs = 4'000'000;
    QElapsedTimer slice;
    slice.start();
    // Read until the socket has nothing more (one system call per datagram,
    // no peeking first).
    bool drained = false;
    while (socket_ && !drained && slice.nsecsElapsed() < SliceNs) {
        // One byte more than taken: a datagram that fills it was larger and
        // is dropped undecoded (the system cuts it to the buffer).
        QHostAddress sender;
        const qint64 read =
            socket_->readDatagram(buffer_.data(), static_cast<qint64>(buffer_.size()), &sender);
        if (read < 0) {
            // Nothing more, or an error the system reported for an earlier
            // send; the notifier calls again while anything is left.
            drained = true;
        } else if (read > static_cast<qint64>(remote::MaxDatagram)) {
            protocol_.CountDropped();
        } else {
            protocol_.Handle(buffer_.data(), static_cast<size_t>(read), sender.isLoopback(), state);
            for (const remote::Datagram& reply : protocol_.TakeReplies())
                Send(reply, sender);
            lastSender_ = sender;
        }
    }

    std::vector<remote::Command> commands = protocol_.TakeCommands();
    if (!commands.empty() && onCommands) {
        onCommands(commands);
        std::vector<int> touched;
        for (const remote::Command& c : commands)
            if (c.channel)
                touched.push_back(c.channel);
        Rebase(touched);
    }
    if (protocol_.HasPending()) {
        // At most one application per screen frame; at once when the last
        // one is a frame ago.
        const qint64 since = sinceFrame_.elapsed();
        if (since >= FrameMs)
            ApplyFrame();
        else if (!frame_.isActive())
            frame_.start(static_cast<int>(FrameMs - since));
    }
    reading_ = false;
    if (readable_)
        readable_->setEnabled(true);
    if (socket_ && !drained)
        QTimer::singleShot(0, this, [this] { ReadPending(); });
    emit statusChanged();
}

void TRemoteServer::ApplyFrame() {
    frame_.stop();
    sinceFrame_.restart();
    const auto moves = protocol_.TakeMoves();
    if (!moves.empty() && onMoves) {
        onMoves(moves);
        // A move changes places only: names and words stay as they were.
        if (baselineSet_ && channelOf)
            for (const auto& [n, where] : moves)
                baseline_[n].position = channelOf(n, false).position;
    }
    if (auto listener = protocol_.TakeListener(); listener && onListener)
        onListener(*listener);
}

void TRemoteServer::Rebase(const std::vector<int>& channels) {
    if (!baselineSet_ || !channelOf)
        return;
    for (int n : channels)
        if (n >= 1 && n <= remote::Channels)
            baseline_[n] = channelOf(n, true);
}

remote::State TRemoteServer::Snapshot(bool text) const {
    remote::State state;
    if (channelOf)
        for (int n = 1; n <= remote::Channels; ++n)
            state[n] = channelOf(n, text);
    return state;
}

QHostAddress TRemoteServer::FeedbackTarget() const {
    return fixedTarget_.isNull() ? lastSender_ : fixedTarget_;
}

void TRemoteServer::SendFeedback() {
    if (!socket_ || !channelOf)
        return;
    // Never let datagrams wait for long, whatever happens to notifications.
    if (!reading_ && socket_->hasPendingDatagrams())
        ReadPending();
    const remote::State now = Snapshot(true);
    if (!baselineSet_) {
        // What the controller sees first is what it sends; only changes follow.
        baseline_ = now;
        baselineSet_ = true;
        return;
    }
    const QHostAddress target = FeedbackTarget();
    if (target.isNull()) {
        baseline_ = now;
        return;
    }
    for (const remote::Datagram& d : remote::Protocol::Feedback(baseline_, now))
        Send(d, target);
    baseline_ = now;
}

void TRemoteServer::Send(const remote::Datagram& d, const QHostAddress& to) {
    if (!socket_ || d.empty() || to.isNull())
        return;
    socket_->writeDatagram(reinterpret_cast<const char*>(d.data()), static_cast<qint64>(d.size()),
                           to, static_cast<quint16>(settings_.FeedbackPort));
}
