// Where an export's frames go: a sound file in the chosen container and
// format, with the layout's channels and speaker positions. The file appears
// only when Finish succeeds; until then it is written under a temporary name
// beside the target, and a sink that goes without finishing removes it and
// leaves any old file of that name as it was.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "export/ExportOptions.h"

class TExportSink {
public:
    virtual ~TExportSink() = default;
    // count interleaved frames of the layout's channels.
    virtual bool Write(const float* frames, size_t count) = 0;
    // Everything on the disk, the file in its place.
    virtual bool Finish() = 0;
    // Why the last call failed, for people.
    const std::string& Error() const { return error_; }

protected:
    std::string error_;
};

// The one factory: the sink options ask for, or none (with error).
std::unique_ptr<TExportSink> MakeExportSink(const TExportOptions& options, std::string& error);

// What a system error number means for people ("the disk is full").
std::string SystemError(int error);

// A file beside the target under a name of its own; removed unless kept.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& target, const char* tag);
    ~TTemporaryFile();
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    int fd() const { return fd_; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    int fd_ = -1;
    int error_ = 0;
    std::string path_;
    bool kept_ = false;
};

// Writes everything to fd or says why not.
bool WriteAll(int fd, const void* data, size_t size, std::string& error);
