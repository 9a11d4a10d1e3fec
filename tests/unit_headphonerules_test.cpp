// Headphone 3D: the stored mode words and the status line.
#include <gtest/gtest.h>

#include "audio/HeadphoneRules.h"

namespace {

TEST(HeadphoneRules, ModeWordsRoundTripAndAnythingElseIsAutomatic) {
    for (DWORD mode : {AUDIOLIB_HRTF_AUTO, AUDIOLIB_HRTF_ON, AUDIOLIB_HRTF_OFF})
        EXPECT_EQ(HrtfModeFromWord(HrtfModeWord(mode)), mode);
    EXPECT_EQ(HrtfModeWord(AUDIOLIB_HRTF_ON), "on");
    EXPECT_EQ(HrtfModeWord(AUDIOLIB_HRTF_OFF), "off");
    EXPECT_EQ(HrtfModeWord(AUDIOLIB_HRTF_AUTO), "auto");
    for (const char* word : {"", "ON", "true", "1", "offf"})
        EXPECT_EQ(HrtfModeFromWord(word), DWORD(AUDIOLIB_HRTF_AUTO)) << word;
}

TEST(HeadphoneRules, StatusSaysWhetherHrtfRendersAndWhyNot) {
    AUDIOLIB_HRTF_INFO info{AUDIOLIB_HRTF_ON, -1, 1, AUDIOLIB_HRTF_ENABLED, 0, 2};
    EXPECT_EQ(HrtfStatusText(info, false), "HRTF 有効");
    info.mode = AUDIOLIB_HRTF_AUTO;
    info.status = AUDIOLIB_HRTF_HEADPHONES_DETECTED;
    EXPECT_EQ(HrtfStatusText(info, false), "HRTF 有効");
    info.status = AUDIOLIB_HRTF_REQUIRED;
    EXPECT_EQ(HrtfStatusText(info, true), "HRTF 有効") << "on is on, whatever was asked last";

    info.active = 0;
    info.status = AUDIOLIB_HRTF_DISABLED;
    EXPECT_EQ(HrtfStatusText(info, false), "HRTF 無効: ヘッドホンが検出されていません");
    info.mode = AUDIOLIB_HRTF_OFF;
    EXPECT_EQ(HrtfStatusText(info, false), "HRTF 無効: オフにしています");
    info.mode = AUDIOLIB_HRTF_ON;
    info.status = AUDIOLIB_HRTF_UNSUPPORTED_FORMAT;
    EXPECT_EQ(HrtfStatusText(info, false),
              "HRTF 無効: 出力形式が対応していません (44100/48000 Hz のステレオが必要です)");
    info.status = AUDIOLIB_HRTF_DENIED;
    EXPECT_EQ(HrtfStatusText(info, false), "HRTF 無効: OpenAL Soft の設定で禁止されています");
    info.status = AUDIOLIB_HRTF_UNAVAILABLE;
    EXPECT_EQ(HrtfStatusText(info, false), "HRTF 無効: この OpenAL は HRTF に対応していません");
    EXPECT_EQ(HrtfStatusText(info, true), "HRTF 無効: 出力装置が切り替えを受け付けません");
}

} // namespace
