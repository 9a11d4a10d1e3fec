// Devices under OpenAL Soft's null output, the version, and calls made
// without a device.
#include "audiolib.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

namespace {

// Every device is closed again, whatever a test did.
class Device : public ::testing::Test {
protected:
    void TearDown() override { BASS_Free(); }
};

TEST_F(Device, ReportsVersion23) {
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0203u);
}

TEST_F(Device, DescribesDevicesFromOneAndNothingPastTheLast) {
    EXPECT_EQ(BASS_GetDeviceDescription(0), nullptr);
    const char* first = BASS_GetDeviceDescription(1);
    ASSERT_NE(first, nullptr);
    EXPECT_GT(std::string(first).size(), 0u);
    DWORD n = 1;
    while (BASS_GetDeviceDescription(n + 1) && n < 64)
        ++n;
    EXPECT_LT(n, 64u);
    EXPECT_EQ(BASS_GetDeviceDescription(n + 1), nullptr);
    // The text stays valid while others are asked for.
    const std::string copy = first;
    BASS_GetDeviceDescription(2);
    EXPECT_EQ(copy, first);
}

TEST_F(Device, InitOpensOnceAndFreeAllowsAnotherInit) {
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    EXPECT_FALSE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_FALSE(AUDIOLIB_InitLoopback(44100, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Set3DFactors(1.f, 1.f, 1.f));
    EXPECT_TRUE(BASS_Stop());
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(-1, 48000, BASS_DEVICE_3D, nullptr, nullptr)); // the default device
}

TEST_F(Device, UnknownDeviceNumbersFail) {
    DWORD n = 1;
    while (BASS_GetDeviceDescription(n))
        ++n;
    EXPECT_FALSE(BASS_Init(static_cast<int>(n), 44100, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Init(0, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST_F(Device, TheProgramsStartUpSequenceFindsEax) {
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    DWORD env;
    float vol, decay, damp;
    EXPECT_TRUE(BASS_GetEAXParameters(&env, &vol, &decay, &damp)) << BASS_ErrorGetCode();
    EXPECT_TRUE(BASS_Set3DFactors(1.f, 1.f, 1.f));
    EXPECT_TRUE(BASS_SetEAXParameters(-1, 0.f, -1.f, -1.f));
    EXPECT_TRUE(BASS_Stop());
    EXPECT_TRUE(BASS_Free());
}

TEST_F(Device, CallsWithoutADeviceFailWithInit) {
    const std::pair<const char*, BOOL> results[] = {
        {"SetEAX", BASS_SetEAXParameters(-1, 0.f, -1.f, -1.f)},
        {"GetEAX", BASS_GetEAXParameters(nullptr, nullptr, nullptr, nullptr)},
        {"Set3DFactors", BASS_Set3DFactors(1.f, 1.f, 1.f)},
        {"Stop", BASS_Stop()},
        {"StreamCreateFile", BASS_StreamCreateFile(0, "/nonexistent.wav", 0, 0, 0) != 0},
        {"MusicLoad", BASS_MusicLoad(0, "/nonexistent.mod", 0, 0, 0x20C, 0) != 0},
        {"ChannelPlay", BASS_ChannelPlay(0x10000001u, 0)},
    };
    for (const auto& [name, result] : results)
        EXPECT_FALSE(result) << name;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    float out[2];
    EXPECT_FALSE(AUDIOLIB_Render(out, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    const BASS_3DVECTOR front{0, 0, 1}, top{0, 1, 0};
    EXPECT_FALSE(AUDIOLIB_SetListenerOrientation(&front, &top));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    BASS_Apply3D(); // harmless
}

TEST_F(Device, ErrorCodesAreKeptPerThread) {
    EXPECT_FALSE(BASS_Stop());
    ASSERT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    int other = -2;
    std::thread([&] { other = BASS_ErrorGetCode(); }).join();
    EXPECT_EQ(other, BASS_OK);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST_F(Device, RenderNeedsTheLoopbackDevice) {
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    float out[2];
    EXPECT_FALSE(AUDIOLIB_Render(out, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    BASS_Free();
    ASSERT_TRUE(AUDIOLIB_InitLoopback(44100, 0));
    EXPECT_FALSE(AUDIOLIB_Render(nullptr, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_TRUE(AUDIOLIB_Render(out, 1));
    EXPECT_EQ(out[0], 0.f);
}

TEST_F(Device, HrtfRenderingOpens) {
    ASSERT_TRUE(AUDIOLIB_InitLoopback(44100, 1)) << BASS_ErrorGetCode();
    float out[512];
    EXPECT_TRUE(AUDIOLIB_Render(out, 256));
}

} // namespace
