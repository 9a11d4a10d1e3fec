// The arrangement as the user builds it by hand: which file each slot holds,
// where its source rests and the path it follows, the reverb level and the
// room environment, read whole for those who show or compare it; and the
// fields a step of the user's changed, which undo and redo put back one by
// one. Pure: no Qt, no audio library calls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arrangement/ArrangementSeam.h"
#include "channels/SourceTable.h"
#include "motion/MotionPath.h"

struct TChannelArrangement {
    bool Loaded = false;
    std::string FileName; // empty while the slot is empty
    BASS_3DVECTOR Position{0.f, 0.f, 0.f};
    std::optional<TMotionPath> Path; // none without a file

    // Positions compare exactly: a step back must land on the same float.
    bool operator==(const TChannelArrangement& other) const;
};

struct TArrangement {
    std::array<TChannelArrangement, ChannelCount> Channels{}; // channel n at n - 1
    int ReverbLevel = 0;
    int Environment = 0;

    TChannelArrangement& Channel(int n) { return Channels.at(static_cast<size_t>(n - 1)); }
    const TChannelArrangement& Channel(int n) const {
        return Channels.at(static_cast<size_t>(n - 1));
    }
    bool operator==(const TArrangement&) const = default;
};

// One field a step changed: its value before the gesture and after it.
struct TFieldStep {
    TField Field = TField::Place;
    int Channel = 0;
    TFieldValue Before;
    TFieldValue After;
};

// Adds a change to a step's fields: a field met for the first time keeps
// the change's value before; after always takes the change's.
void AddChange(std::vector<TFieldStep>& fields, const TChange& change);
// Drops the fields that came back to where they were.
void DropUnchanged(std::vector<TFieldStep>& fields);
// Whether both touch the same fields of the same channels, whatever their values.
bool SameSubject(const std::vector<TFieldStep>& a, const std::vector<TFieldStep>& b);

// What a step did, for its name in the Edit menu.
enum class TStepWhat { Move, Load, Remove, Playlist, Reverb, Environment, Motion };
struct TStepName {
    TStepWhat What = TStepWhat::Move;
    std::vector<int> Channels; // the channels named, ascending
};
TStepName NameOfStep(bool playlist, const std::vector<TFieldStep>& fields);

// Channel numbers in short: runs of three or more as a range ("1-3, 7").
std::string ChannelList(const std::vector<int>& channels);
