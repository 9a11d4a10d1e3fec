#include "audio/ErrorReasons.h"

#include "audiolib.h"

std::string BassErrorReason(int code, const TTranslate& translate) {
    switch (code) {
    case BASS_ERROR_INIT:
        return translate("ErrorReasons", "出力装置が開かれていません");
    case BASS_ERROR_DEVICE:
        return translate("ErrorReasons", "その出力装置はありません");
    case BASS_ERROR_DRIVER:
        return translate("ErrorReasons", "出力装置を開けません");
    case BASS_ERROR_ALREADY:
        return translate("ErrorReasons", "出力装置は既に開かれています");
    case BASS_ERROR_HANDLE:
        return translate("ErrorReasons", "チャンネルがありません");
    case BASS_ERROR_FILEOPEN:
        return translate("ErrorReasons", "ファイルを開けないか、読み込めません");
    case BASS_ERROR_FORMAT:
        return translate("ErrorReasons", "サウンドファイルではないか、対応していない形式です");
    case BASS_ERROR_NO3D:
        return translate("ErrorReasons", "ステレオのファイルは 3D で再生できません");
    case BASS_ERROR_NOEAX:
        return translate("ErrorReasons", "出力装置が EAX に対応していません");
    case BASS_ERROR_ILLPARAM:
        return translate("ErrorReasons", "値が正しくありません");
    case BASS_ERROR_MEMORY:
        return translate("ErrorReasons", "メモリーまたは音源が足りません");
    case BASS_ERROR_NOTAVAIL:
        return translate("ErrorReasons", "この機能は使えません");
    case BASS_ERROR_PLUGIN:
        return translate("ErrorReasons", "プラグインではありません");
    case BASS_ERROR_POSITION:
        return translate("ErrorReasons", "その位置には移動できません");
    default:
        return translate("ErrorReasons", "不明なエラー");
    }
}
