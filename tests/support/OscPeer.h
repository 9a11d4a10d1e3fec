// A controller on the other end of the program's OSC socket: it sends with
// liblo's own sender and listens for replies and feedback on a port of its
// own, decoding them with liblo. Header-only; needs liblo and Qt Network.
#pragma once

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTest>
#include <QUdpSocket>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "OscMessage.h"

namespace testsupport {

// This machine's first IPv4 address that is not a loopback one; null if none.
inline QHostAddress OutsideAddress() {
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a;
    return {};
}

class OscPeer {
public:
    // Listens at listenAt on listenPort, or on a port the system picks when
    // that is 0 (port() tells which); sends nowhere until sendTo.
    explicit OscPeer(const QHostAddress& listenAt = QHostAddress(QHostAddress::LocalHost),
                     quint16 listenPort = 0) {
        listening_ = socket_.bind(listenAt, listenPort);
    }
    ~OscPeer() {
        if (to_)
            lo_address_free(to_);
    }
    OscPeer(const OscPeer&) = delete;

    void sendTo(const std::string& host, quint16 port) {
        if (to_)
            lo_address_free(to_);
        to_ = lo_address_new(host.c_str(), std::to_string(port).c_str());
    }
    lo_address to() const { return to_; }
    bool listening() const { return listening_; }
    quint16 port() const { return socket_.localPort(); }

    // Everything received so far, decoded, oldest first.
    std::vector<OscMessage> received() {
        while (socket_.hasPendingDatagrams()) {
            QByteArray data(static_cast<int>(socket_.pendingDatagramSize()), 0);
            socket_.readDatagram(data.data(), data.size());
            all_.push_back(DecodeOsc(data.constData(), static_cast<size_t>(data.size())));
        }
        return all_;
    }
    // How many of those have this path.
    size_t count(const std::string& path) {
        size_t n = 0;
        for (const OscMessage& m : received())
            n += m.path == path;
        return n;
    }

    // Waits for a message with this path; the last such message, or an
    // empty path when none came in time.
    OscMessage waitFor(const std::string& path, int ms = 3000) {
        OscMessage found;
        (void)QTest::qWaitFor(
            [&] {
                for (const OscMessage& m : received())
                    if (m.path == path)
                        found = m;
                return !found.path.empty();
            },
            ms);
        return found;
    }
    // Sends a query (a message without arguments) and waits for its reply,
    // forgetting what came before so that only a fresh reply counts.
    OscMessage ask(const std::string& path) {
        forget();
        lo_send(to_, path.c_str(), "");
        return waitFor(path);
    }
    void forget() {
        received();
        all_.clear();
    }
    // Sends the messages as one bundle, to be applied at once, and frees them.
    bool sendBundle(std::initializer_list<std::pair<const char*, lo_message>> messages) {
        lo_bundle b = lo_bundle_new(LO_TT_IMMEDIATE);
        for (const auto& [path, m] : messages)
            lo_bundle_add_message(b, path, m);
        const bool sent = lo_send_bundle(to_, b) > 0;
        lo_bundle_free_recursive(b);
        return sent;
    }

private:
    lo_address to_ = nullptr;
    QUdpSocket socket_;
    bool listening_ = false;
    std::vector<OscMessage> all_;
};

} // namespace testsupport
