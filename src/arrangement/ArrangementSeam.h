// The one way the arrangement changes. A place, a file, a path, a gain, a
// mute, the reverb level and the room environment change only through
// TArrangementSeam::Request, whoever asks: the hand, the keys, the wheel, the
// bars, a controller, path playback, undo and redo, a playlist, the start-up.
// The seam applies requests one at a time in the order they come (a request
// made while another is being applied, by the writer or by an observer,
// waits its turn instead of cutting in) and tells every observer what changed:
// field, channel, value before and after, and who asked.
//
// Observers (the views and grid, the remote's feedback, the undo recorder,
// the motion player and recorder, the auto-save) learn of changes here instead
// of comparing snapshots. The seam itself knows nothing of windows or audio:
// the owner gives it a reader and a writer for the fields. No Qt.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "audiolib.h"
#include "channels/Placing.h"
#include "motion/MotionPath.h"

// What can change. Channel fields belong to channel 1..32; the reverb level
// and the environment to the whole arrangement (channel 0).
enum class TField {
    File,        // std::string: the path the slot holds, empty when it is empty
    Place,       // BASS_3DVECTOR: where the source stands now
    Path,        // TPathRef: the motion path the channel follows, null for none
    Gain,        // float 0..1
    Mute,        // bool
    ReverbLevel, // int 0..20, channel 0
    Environment, // int, the room's index, channel 0
};

// Who asks for a change.
enum class TOrigin {
    Hand,         // a drag in the plane views, a menu command, a button
    Key,          // the arrow keys
    Wheel,        // the mouse wheel
    Bar,          // the axis scroll bars, the reverb bar, the environment box
    Controller,   // the OSC remote control
    PathPlayback, // a source moving along its motion path
    Undo,
    Redo,
    Playlist, // a playlist the user opened or dropped
    Startup,  // the command line or the auto-save at start
};

// Whether the user asked by hand: the origins an undo step is made of.
bool ByUser(TOrigin origin);

// A motion path is shared and never changed in place: a change is a new path.
using TPathRef = std::shared_ptr<const TMotionPath>;

// One field's value; the alternative is the field's (see TField).
using TFieldValue = std::variant<std::string, BASS_3DVECTOR, TPathRef, float, bool, int>;

// Values compare exactly (a place lands on the same float); paths by content.
bool SameValue(const TFieldValue& a, const TFieldValue& b);

struct TChangeRequest {
    TField Field = TField::Place;
    int Channel = 0; // 1..32; 0 for the reverb level and the environment
    TFieldValue Value;
    TOrigin Origin = TOrigin::Hand;
    // A place only: how a plain stereo channel imitates it by volume and pan.
    TPanRule Pan = TPanRule::FromX();
    // The asker shows the change itself (a drag's markers follow the pointer
    // to the pixel): the views need not draw it again.
    bool Shown = false;
};

// What observers are told, once per request that changed its field.
struct TChange {
    TField Field = TField::Place;
    int Channel = 0;
    TFieldValue Before;
    TFieldValue After;
    TOrigin Origin = TOrigin::Hand;
    TPanRule Pan = TPanRule::FromX();
    bool Shown = false;
};

// What became of a request.
struct TApplied {
    enum class TState {
        Changed,   // applied; the field holds another value now
        Unchanged, // applied; the field held that value already (a file is still loaded again)
        Refused,   // the field could not take the value (Reason says why); nothing changed
        Queued,    // asked while another change was applied: it runs after that one
    };
    TState State = TState::Unchanged;
    std::string Reason; // Refused only, in the user's words
    bool Refused() const { return State == TState::Refused; }
};

class TArrangementSeam {
public:
    // The owner's side. Read: the value a field holds now. Write: makes the
    // field hold the request's value (a file is loaded, a source placed ...);
    // nothing, or why it could not (the field is then left as it was).
    std::function<TFieldValue(TField field, int channel)> Read;
    std::function<std::optional<std::string>(const TChangeRequest& request)> Write;

    using TObserver = std::function<void(const TChange&)>;
    // Observers are told in the order they were added; the id forgets one.
    int Observe(TObserver observer);
    void Forget(int id);

    // Applies the request now, or after the change in progress when one is.
    // Requests queued meanwhile run before this returns, in order.
    TApplied Request(const TChangeRequest& request);
    // The same, by field.
    TApplied Place(int n, const BASS_3DVECTOR& p, TOrigin origin, TPanRule pan = TPanRule::FromX(),
                   bool shown = false);
    TApplied File(int n, const std::string& path, TOrigin origin);
    TApplied Path(int n, TPathRef path, TOrigin origin);
    TApplied Gain(int n, float gain, TOrigin origin);
    TApplied Mute(int n, bool muted, TOrigin origin);
    TApplied ReverbLevel(int level, TOrigin origin);
    TApplied Environment(int index, TOrigin origin);

    // A change is being applied or its observers told.
    bool Busy() const { return busy_; }
    // Changes applied so far (observers told), for whoever waits on one.
    uint64_t Count() const { return count_; }

private:
    TApplied Apply(const TChangeRequest& request);

    struct TEntry {
        int Id;
        TObserver Observer;
    };
    std::vector<TEntry> observers_;
    std::deque<TChangeRequest> queue_;
    int nextId_ = 1;
    bool busy_ = false;
    uint64_t count_ = 0;
};
