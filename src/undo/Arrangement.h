// The arrangement as the user builds it by hand, taken whole so that a step
// back can put it back: which file each slot holds and where its source
// stands, the reverb level and the room environment. What a controller or the
// transport changes (gain, mute, play states) is live input and not in it.
// Pure: no Qt, no audio library calls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "channels/SourceTable.h"

struct TChannelArrangement {
    bool Loaded = false;
    std::string FileName; // empty while the slot is empty
    BASS_3DVECTOR Position{0.f, 0.f, 0.f};

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

// The values of an arrangement that one step touched; the rest is absent.
struct TArrangementPart {
    std::array<std::optional<TChannelArrangement>, ChannelCount> Channels{};
    std::optional<int> ReverbLevel;
    std::optional<int> Environment;

    bool Empty() const;
    // The numbers of the channels present, ascending.
    std::vector<int> ChannelNumbers() const;
    // Whether both hold the same values (channels and settings), whatever they are.
    bool SameSubject(const TArrangementPart& other) const;
};

// Adds to a step what changed between pre and post: a value met for the first
// time keeps pre's as its value before the step; after always takes post's.
void AddChanges(const TArrangement& pre, const TArrangement& post, TArrangementPart& before,
                TArrangementPart& after);

// Drops the values that came back to where they were.
void DropUnchanged(TArrangementPart& before, TArrangementPart& after);

// current with the part's values put over it.
TArrangement Overlay(TArrangement current, const TArrangementPart& part);

// What a step did, for its name in the Edit menu.
enum class TStepWhat { Move, Load, Remove, Playlist, Reverb, Environment };
struct TStepName {
    TStepWhat What = TStepWhat::Move;
    std::vector<int> Channels; // the channels named, ascending
};
TStepName NameOfStep(bool playlist, const TArrangementPart& before, const TArrangementPart& after);

// Channel numbers in short: runs of three or more as a range ("1-3, 7").
std::string ChannelList(const std::vector<int>& channels);
