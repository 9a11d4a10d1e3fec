#include "undo/Arrangement.h"

#include <algorithm>

namespace {

bool SamePosition(const BASS_3DVECTOR& a, const BASS_3DVECTOR& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

size_t Index(int n) {
    return static_cast<size_t>(n - 1);
}

} // namespace

bool TChannelArrangement::operator==(const TChannelArrangement& other) const {
    return Loaded == other.Loaded && FileName == other.FileName &&
           SamePosition(Position, other.Position);
}

bool TArrangementPart::Empty() const {
    return !ReverbLevel && !Environment &&
           std::none_of(Channels.begin(), Channels.end(), [](const auto& c) { return c; });
}

std::vector<int> TArrangementPart::ChannelNumbers() const {
    std::vector<int> numbers;
    for (int n = 1; n <= ChannelCount; ++n)
        if (Channels[Index(n)])
            numbers.push_back(n);
    return numbers;
}

bool TArrangementPart::SameSubject(const TArrangementPart& other) const {
    return ChannelNumbers() == other.ChannelNumbers() &&
           ReverbLevel.has_value() == other.ReverbLevel.has_value() &&
           Environment.has_value() == other.Environment.has_value();
}

void AddChanges(const TArrangement& pre, const TArrangement& post, TArrangementPart& before,
                TArrangementPart& after) {
    for (size_t i = 0; i < pre.Channels.size(); ++i) {
        if (pre.Channels[i] == post.Channels[i])
            continue;
        if (!before.Channels[i])
            before.Channels[i] = pre.Channels[i];
        after.Channels[i] = post.Channels[i];
    }
    if (pre.ReverbLevel != post.ReverbLevel) {
        if (!before.ReverbLevel)
            before.ReverbLevel = pre.ReverbLevel;
        after.ReverbLevel = post.ReverbLevel;
    }
    if (pre.Environment != post.Environment) {
        if (!before.Environment)
            before.Environment = pre.Environment;
        after.Environment = post.Environment;
    }
}

void DropUnchanged(TArrangementPart& before, TArrangementPart& after) {
    for (size_t i = 0; i < before.Channels.size(); ++i) {
        if (before.Channels[i] == after.Channels[i]) {
            before.Channels[i].reset();
            after.Channels[i].reset();
        }
    }
    if (before.ReverbLevel == after.ReverbLevel) {
        before.ReverbLevel.reset();
        after.ReverbLevel.reset();
    }
    if (before.Environment == after.Environment) {
        before.Environment.reset();
        after.Environment.reset();
    }
}

TArrangement Overlay(TArrangement current, const TArrangementPart& part) {
    for (size_t i = 0; i < current.Channels.size(); ++i)
        if (part.Channels[i])
            current.Channels[i] = *part.Channels[i];
    current.ReverbLevel = part.ReverbLevel.value_or(current.ReverbLevel);
    current.Environment = part.Environment.value_or(current.Environment);
    return current;
}

TStepName NameOfStep(bool playlist, const TArrangementPart& before, const TArrangementPart& after) {
    if (playlist)
        return {TStepWhat::Playlist, {}};
    std::vector<int> files, freed, moved;
    for (int n : after.ChannelNumbers()) {
        const TChannelArrangement& a = *after.Channels[Index(n)];
        const std::optional<TChannelArrangement>& b = before.Channels[Index(n)];
        if (b && (b->Loaded != a.Loaded || b->FileName != a.FileName))
            (a.Loaded ? files : freed).push_back(n);
        else
            moved.push_back(n);
    }
    if (!files.empty())
        return {TStepWhat::Load, files};
    if (!freed.empty())
        return {TStepWhat::Remove, freed};
    if (!moved.empty())
        return {TStepWhat::Move, moved};
    if (after.ReverbLevel)
        return {TStepWhat::Reverb, {}};
    return {TStepWhat::Environment, {}};
}

std::string ChannelList(const std::vector<int>& channels) {
    std::string text;
    for (size_t i = 0; i < channels.size();) {
        size_t j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1)
            ++j;
        if (!text.empty())
            text += ", ";
        text += std::to_string(channels[i]);
        if (j >= i + 2)
            text += "-" + std::to_string(channels[j]);
        else if (j == i + 1)
            text += ", " + std::to_string(channels[j]);
        i = j + 1;
    }
    return text;
}
