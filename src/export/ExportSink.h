// Where an export's frames go: a sound file in the chosen container and
// format, with the layout's channels and speaker positions. The file appears
// only when Finish succeeds; until then it is written under a temporary name
// beside the target, and a sink that goes without finishing removes it and
// leaves any old file of that name as it was. Standard output, a FIFO or a
// device is written straight through instead.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "export/ExportOptions.h"
#include "files/AtomicFile.h"

class TExportSink {
public:
    virtual ~TExportSink() = default;
    // count interleaved frames of the layout's channels.
    virtual bool Write(const float* frames, size_t count) = 0;
    // Everything on the disk, the file in its place.
    virtual bool Finish() = 0;
    // The file being written (a scratch file goes beside it).
    virtual const TAtomicFile& File() const = 0;
    // Why the last call failed, for people.
    const std::string& Error() const { return error_; }
    // It failed because a file of that name is there (or came meanwhile) and
    // options.Force was not given.
    bool Exists() const { return exists_; }

protected:
    std::string error_;
    bool exists_ = false;
};

// The one factory: the sink options ask for, or none (with error, and
// exists set when the file is there). A FIFO's reader is waited for until
// cancel is set. The messages are in translate's words.
std::unique_ptr<TExportSink> MakeExportSink(const TExportOptions& options, std::string& error,
                                            const std::atomic<bool>* cancel = nullptr,
                                            const TTranslate& translate = SourceText,
                                            bool* exists = nullptr);

// Writes everything to fd or says why not.
bool WriteAll(int fd, const void* data, size_t size, std::string& error);
