// The export split over time: every lane renders the whole scene, each a
// stretch of the export, after a warm-up whose sound is dropped. By the end
// of the warm-up the rooms' and reverbs' tails and the sources' filters hold
// what they would hold had the lane rendered from the start.
#pragma once

#include <cstddef>
#include <vector>

// What rings on in a scene after its sound: the room (the EAX box's item, 0
// for "Off") and the channels' reverb (the track bar's level, 0 for off, and
// the decay time every channel's reverb gets).
struct TRinging {
    int Environment = 0;
    int ReverbLevel = 0;
    double ReverbSeconds = 1.2;
};

// The warm-up in seconds: twice the longest decay that rings (60 dB down
// twice: what the tail held at the warm-up's start is then below float
// rounding), and a tenth of a second for the filters and the HRTF's
// histories, a few ms long, when nothing rings.
double WarmUpSeconds(const TRinging& scene);

// A stretch of the export (in frames): rendered from Warm, every channel
// where it plays then; what comes before From is dropped, From .. To reaches
// the mix. Lane tells which lane renders it.
struct TStretch {
    size_t Warm = 0, From = 0, To = 0;
    size_t Lane = 0;
};

// The stretches of an export of frames frames over lanes lanes, with a
// warm-up of warm frames, none longer than longest (about: the edges lie on
// the block grid). Lanes take the stretches in turn; they even out each
// lane's work: the first stretch needs no warm-up, so it is longer by one
// (in a single round of lanes, a little less so: the mix of what the other
// lanes hold follows it).
// Empty when the warm-up would take a fifth or more of a stretch: the
// sources are then better split than the time.
std::vector<TStretch> PlanStretches(size_t frames, size_t lanes, size_t warm, size_t grid,
                                    size_t longest);
