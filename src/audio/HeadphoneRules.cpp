#include "audio/HeadphoneRules.h"

std::string HrtfModeWord(DWORD mode) {
    switch (mode) {
    case AUDIOLIB_HRTF_ON:
        return "on";
    case AUDIOLIB_HRTF_OFF:
        return "off";
    default:
        return "auto";
    }
}

DWORD HrtfModeFromWord(const std::string& word) {
    if (word == "on")
        return AUDIOLIB_HRTF_ON;
    if (word == "off")
        return AUDIOLIB_HRTF_OFF;
    return AUDIOLIB_HRTF_AUTO;
}

std::string HrtfStatusText(const AUDIOLIB_HRTF_INFO& info, bool refused,
                           const TTranslate& translate) {
    if (info.active)
        return translate("HeadphoneRules", "HRTF 有効");
    std::string reason;
    if (refused) {
        reason = translate("HeadphoneRules", "出力装置が切り替えを受け付けません");
    } else {
        switch (info.status) {
        case AUDIOLIB_HRTF_DISABLED:
            reason = info.mode == AUDIOLIB_HRTF_OFF
                         ? translate("HeadphoneRules", "オフにしています")
                     : info.mode == AUDIOLIB_HRTF_AUTO
                         ? translate("HeadphoneRules", "ヘッドホンが検出されていません")
                         : translate("HeadphoneRules", "出力装置が使っていません");
            break;
        case AUDIOLIB_HRTF_DENIED:
            reason = translate("HeadphoneRules", "OpenAL Soft の設定で禁止されています");
            break;
        case AUDIOLIB_HRTF_UNSUPPORTED_FORMAT:
            reason = translate("HeadphoneRules",
                               "出力形式が対応していません (44100/48000 Hz のステレオが必要です)");
            break;
        case AUDIOLIB_HRTF_UNAVAILABLE:
            reason = translate("HeadphoneRules", "この OpenAL は HRTF に対応していません");
            break;
        default:
            reason = translate("HeadphoneRules", "状態 ") + std::to_string(info.status);
            break;
        }
    }
    return translate("HeadphoneRules", "HRTF 無効: ") + reason;
}
