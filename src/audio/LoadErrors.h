// Why a sound file did not open, in words: one place for every message that
// names a file that failed.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

// The reason for the library's error code errorCode after opening path
// failed. Where the code cannot tell (the file could not be opened or read),
// the file itself is looked at: missing, a folder, not readable.
QString LoadFailureReason(int errorCode, const std::string& path);

// The files of one load that failed, for the message: "path: reason" lines,
// the first few of them, then how many more.
class TLoadFailures {
public:
    void add(int errorCode, const std::string& path);
    QString text() const;

private:
    QStringList lines_;
    int more_ = 0;
};

// The line for what happens to be more than a message shows: "and N more".
QString MoreLine(int count);
