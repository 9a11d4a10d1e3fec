#include "remote/RemoteServer.h"

#include <QNetworkInterface>
#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/timerfd.h>
#endif

#include "files/FileError.h"

TRemoteServer::TRemoteServer(QObject* parent) : QObject(parent) {
    protocol_.NameOf = [this](int n) {
        return channelOf ? channelOf(n, true).name : std::string();
    };
    protocol_.OnCommand = [this](const remote::Command& c) { ApplyCommand(c); };
    // Every message in the order it came: moves that wait are applied before
    // any other command or query, which then sees them.
    protocol_.BeforeCommand = [this] {
        ApplyMoves();
        if (roundState_)
            *roundState_ = Snapshot(false);
    };
    ownAddresses = [] { return QNetworkInterface::allAddresses(); };
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
    Close();
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
    const bool rebind = fd_ < 0 || settings.Port != settings_.Port ||
                        settings.AllInterfaces != settings_.AllInterfaces ||
                        settings.Enabled != settings_.Enabled;
    settings_ = settings;
    protocol_.SetInversion(settings.Invert);
    fixedTarget_ = QHostAddress(settings.FeedbackHost);
    // The sender's standing may change with the controller's address.
    senderSize_ = 0;
    if (!answeredSender_.isNull() && !Answered(answeredSender_))
        answeredSender_ = {};
    error_.clear();
    if (rebind) {
        Close();
        ticking_ = false;
        feedback_.stop();
        if (settings.Enabled && Open(settings.Port, settings.AllInterfaces)) {
            settings_.Port = port_;
            feedback_.start();
            // What the controller sees first is what it sends; only changes
            // follow, from now on.
            baseline_ = Snapshot(true);
            baselineSet_ = static_cast<bool>(channelOf);
        }
    }
    emit statusChanged();
    return !settings.Enabled || fd_ >= 0;
}

bool TRemoteServer::Open(int port, bool allInterfaces) {
    // The program's own socket, read with recvmmsg and watched by one
    // notifier: a QUdpSocket would watch the descriptor too, and Qt's own
    // event loop then warns of two notifiers on one socket.
    auto fail = [&](int error) {
        error_ = tr("ポート %1 を開けません: %2")
                     .arg(port)
                     .arg(QString::fromStdString(FileErrorText(error)));
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return false;
    };
    sockaddr_storage where{};
    socklen_t size = 0;
    if (allInterfaces) {
        // IPv6 with IPv4 mapped into it, as Qt's "any" address, where the
        // system has IPv6; else IPv4 alone.
        fd_ = ::socket(AF_INET6, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ >= 0) {
            const int no = 0;
            ::setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&where);
            in6->sin6_family = AF_INET6;
            in6->sin6_addr = in6addr_any;
            in6->sin6_port = htons(static_cast<uint16_t>(port));
            size = sizeof(sockaddr_in6);
            family_ = AF_INET6;
        }
    }
    if (fd_ < 0) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return fail(errno);
        auto* in = reinterpret_cast<sockaddr_in*>(&where);
        in->sin_family = AF_INET;
        in->sin_addr.s_addr = htonl(allInterfaces ? INADDR_ANY : INADDR_LOOPBACK);
        in->sin_port = htons(static_cast<uint16_t>(port));
        size = sizeof(sockaddr_in);
        family_ = AF_INET;
    }
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&where), size) != 0)
        return fail(errno);
    sockaddr_storage bound{};
    socklen_t boundSize = sizeof bound;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &boundSize) != 0)
        return fail(errno);
    address_ = QHostAddress(reinterpret_cast<const sockaddr*>(&bound));
    port_ = family_ == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port)
                                : ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
    readable_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, [this] { ReadPending(true); });
    return true;
}

void TRemoteServer::Close() {
    delete readable_;
    readable_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    address_ = {};
    port_ = 0;
}

bool TRemoteServer::Listening() const {
    return fd_ >= 0;
}

QHostAddress TRemoteServer::Address() const {
    return address_;
}

quint16 TRemoteServer::Port() const {
    return port_;
}

QString TRemoteServer::Status() const {
    if (!error_.isEmpty())
        return error_;
    if (fd_ < 0)
        return tr("停止中");
    const remote::Counters& c = protocol_.Count();
    const QString where = settings_.AllInterfaces ? tr("すべてのインターフェース") : "127.0.0.1";
    return tr("%1:%2 で受信中 — 受付 %3、拒否 %4")
        .arg(where)
        .arg(port_)
        .arg(c.taken)
        .arg(c.refused + c.malformed);
}

void TRemoteServer::ReadPending(bool schedule) {
    if (fd_ < 0)
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
    roundState_.reset();
    const remote::Counters before = protocol_.Count();
    // A flood is taken in slices of a few milliseconds, so that the window
    // keeps painting and taking input between them.
    constexpr qint64 SliceNs = 4'000'000;
    QElapsedTimer slice;
    slice.start();
    // A batch of datagrams per system call: a call per datagram and one
    // more to learn that nothing is left cost more than the decoding.
    bool drained = false;
    while (fd_ >= 0 && !drained && slice.nsecsElapsed() < SliceNs) {
        const int got = ReceiveBatch(drained);
        for (int i = 0; i < got && fd_ >= 0; ++i) {
            // One byte more than taken: a datagram that fills it was larger
            // and is dropped undecoded (the system cuts it to the buffer).
            const Received& r = received_[static_cast<size_t>(i)];
            if (r.truncated || r.size > remote::MaxDatagram) {
                protocol_.CountDropped();
                continue;
            }
            const remote::Origin from = RememberSender(r.from, r.fromSize);
            if (!roundState_)
                roundState_ = Snapshot(false);
            // Commands are applied as their messages are dispatched
            // (ApplyCommand), so that the next message sees what they did.
            protocol_.Handle(r.data, r.size, from, *roundState_);
            for (const remote::Datagram& reply : protocol_.TakeReplies())
                Send(reply, lastSender_);
        }
    }
    roundState_.reset();

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
    if (fd_ >= 0 && !drained)
        QTimer::singleShot(0, this, [this] { ReadPending(true); });
    // The status line only says what was taken and refused: a round that
    // changed neither has nothing new for it.
    const remote::Counters& after = protocol_.Count();
    if (after.taken != before.taken || after.refused != before.refused ||
        after.malformed != before.malformed)
        emit statusChanged();
}

void TRemoteServer::ApplyCommand(const remote::Command& c) {
    if (!onCommand)
        return;
    if (std::optional<std::string> why = onCommand(c))
        protocol_.RefuseCommand(std::move(*why));
    // The next message of the round sees what this one did.
    if (roundState_)
        *roundState_ = Snapshot(false);
    if (baselineSet_ && channelOf && c.channel >= 1 && c.channel <= remote::Channels)
        remote::Protocol::Settle(c, channelOf(c.channel, true), baseline_[c.channel]);
}

int TRemoteServer::ReceiveBatch(bool& drained) {
    const int fd = fd_;
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

remote::Origin TRemoteServer::RememberSender(const sockaddr_storage& from, socklen_t size) {
    // A controller sends from one address and port: the address is built
    // and judged again only when that changes.
    if (size != senderSize_ || std::memcmp(&from, &senderRaw_, size) != 0) {
        std::memcpy(&senderRaw_, &from, size);
        senderSize_ = size;
        lastSender_ = QHostAddress(reinterpret_cast<const sockaddr*>(&from));
        // An IPv4 sender on the IPv6 socket, as the user writes it.
        bool v4 = false;
        const quint32 ip = lastSender_.toIPv4Address(&v4);
        if (v4)
            lastSender_ = QHostAddress(ip);
        senderOrigin_ = {lastSender_.isLoopback(), Answered(lastSender_)};
    }
    if (senderOrigin_.answered)
        answeredSender_ = lastSender_;
    return senderOrigin_;
}

bool TRemoteServer::Answered(const QHostAddress& a) {
    if (a.isLoopback() || (!fixedTarget_.isNull() && a.isEqual(fixedTarget_)))
        return true;
    // The interfaces' addresses change seldom; a forged sender that changes
    // with every datagram must not make each one read them.
    if (!ownRead_.isValid() || ownRead_.hasExpired(2000)) {
        own_ = ownAddresses ? ownAddresses() : QList<QHostAddress>();
        ownRead_.start();
    }
    for (const QHostAddress& mine : own_)
        if (a.isEqual(mine))
            return true;
    return false;
}

void TRemoteServer::ApplyFrame() {
    DisarmFrame();
    // The next frame is due a frame after this one was due, so that a timer
    // that ran a little late does not push every later frame back; a frame
    // from now after a pause or a longer hold-up.
    const qint64 now = NowNs();
    const qint64 late = now - nextFrameNs_;
    nextFrameNs_ = (late >= 0 && late <= LatenessCarriedNs ? nextFrameNs_ : now) + FrameNs;
    const bool moved = ApplyMoves();
    auto listener = protocol_.TakeListener();
    if (listener && onListener)
        onListener(*listener);
    // A controller that moved something in this frame will most likely move
    // it again in the next: until a frame finds nothing, the frames read the
    // socket themselves and its notifier rests. A controller sends a burst
    // every few milliseconds, and each burst woke the thread a few times for
    // moves that only a frame applies; replies and commands then wait for
    // the next frame too, 16 ms at most.
    ticking_ = fd_ >= 0 && (moved || listener);
    if (ticking_) {
        ArmFrame(nextFrameNs_);
        feedback_.stop();
    } else if (fd_ >= 0 && !feedback_.isActive()) {
        feedback_.start();
    }
    if (readable_ && !reading_)
        readable_->setEnabled(!ticking_);
}

bool TRemoteServer::ApplyMoves() {
    const auto moves = protocol_.TakeMoves();
    if (moves.empty())
        return false;
    if (onMoves) {
        onMoves(moves);
        // The controller knows where it put them: their places are not fed
        // back, the rest of each channel still is.
        if (baselineSet_ && channelOf)
            for (const auto& [n, where] : moves)
                baseline_[n].position = channelOf(n, false).position;
    }
    return true;
}

remote::State TRemoteServer::Snapshot(bool text) const {
    remote::State state;
    if (channelOf)
        for (int n = 1; n <= remote::Channels; ++n)
            state[n] = channelOf(n, text);
    return state;
}

QHostAddress TRemoteServer::FeedbackTarget() const {
    // Never the last sender when it is not answered: the feedback carries
    // file names.
    return fixedTarget_.isNull() ? answeredSender_ : fixedTarget_;
}

bool TRemoteServer::HasPending() const {
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

void TRemoteServer::NoteChanged(int n) {
    if (n >= 1 && n <= remote::Channels)
        changed_[static_cast<size_t>(n)] = true;
}

void TRemoteServer::SendFeedback() {
    if (fd_ < 0 || !channelOf)
        return;
    lastFeedbackNs_ = NowNs();
    // Never let datagrams wait for long, whatever happens to notifications.
    if (!reading_ && HasPending())
        ReadPending(true);
    remote::State now = baseline_;
    if (!baselineSet_) {
        now = Snapshot(true);
    } else {
        for (int n = 1; n <= remote::Channels; ++n)
            if (changed_[static_cast<size_t>(n)] || (wordOf && wordOf(n) != baseline_[n].word))
                now[n] = channelOf(n, true);
    }
    changed_ = {};
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
    if (fd_ < 0 || d.empty() || to.isNull())
        return;
    sockaddr_storage where{};
    socklen_t size = 0;
    const auto port = htons(static_cast<uint16_t>(settings_.FeedbackPort));
    bool v4 = false;
    const quint32 ip = to.toIPv4Address(&v4);
    if (family_ == AF_INET) {
        if (!v4)
            return; // an IPv6 target, from a socket that has no IPv6
        auto* in = reinterpret_cast<sockaddr_in*>(&where);
        in->sin_family = AF_INET;
        in->sin_addr.s_addr = htonl(ip);
        in->sin_port = port;
        size = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&where);
        in6->sin6_family = AF_INET6;
        if (v4) {
            // An IPv4 target as an IPv4-mapped IPv6 address: ::ffff:a.b.c.d.
            in6->sin6_addr.s6_addr[10] = 0xff;
            in6->sin6_addr.s6_addr[11] = 0xff;
            const uint32_t net = htonl(ip);
            std::memcpy(&in6->sin6_addr.s6_addr[12], &net, sizeof net);
        } else {
            const Q_IPV6ADDR six = to.toIPv6Address();
            std::memcpy(&in6->sin6_addr, six.c, sizeof six.c);
        }
        in6->sin6_port = port;
        in6->sin6_scope_id = static_cast<uint32_t>(to.scopeId().toUInt());
        size = sizeof(sockaddr_in6);
    }
    // A full send buffer or a controller that went away loses this one, as
    // UDP does.
    (void)::sendto(fd_, d.data(), d.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&where),
                   size);
}
