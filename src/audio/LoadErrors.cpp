#include "audio/LoadErrors.h"

#include <QCoreApplication>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "audiolib.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("LoadErrors", text);
}

// What the file system says about a file the library could not open.
QString FileOpenReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Tr("ファイルがありません")
                                                   : Tr("ファイルを開けません");
    if (S_ISDIR(st.st_mode))
        return Tr("フォルダーです");
    if (::access(path.c_str(), R_OK) != 0)
        return Tr("読み取りの権限がありません");
    return Tr("ファイルを読めません");
}

} // namespace

QString LoadFailureReason(int errorCode, const std::string& path) {
    switch (errorCode) {
    case BASS_ERROR_FILEOPEN:
        return FileOpenReason(path);
    case BASS_ERROR_FORMAT:
        return Tr("音声ファイルではないか、対応していない形式です");
    case BASS_ERROR_NO3D:
        return Tr("3D の音源として開けません");
    case BASS_ERROR_MEMORY:
        return Tr("メモリーが足りません");
    case BASS_ERROR_INIT:
        return Tr("出力デバイスが開いていません");
    default:
        return Tr("音声ライブラリーのエラー %1").arg(errorCode);
    }
}

void TLoadFailures::add(int errorCode, const std::string& path) {
    constexpr int Shown = 8;
    if (lines_.size() < Shown)
        lines_ << QString::fromStdString(path) + ": " + LoadFailureReason(errorCode, path);
    else
        ++more_;
}

QString TLoadFailures::text() const {
    QStringList all = lines_;
    if (more_ > 0)
        all << MoreLine(more_);
    return all.join("\n");
}

QString MoreLine(int count) {
    return Tr("ほか %1 件").arg(count);
}
