#include "remote/RemoteServer.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/timerfd.h>
#endif

TRemoteServer::TRemoteServer(QObject* parent) : QObject(parent) {
    protocol_.NameOf = [this](int n) {
        return channelOf ? channelOf(n, true).name : std::string();
    };
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    connect(&frame_, &QTimer::timeout, this, [this] { FrameDue(); });
#if defined(__linux__)
    // QTimer counts whole milliseconds and the event loop waits in whole
    // milliseconds on top: a frame came up to two late, and a datagram that
    // just missed one waited that much more than a frame. The system's timer
    // wakes the loop to the microsecond.
    frameFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (frameFd_ >= 0) {
        frameDue_ = new QSocketNotifier(frameFd_, QSocketNotifier::Read, this);
        connect(frameDue_, &QSocketNotifier::activated, this, [this] {
            uint64_t expired = 0;
            if (::read(frameFd_, &expired, sizeof expired) < 0 && errno == EAGAIN)
                return;
            frameArmed_ = false;
            FrameDue();
        });
    }
#endif
    feedback_.setInterval(FeedbackMs);
    connect(&feedback_, &QTimer::timeout, this, [this] { SendFeedback(); });
    buffer_.resize(BatchSize * (remote::MaxDatagram + 1));
}

TRemoteServer::~TRemoteServer() {
#if defined(__linux__)
    delete frameDue_;
    if (frameFd_ >= 0)
        ::close(frameFd_);
#endif
}

qint64 TRemoteServer::NowNs() {
    // CLOCK_MONOTONIC, which the system's frame timer counts on too.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TRemoteServer::FrameDue() {
    // What came since the last read joins this frame rather than waiting for
    // the next: the timer and the socket can be ready at once, and the timer
    // may be served first.
    if (!reading_)
        ReadPending(false);
    ApplyFrame();
    // While the frames tick, they carry the feedback rounds too, one wake-up
    // fewer each time.
    if (ticking_ && NowNs() - lastFeedbackNs_ >= FeedbackMs * qint64{1'000'000})
        SendFeedback();
}

void TRemoteServer::ArmFrame(qint64 dueNs) {
#if defined(__linux__)
    if (frameFd_ >= 0) {
        itimerspec when{};
        when.it_value.tv_sec = static_cast<time_t>(dueNs / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(dueNs % 1'000'000'000);
        if (timerfd_settime(frameFd_, TFD_TIMER_ABSTIME, &when, nullptr) == 0) {
            frameArmed_ = true;
            return;
        }
    }
#endif
    frame_.start(static_cast<int>((std::max<qint64>(0, dueNs - NowNs()) + 999'999) / 1'000'000));
}

void TRemoteServer::DisarmFrame() {
    frame_.stop();
#if defined(__linux__)
    if (frameArmed_) {
        const itimerspec never{};
        timerfd_settime(frameFd_, 0, &never, nullptr);
        frameArmed_ = false;
    }
#endif
}

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
        ticking_ = false;
        feedback_.stop();
        if (settings.Enabled) {
            socket_ = new QUdpSocket(this);
            const QHostAddress where =
                settings.AllInterfaces ? QHostAddress::Any : QHostAddress::LocalHost;
            if (!socket_->bind(where, static_cast<quint16>(settings.Port))) {
                error_ =
                    tr("ポート %1 を開けません: %2").arg(settings.Port).arg(socket_->errorString());
                delete socket_;
                socket_ = nullptr;
            } else {
                // A notifier of our own on the socket: Qt's own switches itself
                // off between a readyRead and the next read, and with the GLib
                // event loop a notification is then lost now and again, so
                // that datagrams would wait for the next one.
                readable_ = new QSocketNotifier(socket_->socketDescriptor(), QSocketNotifier::Read,
                                                socket_);
                connect(readable_, &QSocketNotifier::activated, this,
                        [this] { ReadPending(true); });
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
        return tr("停止中");
    const remote::Counters& c = protocol_.Count();
    const QString where = settings_.AllInterfaces ? tr("すべてのインターフェース") : "127.0.0.1";
    return tr("%1:%2 で受信中 — 受付 %3、拒否 %4")
        .arg(where)
        .arg(socket_->localPort())
        .arg(c.taken)
        .arg(c.refused + c.malformed);
}

void TRemoteServer::ReadPending(bool schedule) {
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
    // only, which asks for its one channel. Taken with the first datagram:
    // the frame's and the feedback's reads mostly find none.
    std::optional<remote::State> state;
    const remote::Counters before = protocol_.Count();
    // A flood is taken in slices of a few milliseconds, so that the window
    // keeps painting and taking input between them.
    constexpr qint64 SliceNs = 4'000'000;
    QElapsedTimer slice;
    slice.start();
    // Read straight from the socket's descriptor, a batch of datagrams per
    // system call: QUdpSocket costs a call per datagram and one more to learn
    // that nothing is left, builds an address for each and switches its own
    // notifier off and on each time. Qt's notifier stays off, as it does
    // after a readyRead nobody reads; ours does the waking.
    bool drained = false;
    while (socket_ && !drained && slice.nsecsElapsed() < SliceNs) {
        const int got = ReceiveBatch(drained);
        for (int i = 0; i < got && socket_; ++i) {
            // One byte more than taken: a datagram that fills it was larger
            // and is dropped undecoded (the system cuts it to the buffer).
            const Received& r = received_[static_cast<size_t>(i)];
            if (r.truncated || r.size > remote::MaxDatagram) {
                protocol_.CountDropped();
                continue;
            }
            const bool loopback = RememberSender(r.from, r.fromSize);
            if (!state)
                state = Snapshot(false);
            protocol_.Handle(r.data, r.size, loopback, *state);
            for (const remote::Datagram& reply : protocol_.TakeReplies())
                Send(reply, lastSender_);
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
    if (schedule && protocol_.HasPending()) {
        // At most one application per screen frame, at once when the frame
        // is due. The frames keep their beat from when they were due, not
        // from when the last one ran, so that a late timer does not push
        // every later frame back too.
        if (NowNs() >= nextFrameNs_)
            ApplyFrame();
        else if (!frameArmed_ && !frame_.isActive())
            ArmFrame(nextFrameNs_);
    }
    reading_ = false;
    if (readable_)
        readable_->setEnabled(!ticking_);
    if (socket_ && !drained)
        QTimer::singleShot(0, this, [this] { ReadPending(true); });
    // The status line only says what was taken and refused: a round that
    // changed neither has nothing new for it.
    const remote::Counters& after = protocol_.Count();
    if (after.taken != before.taken || after.refused != before.refused ||
        after.malformed != before.malformed)
        emit statusChanged();
}

int TRemoteServer::ReceiveBatch(bool& drained) {
    const int fd = static_cast<int>(socket_->socketDescriptor());
    const size_t slot = remote::MaxDatagram + 1;
    int got = 0;
#if defined(__linux__)
    std::array<mmsghdr, BatchSize> headers{};
    std::array<iovec, BatchSize> parts{};
    for (size_t i = 0; i < BatchSize; ++i) {
        parts[i] = {buffer_.data() + i * slot, slot};
        headers[i].msg_hdr.msg_iov = &parts[i];
        headers[i].msg_hdr.msg_iovlen = 1;
        headers[i].msg_hdr.msg_name = &received_[i].from;
        headers[i].msg_hdr.msg_namelen = sizeof(received_[i].from);
    }
    got = ::recvmmsg(fd, headers.data(), BatchSize, MSG_DONTWAIT, nullptr);
    for (int i = 0; i < got; ++i) {
        Received& r = received_[static_cast<size_t>(i)];
        r.data = parts[static_cast<size_t>(i)].iov_base;
        r.size = headers[static_cast<size_t>(i)].msg_len;
        r.truncated = (headers[static_cast<size_t>(i)].msg_hdr.msg_flags & MSG_TRUNC) != 0;
        r.fromSize = headers[static_cast<size_t>(i)].msg_hdr.msg_namelen;
    }
    // Fewer than asked for: the queue was empty before the batch was full.
    if (got >= 0 && got < static_cast<int>(BatchSize))
        drained = true;
#else
    Received& r = received_[0];
    iovec part{buffer_.data(), slot};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_name = &r.from;
    header.msg_namelen = sizeof(r.from);
    const ssize_t read = ::recvmsg(fd, &header, MSG_DONTWAIT);
    if (read >= 0) {
        r.data = buffer_.data();
        r.size = static_cast<size_t>(read);
        r.truncated = (header.msg_flags & MSG_TRUNC) != 0;
        r.fromSize = header.msg_namelen;
        got = 1;
    } else {
        got = -1;
    }
#endif
    if (got < 0) {
        got = 0;
        // An error the system reported for an earlier send (the controller's
        // feedback port closed) is taken by this call: read on. Anything
        // else, nothing is left; the notifier calls again if there is.
        if (errno != ECONNREFUSED && errno != EHOSTUNREACH && errno != ENETUNREACH &&
            errno != EINTR)
            drained = true;
    }
    return got;
}

bool TRemoteServer::RememberSender(const sockaddr_storage& from, socklen_t size) {
    // A controller sends from one address and port: the address is built
    // again only when that changes.
    if (size != senderSize_ || std::memcmp(&from, &senderRaw_, size) != 0) {
        std::memcpy(&senderRaw_, &from, size);
        senderSize_ = size;
        lastSender_ = QHostAddress(reinterpret_cast<const sockaddr*>(&from));
        senderLoopback_ = lastSender_.isLoopback();
    }
    return senderLoopback_;
}

void TRemoteServer::ApplyFrame() {
    DisarmFrame();
    // The next frame is due a frame after this one was due, so that a timer
    // that ran a little late does not push every later frame back; a frame
    // from now after a pause or a longer hold-up.
    const qint64 now = NowNs();
    const qint64 late = now - nextFrameNs_;
    nextFrameNs_ = (late >= 0 && late <= LatenessCarriedNs ? nextFrameNs_ : now) + FrameNs;
    const auto moves = protocol_.TakeMoves();
    if (!moves.empty() && onMoves) {
        onMoves(moves);
        // A move changes places only: names and words stay as they were.
        if (baselineSet_ && channelOf)
            for (const auto& [n, where] : moves)
                baseline_[n].position = channelOf(n, false).position;
    }
    auto listener = protocol_.TakeListener();
    if (listener && onListener)
        onListener(*listener);
    // A controller that moved something in this frame will most likely move
    // it again in the next: until a frame finds nothing, the frames read the
    // socket themselves and its notifier rests. A controller sends a burst
    // every few milliseconds, and each burst woke the thread a few times for
    // moves that only a frame applies; replies and commands then wait for
    // the next frame too, 16 ms at most.
    ticking_ = socket_ && (!moves.empty() || listener);
    if (ticking_) {
        ArmFrame(nextFrameNs_);
        feedback_.stop();
    } else if (socket_ && !feedback_.isActive()) {
        feedback_.start();
    }
    if (readable_ && !reading_)
        readable_->setEnabled(!ticking_);
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
    lastFeedbackNs_ = NowNs();
    // Never let datagrams wait for long, whatever happens to notifications.
    if (!reading_ && socket_->hasPendingDatagrams())
        ReadPending(true);
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
