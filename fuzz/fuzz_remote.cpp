// Arbitrary bytes as one OSC datagram through the remote control's decoder,
// from this machine and from another by turns. Besides the sanitizers'
// findings, a move outside the bars' range, a non-finite listener vector, a
// gain outside 0..1, a load taken from another machine or more replies to
// one datagram than the cap is a fault.
#include "remote/RemoteProtocol.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

constexpr double kLimit = 2.5 + 1e-9;

bool finite(const remote::Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

remote::State Channels() {
    remote::State s;
    for (int n : {1, 2, 7, 32}) {
        s[n].loaded = true;
        s[n].name = "tone.wav";
        s[n].word = "play";
        s[n].position = {0.5, -1.25, 2.5};
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One decoder for the whole run, as the program keeps one: state left by
    // earlier inputs (the head, pending moves) is part of what is fuzzed.
    static remote::Protocol protocol;
    static const remote::State state = Channels();
    const bool fromLoopback = size % 2 == 0;
    protocol.Handle(data, size, fromLoopback, state);

    for (const auto& [n, p] : protocol.TakeMoves())
        if (n < 1 || n > remote::Channels || !finite(p) || std::fabs(p.x) > kLimit ||
            std::fabs(p.y) > kLimit || std::fabs(p.z) > kLimit)
            __builtin_trap();
    for (const remote::Command& c : protocol.TakeCommands()) {
        if (c.channel < 0 || c.channel > remote::Channels)
            __builtin_trap();
        if (c.verb == remote::Verb::Gain && !(c.value >= 0 && c.value <= 1))
            __builtin_trap();
        if ((c.verb == remote::Verb::Load || c.verb == remote::Verb::OpenPlaylist) && !fromLoopback)
            __builtin_trap();
    }
    if (auto o = protocol.TakeListener(); o && (!finite(o->front) || !finite(o->top)))
        __builtin_trap();
    const auto replies = protocol.TakeReplies();
    if (replies.size() > static_cast<size_t>(remote::MaxReplies))
        __builtin_trap();
    for (const remote::Datagram& reply : replies)
        if (reply.empty() || reply.size() > remote::MaxDatagram)
            __builtin_trap();
    return 0;
}
