#include "export/TimeLanes.h"

#include <algorithm>

#include "effects/Environments.h"

namespace {

// The library holds every decay between these.
double Held(double decay) {
    return std::clamp(decay, 0.1, 20.0);
}

} // namespace

double WarmUpSeconds(const TRinging& scene) {
    double longest = 0;
    if (const TEnvironmentPreset* room = EnvironmentOfItem(scene.Environment);
        room && room->Volume > 0)
        longest = Held(room->Decay);
    if (scene.ReverbLevel > 0)
        longest = std::max(longest, Held(scene.ReverbSeconds));
    return 2 * longest + 0.1;
}

std::vector<TStretch> PlanStretches(size_t frames, size_t lanes, size_t warm, size_t grid,
                                    size_t longest) {
    if (lanes < 2 || grid == 0 || 5 * warm > std::min(frames, longest))
        return {};
    // As few rounds of lanes as keep every stretch within longest: the
    // first, the longest, holds (frames + (n - 1) * warm) / n.
    const size_t per = lanes * (longest - warm);
    const size_t rounds = std::max<size_t>(1, (frames - warm + per - 1) / per);
    const size_t n = rounds * lanes;
    const size_t first = (frames + (n - 1) * warm) / n;
    std::vector<TStretch> stretches;
    for (size_t k = 0, from = 0; k < n && from < frames; ++k) {
        const size_t length = k == 0 ? first : first - warm;
        const size_t to = k + 1 == n ? frames : std::min(frames, (from + length) / grid * grid);
        if (to <= from)
            continue;
        stretches.push_back({from - std::min(from, warm), from, to, k % lanes});
        from = to;
    }
    // The mix takes a stretch only after the ones before it: what the other
    // lanes of a single round hold is mixed once the first lane is done. The
    // first lane takes a little less (the mix costs about a tenth of a
    // lane's render), so that this mixing overlaps their rendering rather
    // than follows it.
    if (rounds == 1 && stretches.size() >= 2) {
        TStretch &head = stretches[0], &next = stretches[1];
        const size_t lead = (frames - head.To) / 12 / grid * grid;
        if (lead < head.To && next.To - next.From + lead <= longest) {
            head.To -= lead;
            next.From -= lead;
            next.Warm = next.From - std::min(next.From, warm);
        }
    }
    return stretches;
}
