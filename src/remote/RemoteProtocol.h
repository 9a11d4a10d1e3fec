// OSC remote control without the network: one datagram in, plain commands
// out. liblo decodes messages, bundles and address patterns; this side checks
// the limits, maps ADM-OSC and head-tracker messages to the program's axes,
// hands each command over as its message is dispatched (so that the next
// message sees what it did), keeps moves in order until the window takes
// them (a move replaces only a move of the same channel right before it),
// answers queries from the state the window reports and tells a sender what
// it refused and why. No Qt here, so that the fuzzer and
// the unit tests drive it directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "remote/RemoteMapping.h"

namespace remote {

constexpr int Channels = 32;
constexpr size_t MaxDatagram = 8192; // larger datagrams are dropped undecoded
constexpr size_t MaxAddress = 256;   // longer addresses are refused
constexpr int MaxWildcards = 8;      // patterns with more are refused
// Pattern tries per datagram: every address once and more, but a bundle of
// costly patterns cannot hold the window up.
constexpr int MatchBudget = 1024;
// Replies to one datagram, refusals included: a short query with wildcards
// cannot make the program send hundreds of datagrams.
constexpr int MaxReplies = 64;
// What a refused message is answered with: the address as sent and the reason.
constexpr const char* RefusedAddress = "/phonara/refused";

// Where a datagram came from, as far as the decoder cares.
struct Origin {
    bool loopback = false; // this machine's loopback: files and playlists are taken
    bool answered = true;  // replies may go to it: queries are answered, refusals told
};

// What the window holds for one channel, as the remote sees it.
struct ChannelState {
    bool loaded = false;
    Vec3 position;   // the program's axes, metres
    double gain = 1; // 0..1, multiplies the channel's volume
    bool muted = false;
    std::string name; // the file name without its folder
    std::string word; // the grid's state word: stop, wait, play, loop, pause
    bool operator==(const ChannelState&) const = default;
};

struct State {
    std::array<ChannelState, Channels> channels; // [n - 1] is channel n
    ChannelState& operator[](int n) { return channels.at(static_cast<size_t>(n - 1)); }
    const ChannelState& operator[](int n) const { return channels.at(static_cast<size_t>(n - 1)); }
};

enum class Verb { Gain, Mute, Play, Loop, Pause, Stop, Load, OpenPlaylist, Record };

// A command for the window, in the order the messages came.
struct Command {
    Verb verb = Verb::Stop;
    int channel = 0;  // 1..32; 0 for the playlist
    double value = 0; // gain 0..1; mute 1/0; record 1 (start) / 0 (stop)
    std::string text; // the file or playlist path
    bool operator==(const Command&) const = default;
};

struct Counters {
    uint64_t taken = 0;     // messages applied or answered
    uint64_t refused = 0;   // messages for no channel, an empty one, bad arguments, over limits
    uint64_t malformed = 0; // datagrams dropped: too large or not OSC
};

// One encoded OSC message.
using Datagram = std::vector<uint8_t>;

// An OSC message with float, int and string arguments, encoded by liblo.
class Message {
public:
    explicit Message(std::string path) : path_(std::move(path)) {}
    Message& Float(double v);
    Message& Int(int v);
    Message& String(const std::string& v);
    Datagram Encode() const;
    const std::string& Path() const { return path_; }

private:
    struct Arg {
        char type;
        double number;
        std::string text;
    };
    std::string path_;
    std::vector<Arg> args_;
};

class Protocol {
public:
    Protocol();
    ~Protocol();
    Protocol(const Protocol&) = delete;
    Protocol& operator=(const Protocol&) = delete;

    // Decodes one datagram and dispatches its messages in order. state: the
    // window's channels now, for queries, partial moves and empty channels;
    // it must show what each command did by the time OnCommand returns.
    void Handle(const void* data, size_t size, const Origin& from, const State& state);
    // From a sender that is answered; fromLoopback: from this machine.
    void Handle(const void* data, size_t size, bool fromLoopback, const State& state) {
        Handle(data, size, Origin{fromLoopback, true}, state);
    }

    // Each command as soon as its message is dispatched, before the next
    // message of the datagram or bundle is looked at. Unset, the commands
    // wait for TakeCommands.
    std::function<void(const Command&)> OnCommand;
    // The commands of the datagrams handled since the last call, in order,
    // when nobody takes them one by one.
    std::vector<Command> TakeCommands();
    // The positions asked since the last call, in the order they came; a
    // move that directly follows a move of the same channel replaces it.
    std::vector<std::pair<int, Vec3>> TakeMoves();
    // Called while moves wait, before a command is handed over and before a
    // query is answered: the taker applies them (TakeMoves) and updates the
    // state handed in, so that the command or query sees them.
    std::function<void()> BeforeCommand;
    // The taker of the command being handed over could not apply it (a file
    // that does not open): its message is refused with why, in words.
    void RefuseCommand(std::string why) { commandRefused_ = std::move(why); }
    // The listener's orientation, when a message changed it since the last call.
    std::optional<Orientation> TakeListener();
    // Replies to queries and refusals, for the sender; at most MaxReplies
    // for each datagram.
    std::vector<Datagram> TakeReplies();
    // Moves or a listener orientation wait to be taken.
    bool HasPending() const;
    // A datagram dropped before decoding (too large).
    void CountDropped() { ++counters_.malformed; }

    // A channel's file name for a query, when the state handed in leaves the
    // names out (building them for every datagram costs); else the state's.
    std::function<std::string(int)> NameOf;

    // The head's orientation now (recentred, inverted as set).
    const Orientation& Listener() const { return listener_; }
    void SetInversion(const AxisInversion& invert) { invert_ = invert; }
    const Counters& Count() const { return counters_; }

    // The feedback for the changes from before to now, as the messages a
    // controller sends: positions (xyz and aed), gain, mute, name and the
    // transport word of each changed channel.
    static std::vector<Datagram> Feedback(const State& before, const State& now);
    // What a controller's command told it already: the fields of its channel
    // that the command sets take their values from after (the channel just
    // after the command); the others keep what was last sent, so that a
    // change the window made to them meanwhile is still sent.
    static void Settle(const Command& c, const ChannelState& after, ChannelState& baseline);

    // The addresses a pattern may expand to: every address the program takes.
    static const std::vector<std::string>& Addresses();

    // liblo's handler, public for its C callback only.
    void Dispatch(const char* path, const char* types, void** argv, int argc);

private:
    // Each returns why the message was refused, or null when it was taken.
    const char* Route(const std::string& address, const char* types, void** argv, int argc);
    const char* Object(int n, const std::string& leaf, const char* types, void** argv, int argc);
    const char* Query(int n, const std::string& leaf);
    const char* Transport(int n, const std::string& leaf, const char* types, void** argv, int argc);
    const char* Head(const std::string& address, const char* types, void** argv, int argc);
    void Emit(Command c);
    void Reply(const Message& m);
    void SetHead(const Ypr& head);
    void SetHead(const Orientation& raw);
    Vec3 Believed(int n) const;

    struct Server;
    std::unique_ptr<Server> server_;
    const State* state_ = nullptr;
    Origin origin_;
    int matchBudget_ = 0;
    int replyBudget_ = 0;
    std::vector<Command> commands_;
    void SettleMoves();
    std::vector<std::pair<int, Vec3>> moves_;
    std::string commandRefused_;
    std::vector<Datagram> replies_;
    Counters counters_;
    AxisInversion invert_;
    Ypr scene_;             // the last scene rotation, for single-axis messages
    Orientation raw_;       // the head before recentring
    Orientation reference_; // what counts as straight ahead
    Orientation listener_;
    bool listenerChanged_ = false;
};

} // namespace remote
