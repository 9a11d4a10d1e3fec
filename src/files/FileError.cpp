#include "files/FileError.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<TFileErrorTranslate> Translation{nullptr};

// Words of the program's own, "" for an error without them. Short, to follow
// "cannot write X: ".
std::string OwnWords(int error, TFileErrorTranslate translate) {
    switch (error) {
    case ENOENT:
        return translate("FileError", "ファイルまたはフォルダがありません");
    case EACCES:
        return translate("FileError", "アクセスが拒否されました");
    case EPERM:
        return translate("FileError", "操作が許可されていません");
    case EROFS:
        return translate("FileError", "読み取り専用のファイルシステムです");
    case ENOSPC:
    case EDQUOT:
        return translate("FileError", "ディスクがいっぱいです");
    case EFBIG:
        return translate("FileError", "ファイルが大きすぎます");
    case EISDIR:
        return translate("FileError", "ファイルではなくフォルダです");
    case ENOTDIR:
        return translate("FileError", "パスの途中がフォルダではありません");
    case EEXIST:
        return translate("FileError", "ファイルが既にあります");
    case ENAMETOOLONG:
        return translate("FileError", "名前が長すぎます");
    case ELOOP:
        return translate("FileError", "リンクが循環しているか多すぎます");
    case EIO:
        return translate("FileError", "入出力エラーです");
    case EMFILE:
    case ENFILE:
        return translate("FileError", "開いているファイルが多すぎます");
    case EBUSY:
        return translate("FileError", "ファイルまたは装置が使用中です");
    case EXDEV:
        return translate("FileError", "別のファイルシステムへは移せません");
    case EINVAL:
        return translate("FileError", "引数が正しくありません");
    case ENOMEM:
        return translate("FileError", "メモリーが足りません");
    case EPIPE:
        return translate("FileError", "パイプの読み手が終了しました");
    case EADDRINUSE:
        return translate("FileError", "アドレスは既に使用中です");
    default:
        return {};
    }
}

} // namespace

std::string FileErrorText(int error) {
    if (const TFileErrorTranslate translate = Translation.load(std::memory_order_acquire))
        if (std::string words = OwnWords(error, translate); !words.empty())
            return words;
    if (error == ENOSPC || error == EDQUOT)
        return "the disk is full";
    return std::strerror(error);
}

void SetFileErrorTranslation(TFileErrorTranslate translate) {
    Translation.store(translate, std::memory_order_release);
}
