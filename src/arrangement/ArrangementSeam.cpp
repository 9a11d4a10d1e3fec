#include "arrangement/ArrangementSeam.h"

#include <algorithm>

bool ByUser(TOrigin origin) {
    switch (origin) {
    case TOrigin::Hand:
    case TOrigin::Key:
    case TOrigin::Wheel:
    case TOrigin::Bar:
    case TOrigin::Playlist:
        return true;
    default:
        return false;
    }
}

bool SameValue(const TFieldValue& a, const TFieldValue& b) {
    if (a.index() != b.index())
        return false;
    if (const auto* p = std::get_if<BASS_3DVECTOR>(&a)) {
        const auto& q = std::get<BASS_3DVECTOR>(b);
        return p->x == q.x && p->y == q.y && p->z == q.z;
    }
    if (const auto* p = std::get_if<TPathRef>(&a)) {
        const TPathRef& q = std::get<TPathRef>(b);
        return *p == q || (*p && q && **p == *q);
    }
    if (const auto* p = std::get_if<std::string>(&a))
        return *p == std::get<std::string>(b);
    if (const auto* p = std::get_if<float>(&a))
        return *p == std::get<float>(b);
    if (const auto* p = std::get_if<bool>(&a))
        return *p == std::get<bool>(b);
    return std::get<int>(a) == std::get<int>(b);
}

int TArrangementSeam::Observe(TObserver observer) {
    observers_.push_back({nextId_, std::move(observer)});
    return nextId_++;
}

void TArrangementSeam::Forget(int id) {
    // Told or not, it hears nothing more; the entry goes once nobody iterates.
    for (TEntry& e : observers_)
        if (e.Id == id)
            e.Observer = nullptr;
    if (!busy_)
        std::erase_if(observers_, [](const TEntry& e) { return !e.Observer; });
}

TApplied TArrangementSeam::Request(const TChangeRequest& request) {
    if (busy_) {
        queue_.push_back(request);
        return {TApplied::TState::Queued, {}};
    }
    const TApplied applied = Apply(request);
    // What the change and its observers asked for, in the order they asked.
    while (!queue_.empty()) {
        const TChangeRequest next = std::move(queue_.front());
        queue_.pop_front();
        Apply(next);
    }
    std::erase_if(observers_, [](const TEntry& e) { return !e.Observer; });
    return applied;
}

TApplied TArrangementSeam::Apply(const TChangeRequest& request) {
    busy_ = true;
    TChange change{
        request.Field, request.Channel, Read(request.Field, request.Channel), {}, request.Origin,
        request.Pan,   request.Shown};
    if (std::optional<std::string> refused = Write(request)) {
        busy_ = false;
        return {TApplied::TState::Refused, std::move(*refused)};
    }
    change.After = Read(request.Field, request.Channel);
    if (SameValue(change.Before, change.After)) {
        busy_ = false;
        return {TApplied::TState::Unchanged, {}};
    }
    ++count_;
    // Observers added while telling hear the next change, not this one.
    for (size_t i = 0, end = observers_.size(); i < end; ++i)
        if (observers_[i].Observer)
            observers_[i].Observer(change);
    busy_ = false;
    return {TApplied::TState::Changed, {}};
}

TApplied TArrangementSeam::Place(int n, const BASS_3DVECTOR& p, TOrigin origin, TPanRule pan,
                                 bool shown) {
    return Request({TField::Place, n, p, origin, pan, shown});
}

TApplied TArrangementSeam::File(int n, const std::string& path, TOrigin origin) {
    return Request({TField::File, n, path, origin});
}

TApplied TArrangementSeam::Path(int n, TPathRef path, TOrigin origin) {
    return Request({TField::Path, n, std::move(path), origin});
}

TApplied TArrangementSeam::Gain(int n, float gain, TOrigin origin) {
    return Request({TField::Gain, n, gain, origin});
}

TApplied TArrangementSeam::Mute(int n, bool muted, TOrigin origin) {
    return Request({TField::Mute, n, muted, origin});
}

TApplied TArrangementSeam::ReverbLevel(int level, TOrigin origin) {
    return Request({TField::ReverbLevel, 0, level, origin});
}

TApplied TArrangementSeam::Environment(int index, TOrigin origin) {
    return Request({TField::Environment, 0, index, origin});
}
