#include "undo/Arrangement.h"

#include <algorithm>

namespace {

bool SamePosition(const BASS_3DVECTOR& a, const BASS_3DVECTOR& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

} // namespace

bool TChannelArrangement::operator==(const TChannelArrangement& other) const {
    return Loaded == other.Loaded && FileName == other.FileName &&
           SamePosition(Position, other.Position) && Path == other.Path;
}

namespace {

bool SameField(const TFieldStep& f, TField field, int channel) {
    return f.Field == field && f.Channel == channel;
}

} // namespace

void AddChange(std::vector<TFieldStep>& fields, const TChange& change) {
    for (TFieldStep& f : fields)
        if (SameField(f, change.Field, change.Channel)) {
            f.After = change.After;
            return;
        }
    fields.push_back({change.Field, change.Channel, change.Before, change.After});
}

void DropUnchanged(std::vector<TFieldStep>& fields) {
    std::erase_if(fields, [](const TFieldStep& f) { return SameValue(f.Before, f.After); });
}

bool SameSubject(const std::vector<TFieldStep>& a, const std::vector<TFieldStep>& b) {
    const auto covers = [](const std::vector<TFieldStep>& x, const std::vector<TFieldStep>& y) {
        return std::all_of(y.begin(), y.end(), [&](const TFieldStep& f) {
            return std::any_of(x.begin(), x.end(), [&](const TFieldStep& g) {
                return SameField(g, f.Field, f.Channel);
            });
        });
    };
    return a.size() == b.size() && covers(a, b) && covers(b, a);
}

TStepName NameOfStep(bool playlist, const std::vector<TFieldStep>& fields) {
    if (playlist)
        return {TStepWhat::Playlist, {}};
    std::vector<int> files, freed, paths, moved;
    bool reverb = false;
    const auto add = [](std::vector<int>& to, int n) {
        if (std::find(to.begin(), to.end(), n) == to.end())
            to.push_back(n);
    };
    for (const TFieldStep& f : fields) {
        switch (f.Field) {
        case TField::File:
            add(std::get<std::string>(f.After).empty() ? freed : files, f.Channel);
            break;
        case TField::Path:
            add(paths, f.Channel);
            break;
        case TField::Place:
            add(moved, f.Channel);
            break;
        case TField::ReverbLevel:
            reverb = true;
            break;
        default:
            break;
        }
    }
    for (auto* list : {&files, &freed, &paths, &moved})
        std::sort(list->begin(), list->end());
    // A file takes its path with it, and a path's end puts the source back.
    if (!files.empty())
        return {TStepWhat::Load, files};
    if (!freed.empty())
        return {TStepWhat::Remove, freed};
    if (!paths.empty())
        return {TStepWhat::Motion, paths};
    if (!moved.empty())
        return {TStepWhat::Move, moved};
    if (reverb)
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
