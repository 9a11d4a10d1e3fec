#include "remote/RemoteProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <lo/lo.h>
#include <string_view>
#include <unistd.h>

namespace remote {

namespace {

const char* const ObjectPrefix = "/adm/obj/";
const char* const TransportPrefix = "/phonara/obj/";
const char* const OpenPlaylistAddress = "/phonara/playlist/open";
const char* const RecordAddress = "/phonara/record";
const char* const RecentreAddress = "/phonara/listener/recentre";
const char* const HeadAddress = "/adm/lis/ypr";

const char* const ObjectLeaves[] = {"xyz",  "x",    "y",    "z",    "xy",   "aed",
                                    "azim", "elev", "dist", "gain", "mute", "name"};
const char* const TransportLeaves[] = {"play", "loop", "pause", "stop", "load"};
const char* const ListenerAddresses[] = {HeadAddress,
                                         "/ypr",
                                         "/yaw",
                                         "/pitch",
                                         "/roll",
                                         "/SceneRotator/ypr",
                                         "/SceneRotator/yaw",
                                         "/SceneRotator/pitch",
                                         "/SceneRotator/roll",
                                         "/quaternion",
                                         "/SceneRotator/quaternions",
                                         RecentreAddress};

// Why a message was refused, as /phonara/refused tells the sender.
const char* const NoSuchChannel = "no such channel";
const char* const EmptyChannel = "empty channel";
const char* const BadArguments = "bad arguments";
const char* const UnknownAddress = "unknown address";
const char* const AddressTooLong = "address too long";
const char* const BadPattern = "pattern not taken";
const char* const OnlyFromHere = "only from this machine";
const char* const NotAnswered = "queries only from this machine or the controller's address";

// Errors of malformed packets are counted, never printed: a flood must not
// fill a terminal or a log.
void Quiet(int, const char*, const char*) {}

int Handler(const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* user) {
    static_cast<Protocol*>(user)->Dispatch(path, types, reinterpret_cast<void**>(argv), argc);
    return 0;
}

// liblo's pattern characters, as its dispatcher recognises a pattern.
bool IsPattern(std::string_view path) {
    return path.find_first_of(" #*,?[]{}") != std::string_view::npos;
}

// The pattern's wildcards, and whether its brackets and braces are closed and
// not nested (liblo's matcher reads past an unclosed one).
bool AcceptablePattern(std::string_view path) {
    int wildcards = 0;
    char open = 0;
    for (char c : path) {
        if (c == '*' || c == '?' || ((c == '[' || c == '{') && !open))
            ++wildcards;
        if (c == '[' || c == '{') {
            if (open)
                return false;
            open = c == '[' ? ']' : '}';
        } else if (c == ']' || c == '}') {
            if (c != open)
                return false;
            open = 0;
        }
    }
    return !open && wildcards <= MaxWildcards;
}

// "12/xyz" after a prefix: the channel number (0 when it is no number) and the leaf.
int SplitChannel(std::string_view rest, std::string_view& leaf) {
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash > 3)
        return 0;
    int n = 0;
    for (size_t i = 0; i < slash; ++i) {
        if (rest[i] < '0' || rest[i] > '9')
            return 0;
        n = n * 10 + (rest[i] - '0');
    }
    leaf = rest.substr(slash + 1);
    return n;
}

// The arguments as numbers: ints, floats, doubles and booleans. Empty when
// one is of another kind or not finite.
std::vector<double> Numbers(const char* types, void** argv, int argc) {
    std::vector<double> out;
    for (int i = 0; i < argc; ++i) {
        const auto type = static_cast<lo_type>(types[i]);
        double v;
        if (type == LO_TRUE || type == LO_FALSE)
            v = type == LO_TRUE ? 1 : 0;
        else if (lo_is_numerical_type(type))
            v = static_cast<double>(lo_hires_val(type, static_cast<lo_arg*>(argv[i])));
        else
            return {};
        if (!std::isfinite(v))
            return {};
        out.push_back(v);
    }
    return out;
}

std::string Text(const char* types, void** argv, int argc) {
    if (argc != 1 || (types[0] != LO_STRING && types[0] != LO_SYMBOL))
        return {};
    // A string argument is the characters themselves, packed at 4 bytes.
    return static_cast<const char*>(argv[0]);
}

std::string ObjectAddress(int n, const char* leaf) {
    return ObjectPrefix + std::to_string(n) + "/" + leaf;
}

} // namespace

// ---- Encoding ----

Message& Message::Float(double v) {
    args_.push_back({LO_FLOAT, v, {}});
    return *this;
}

Message& Message::Int(int v) {
    args_.push_back({LO_INT32, static_cast<double>(v), {}});
    return *this;
}

Message& Message::String(const std::string& v) {
    args_.push_back({LO_STRING, 0, v});
    return *this;
}

Datagram Message::Encode() const {
    lo_message m = lo_message_new();
    for (const Arg& a : args_) {
        if (a.type == LO_FLOAT)
            lo_message_add_float(m, static_cast<float>(a.number));
        else if (a.type == LO_INT32)
            lo_message_add_int32(m, static_cast<int32_t>(a.number));
        else
            lo_message_add_string(m, a.text.c_str());
    }
    size_t size = 0;
    void* bytes = lo_message_serialise(m, path_.c_str(), nullptr, &size);
    Datagram out;
    if (bytes) {
        const auto* begin = static_cast<const uint8_t*>(bytes);
        out.assign(begin, begin + size);
        std::free(bytes);
    }
    lo_message_free(m);
    return out;
}

// ---- The decoder ----

// A liblo server that dispatches only what it is handed: its socket is a
// local (Unix) one whose name is removed at once, so it listens on nothing.
struct Protocol::Server {
    lo_server server = nullptr;
    explicit Server(Protocol* owner) {
        std::error_code ec;
        std::string dir =
            (std::filesystem::temp_directory_path(ec) / "phonara-osc-XXXXXX").string();
        if (ec || !mkdtemp(dir.data()))
            return;
        const std::string socket = dir + "/s";
        server = lo_server_new_with_proto(socket.c_str(), LO_UNIX, Quiet);
        unlink(socket.c_str());
        rmdir(dir.c_str());
        if (!server)
            return;
        // A bundle's messages are applied when it arrives, never held back
        // for its time tag.
        lo_server_enable_queue(server, 0, 1);
        lo_server_add_method(server, nullptr, nullptr, Handler, owner);
    }
    ~Server() {
        if (server)
            lo_server_free(server);
    }
};

Protocol::Protocol() : server_(std::make_unique<Server>(this)) {}

Protocol::~Protocol() = default;

const std::vector<std::string>& Protocol::Addresses() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> a;
        for (int n = 1; n <= Channels; ++n) {
            for (const char* leaf : ObjectLeaves)
                a.push_back(ObjectAddress(n, leaf));
            for (const char* leaf : TransportLeaves)
                a.push_back(TransportPrefix + std::to_string(n) + "/" + leaf);
        }
        for (const char* address : ListenerAddresses)
            a.emplace_back(address);
        a.emplace_back(OpenPlaylistAddress);
        a.emplace_back(RecordAddress);
        return a;
    }();
    return all;
}

void Protocol::Handle(const void* data, size_t size, const Origin& from, const State& state) {
    if (size == 0 || size > MaxDatagram || !server_->server) {
        ++counters_.malformed;
        return;
    }
    // liblo turns the arguments to host order in place: it gets a copy.
    std::array<uint8_t, MaxDatagram> copy;
    std::memcpy(copy.data(), data, size);
    state_ = &state;
    origin_ = from;
    matchBudget_ = MatchBudget;
    replyBudget_ = MaxReplies;
    if (lo_server_dispatch_data(server_->server, copy.data(), size) < 0)
        ++counters_.malformed;
    state_ = nullptr;
}

void Protocol::Dispatch(const char* path, const char* types, void** argv, int argc) {
    if (!state_)
        return;
    const std::string_view address(path);
    const char* refusal = nullptr;
    if (address.size() > MaxAddress) {
        refusal = AddressTooLong;
    } else if (!AcceptablePattern(address)) {
        refusal = BadPattern;
    } else if (IsPattern(address)) {
        // liblo's matcher backtracks: a pattern with more literal slashes
        // than any address has cannot match and is not tried, only addresses
        // that start with the pattern's literal beginning are, and a datagram
        // gets a bounded number of tries in all. Taken when any address it
        // matches takes it; else refused for the first reason met.
        if (std::count(address.begin(), address.end(), '/') > 4) {
            refusal = BadPattern;
        } else {
            const std::string pattern(address);
            const std::string_view prefix = address.substr(0, address.find_first_of(" #*,?[]{}"));
            bool applied = false;
            for (const std::string& candidate : Addresses()) {
                if (!candidate.starts_with(prefix))
                    continue;
                if (matchBudget_ == 0)
                    break;
                --matchBudget_;
                if (!lo_pattern_match(candidate.c_str(), pattern.c_str()))
                    continue;
                const char* why = Route(candidate, types, argv, argc);
                applied = applied || !why;
                if (why && !refusal)
                    refusal = why;
            }
            if (applied)
                refusal = nullptr;
            else if (!refusal)
                refusal = UnknownAddress;
        }
    } else {
        refusal = Route(std::string(address), types, argv, argc);
    }
    const std::string refusedByTaker = std::exchange(commandRefused_, {});
    if (!refusal && !refusedByTaker.empty())
        refusal = refusedByTaker.c_str();
    if (!refusal) {
        ++counters_.taken;
        return;
    }
    ++counters_.refused;
    // A refusal is never answered: two programs that send each other their
    // replies would otherwise refuse each other's refusals for ever.
    if (origin_.answered && address != RefusedAddress)
        Reply(Message(RefusedAddress)
                  .String(std::string(address.substr(0, MaxAddress)))
                  .String(refusal));
}

const char* Protocol::Route(const std::string& address, const char* types, void** argv, int argc) {
    std::string_view leaf;
    if (address.starts_with(ObjectPrefix)) {
        const int n =
            SplitChannel(std::string_view(address).substr(std::strlen(ObjectPrefix)), leaf);
        return Object(n, std::string(leaf), types, argv, argc);
    }
    if (address.starts_with(TransportPrefix)) {
        const int n =
            SplitChannel(std::string_view(address).substr(std::strlen(TransportPrefix)), leaf);
        return Transport(n, std::string(leaf), types, argv, argc);
    }
    if (address == OpenPlaylistAddress) {
        const std::string path = Text(types, argv, argc);
        if (path.empty())
            return BadArguments;
        if (!origin_.loopback)
            return OnlyFromHere;
        Emit({Verb::OpenPlaylist, 0, 0, path});
        return nullptr;
    }
    if (address == RecordAddress) {
        // 1 starts recording the movement, 0 stops it.
        const std::vector<double> on = Numbers(types, argv, argc);
        if (on.size() != 1 || (on[0] != 0 && on[0] != 1))
            return BadArguments;
        Emit({Verb::Record, 0, on[0], {}});
        return nullptr;
    }
    return Head(address, types, argv, argc);
}

void Protocol::SettleMoves() {
    if (!moves_.empty() && BeforeCommand)
        BeforeCommand();
}

void Protocol::Emit(Command c) {
    SettleMoves();
    if (OnCommand)
        OnCommand(c);
    else
        commands_.push_back(std::move(c));
}

void Protocol::Reply(const Message& m) {
    if (replyBudget_ == 0)
        return;
    --replyBudget_;
    replies_.push_back(m.Encode());
}

Vec3 Protocol::Believed(int n) const {
    for (auto it = moves_.rbegin(); it != moves_.rend(); ++it)
        if (it->first == n)
            return it->second;
    return (*state_)[n].position;
}

const char* Protocol::Query(int n, const std::string& leaf) {
    if (!origin_.answered)
        return NotAnswered;
    // The state the messages before it left.
    SettleMoves();
    // An empty channel answers too: no name, and the place a file loaded
    // into it would take.
    const ChannelState& ch = (*state_)[n];
    const Vec3 now = Believed(n);
    Message reply(ObjectAddress(n, leaf.c_str()));
    const Vec3 xyz = ProgramToAdmXyz(now);
    const Aed aed = ProgramToAdmAed(now);
    if (leaf == "xyz")
        reply.Float(xyz.x).Float(xyz.y).Float(xyz.z);
    else if (leaf == "x")
        reply.Float(xyz.x);
    else if (leaf == "y")
        reply.Float(xyz.y);
    else if (leaf == "z")
        reply.Float(xyz.z);
    else if (leaf == "xy")
        reply.Float(xyz.x).Float(xyz.y);
    else if (leaf == "aed")
        reply.Float(aed.azimuth).Float(aed.elevation).Float(aed.distance);
    else if (leaf == "azim")
        reply.Float(aed.azimuth);
    else if (leaf == "elev")
        reply.Float(aed.elevation);
    else if (leaf == "dist")
        reply.Float(aed.distance);
    else if (leaf == "gain")
        reply.Float(ch.gain);
    else if (leaf == "mute")
        reply.Int(ch.muted ? 1 : 0);
    else if (leaf == "name")
        reply.String(!ch.loaded ? std::string() : NameOf ? NameOf(n) : ch.name);
    else
        return UnknownAddress;
    Reply(reply);
    return nullptr;
}

const char* Protocol::Object(int n, const std::string& leaf, const char* types, void** argv,
                             int argc) {
    if (n < 1 || n > Channels)
        return NoSuchChannel;
    if (argc == 0)
        return Query(n, leaf);
    if (std::find(std::begin(ObjectLeaves), std::end(ObjectLeaves), leaf) == std::end(ObjectLeaves))
        return UnknownAddress;
    if (!(*state_)[n].loaded)
        return EmptyChannel;
    const Vec3 now = Believed(n);
    const std::vector<double> v = Numbers(types, argv, argc);
    if (static_cast<int>(v.size()) != argc)
        return BadArguments;
    auto move = [&](const Vec3& to) {
        if (!moves_.empty() && moves_.back().first == n)
            moves_.back().second = to;
        else
            moves_.emplace_back(n, to);
    };
    Vec3 xyz = ProgramToAdmXyz(now);
    Aed aed = ProgramToAdmAed(now);
    if (leaf == "xyz" && argc == 3) {
        move(AdmXyzToProgram(v[0], v[1], v[2]));
    } else if ((leaf == "x" || leaf == "y" || leaf == "z") && argc == 1) {
        (leaf == "x" ? xyz.x : leaf == "y" ? xyz.y : xyz.z) = v[0];
        move(AdmXyzToProgram(xyz.x, xyz.y, xyz.z));
    } else if (leaf == "xy" && argc == 2) {
        move(AdmXyzToProgram(v[0], v[1], xyz.z));
    } else if (leaf == "aed" && argc == 3) {
        move(AdmAedToProgram({v[0], v[1], v[2]}));
    } else if ((leaf == "azim" || leaf == "elev" || leaf == "dist") && argc == 1) {
        (leaf == "azim" ? aed.azimuth : leaf == "elev" ? aed.elevation : aed.distance) = v[0];
        move(AdmAedToProgram(aed));
    } else if (leaf == "gain" && argc == 1) {
        // Above 1 is taken as 1: the channel's own volume is the loudest it plays.
        Emit({Verb::Gain, n, std::clamp(v[0], 0.0, 1.0), {}});
    } else if (leaf == "mute" && argc == 1) {
        Emit({Verb::Mute, n, v[0] != 0 ? 1.0 : 0.0, {}});
    } else {
        return BadArguments;
    }
    return nullptr;
}

const char* Protocol::Transport(int n, const std::string& leaf, const char* types, void** argv,
                                int argc) {
    if (n < 1 || n > Channels)
        return NoSuchChannel;
    if (leaf == "load") {
        // A file from this machine only: from another it could make the
        // program read any file the user can.
        const std::string path = Text(types, argv, argc);
        if (path.empty())
            return BadArguments;
        if (!origin_.loopback)
            return OnlyFromHere;
        Emit({Verb::Load, n, 0, path});
        return nullptr;
    }
    Verb verb;
    if (leaf == "play")
        verb = Verb::Play;
    else if (leaf == "loop")
        verb = Verb::Loop;
    else if (leaf == "pause")
        verb = Verb::Pause;
    else if (leaf == "stop")
        verb = Verb::Stop;
    else
        return UnknownAddress;
    if (!(*state_)[n].loaded)
        return EmptyChannel;
    // A controller's button sends 1 when pressed and 0 when released: the
    // release is taken and does nothing.
    const std::vector<double> v = Numbers(types, argv, argc);
    if (static_cast<int>(v.size()) != argc || argc > 1)
        return BadArguments;
    if (argc == 0 || v[0] != 0)
        Emit({verb, n, 0, {}});
    return nullptr;
}

const char* Protocol::Head(const std::string& address, const char* types, void** argv, int argc) {
    if (std::find(std::begin(ListenerAddresses), std::end(ListenerAddresses), address) ==
        std::end(ListenerAddresses))
        return UnknownAddress;
    if (address == RecentreAddress) {
        if (argc != 0)
            return BadArguments;
        reference_ = raw_;
        listener_ = {};
        listenerChanged_ = true;
        return nullptr;
    }
    const std::vector<double> v = Numbers(types, argv, argc);
    if (static_cast<int>(v.size()) != argc)
        return BadArguments;
    auto scene = [](std::string_view a, std::string_view leaf) {
        return a == "/" + std::string(leaf) || a == "/SceneRotator/" + std::string(leaf);
    };
    if (address == HeadAddress) {
        if (argc == 0) {
            if (!origin_.answered)
                return NotAnswered;
            const Ypr head = YprOfOrientation(listener_);
            Reply(Message(HeadAddress).Float(head.yaw).Float(head.pitch).Float(head.roll));
            return nullptr;
        }
        if (argc != 3)
            return BadArguments;
        scene_ = HeadFromSceneYpr({v[0], v[1], v[2]}); // its own inverse
        SetHead(Ypr{v[0], v[1], v[2]});
    } else if (scene(address, "ypr") && argc == 3) {
        scene_ = {v[0], v[1], v[2]};
        SetHead(HeadFromSceneYpr(scene_));
    } else if ((scene(address, "yaw") || scene(address, "pitch") || scene(address, "roll")) &&
               argc == 1) {
        (address.ends_with("yaw")     ? scene_.yaw
         : address.ends_with("pitch") ? scene_.pitch
                                      : scene_.roll) = v[0];
        SetHead(HeadFromSceneYpr(scene_));
    } else if ((address == "/quaternion" || address == "/SceneRotator/quaternions") && argc == 4) {
        const Orientation head = HeadFromSceneQuaternion(v[0], v[1], v[2], v[3]);
        scene_ = HeadFromSceneYpr(YprOfOrientation(head));
        SetHead(head);
    } else {
        return BadArguments;
    }
    return nullptr;
}

void Protocol::SetHead(const Ypr& head) {
    raw_ = HeadOrientation(Inverted(head, invert_));
    listener_ = Relative(raw_, reference_);
    listenerChanged_ = true;
}

void Protocol::SetHead(const Orientation& head) {
    if (invert_.yaw || invert_.pitch || invert_.roll) {
        SetHead(YprOfOrientation(head));
        return;
    }
    raw_ = head;
    listener_ = Relative(raw_, reference_);
    listenerChanged_ = true;
}

std::vector<Command> Protocol::TakeCommands() {
    return std::exchange(commands_, {});
}

std::vector<std::pair<int, Vec3>> Protocol::TakeMoves() {
    return std::exchange(moves_, {});
}

std::optional<Orientation> Protocol::TakeListener() {
    if (!std::exchange(listenerChanged_, false))
        return std::nullopt;
    return listener_;
}

bool Protocol::HasPending() const {
    return listenerChanged_ || !moves_.empty();
}

std::vector<Datagram> Protocol::TakeReplies() {
    return std::exchange(replies_, {});
}

void Protocol::Settle(const Command& c, const ChannelState& after, ChannelState& baseline) {
    // Each verb, new ones too, says here what the controller knows from sending it.
    switch (c.verb) {
    case Verb::Gain:
        baseline.gain = after.gain;
        break;
    case Verb::Mute:
        baseline.muted = after.muted;
        break;
    case Verb::Play:
    case Verb::Loop:
    case Verb::Pause:
    case Verb::Stop:
        baseline.word = after.word;
        break;
    case Verb::Load:
        // The file's name and its word come with the load; the place, gain
        // and mute are the channel's and stay.
        baseline.loaded = after.loaded;
        baseline.name = after.name;
        baseline.word = after.word;
        break;
    case Verb::OpenPlaylist:
    case Verb::Record:
        // A whole new scene, or a recording started or ended: the controller
        // learns it from the feedback.
        break;
    }
}

std::vector<Datagram> Protocol::Feedback(const State& before, const State& now) {
    std::vector<Datagram> out;
    for (int n = 1; n <= Channels; ++n) {
        const ChannelState& a = before[n];
        const ChannelState& b = now[n];
        if (a == b)
            continue;
        if (!b.loaded) {
            if (a.loaded)
                out.push_back(Message(ObjectAddress(n, "name")).String("").Encode());
            continue;
        }
        const bool fresh = !a.loaded;
        if (fresh || a.name != b.name)
            out.push_back(Message(ObjectAddress(n, "name")).String(b.name).Encode());
        if (fresh || a.position != b.position) {
            const Vec3 xyz = ProgramToAdmXyz(b.position);
            const Aed aed = ProgramToAdmAed(b.position);
            out.push_back(
                Message(ObjectAddress(n, "xyz")).Float(xyz.x).Float(xyz.y).Float(xyz.z).Encode());
            out.push_back(Message(ObjectAddress(n, "aed"))
                              .Float(aed.azimuth)
                              .Float(aed.elevation)
                              .Float(aed.distance)
                              .Encode());
        }
        if (fresh || a.gain != b.gain)
            out.push_back(Message(ObjectAddress(n, "gain")).Float(b.gain).Encode());
        if (fresh || a.muted != b.muted)
            out.push_back(Message(ObjectAddress(n, "mute")).Int(b.muted ? 1 : 0).Encode());
        if ((fresh || a.word != b.word) &&
            (b.word == "play" || b.word == "loop" || b.word == "pause" || b.word == "stop"))
            out.push_back(Message(TransportPrefix + std::to_string(n) + "/" + b.word).Encode());
    }
    return out;
}

} // namespace remote
