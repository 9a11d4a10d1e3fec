#include "playlist/PlaylistReading.h"

#include <algorithm>
#include <utility>

#include "playlist/PathRules.h"

namespace {

// Path and level lines belong to the file line that follows them and to no
// other: a file that is not there or does not load takes them with it. The
// place is the exception the format has always had: it waits for the next
// file that loads.
bool BelongsToItsFileOnly(const TPlaylistLine& line) {
    return line.LineKind == TPlaylistLine::Kind::Motion ||
           line.LineKind == TPlaylistLine::Kind::Level;
}

void DropOwnLines(TPlaylistChannel& pending) {
    const TPlaylistChannel fresh;
    pending.Motion = fresh.Motion;
    pending.Gain = fresh.Gain;
    pending.Muted = fresh.Muted;
}

} // namespace

TPlaylistRead ReadPlaylist(const std::string& path, double limit, int slots) {
    TPlaylistRead read;
    read.Result = ReadFileLines(path, [&](std::string_view text) {
        std::optional<TPlaylistLine> line = ClassifyPlaylistLine(text, limit);
        if (!line)
            return true;
        if (line->LineKind == TPlaylistLine::Kind::File) {
            read.NamesFile = true;
            line->Path = PathInPlaylist(path, line->Path);
            if (!IsExistingFile(line->Path)) {
                if (read.Missing.size() < 64)
                    read.Missing.push_back(line->Path);
                // Only the settings since the last file line can be its own.
                std::vector<TPlaylistLine>& lines = read.Digest.Lines;
                auto since = std::find_if(lines.rbegin(), lines.rend(), [](const auto& l) {
                                 return l.LineKind == TPlaylistLine::Kind::File;
                             }).base();
                lines.erase(std::remove_if(since, lines.end(), BelongsToItsFileOnly), lines.end());
                return true; // takes no slot
            }
            ++read.Existing;
        }
        read.Digest.Add(std::move(*line));
        return read.Existing < slots;
    });
    return read;
}

TPlaylistApplied
ApplyPlaylist(const TPlaylistRead& read, int slots,
              const std::function<void(const TPlaylistLine&)>& setting,
              const std::function<bool(int slot, const TPlaylistChannel& channel)>& load) {
    TPlaylistApplied applied;
    TPlaylistChannel pending;
    int next = 1;
    for (const TPlaylistLine& line : read.Digest.Lines) {
        if (line.LineKind == TPlaylistLine::Kind::Effect) {
            setting(line);
            continue;
        }
        if (line.LineKind == TPlaylistLine::Kind::Position) {
            pending.X = line.X.value_or(pending.X);
            pending.Y = line.Y.value_or(pending.Y);
            pending.Z = line.Z.value_or(pending.Z);
            continue;
        }
        if (line.LineKind == TPlaylistLine::Kind::Motion) {
            pending.Motion = line.Motion;
            continue;
        }
        if (line.LineKind == TPlaylistLine::Kind::Level) {
            pending.Gain = line.Gain.value_or(pending.Gain);
            pending.Muted = line.Muted.value_or(pending.Muted);
            continue;
        }
        if (!IsExistingFile(line.Path)) {
            DropOwnLines(pending);
            continue; // gone since it was read: takes no slot
        }
        applied.ExistingSeen = true;
        pending.FileName = line.Path;
        if (load(next, pending)) {
            pending = {};
            applied.LoadedAny = true;
        } else {
            DropOwnLines(pending);
        }
        if (++next > slots)
            break;
    }
    return applied;
}
