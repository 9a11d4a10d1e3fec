// The program's speaker decoders and its OpenAL Soft configuration, without
// audio: where a direction plays, and which settings win.
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "audio/OutputLayout.h"

namespace {

double Db(double gain) {
    return 20 * std::log10(std::fabs(gain) + 1e-12);
}

// The index of a speaker label in a set.
size_t At(TSpeakerSet set, const std::string& label) {
    const auto speakers = SpeakersOf(set);
    for (size_t i = 0; i < speakers.size(); ++i)
        if (label == speakers[i].Label)
            return i;
    ADD_FAILURE() << label;
    return 0;
}

} // namespace

// A source plays from the speaker in its direction: in front from the centre
// well above the front pair, at ±30° from the front pair, behind-left from the
// left surround (5.1) or back (7.1), in between from both neighbours.
TEST(OutputLayout, EachDirectionPlaysFromItsSpeakers) {
    using enum TSpeakerSet;
    const struct {
        TSpeakerSet set;
        double azimuth;
        const char* loudest;
        std::vector<const char*> quiet; // at least 6 dB below the loudest
    } table[] = {
        {Surround51, 0, "CE", {"LF", "RF"}}, {Surround51, 30, "LF", {"CE"}},
        {Surround51, -30, "RF", {"CE"}},     {Surround51, 135, "LS", {"RS", "LF"}},
        {Surround71, 0, "CE", {"LF", "RF"}}, {Surround71, 30, "LF", {"CE"}},
        {Surround71, 90, "LS", {"LB"}},      {Surround71, 150, "LB", {"RB"}},
        {Surround71, -150, "RB", {"LS"}},    {Quad, 45, "LF", {"RF"}},
        {Quad, -135, "RB", {"LB"}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(DecoderKey(row.set) + (" " + std::to_string(row.azimuth)));
        const auto gains = DecodedGains(row.set, row.azimuth);
        size_t loudest = 0;
        for (size_t i = 0; i < gains.size(); ++i)
            if (std::fabs(gains[i]) > std::fabs(gains[loudest]))
                loudest = i;
        EXPECT_EQ(loudest, At(row.set, row.loudest));
        for (const char* quiet : row.quiet)
            EXPECT_GT(Db(gains[loudest]) - Db(gains[At(row.set, quiet)]), 6.0) << quiet;
    }
    // Between the centre and the left, both sound, and the power stays within
    // 3 dB round the circle.
    const auto between = DecodedGains(Surround51, 15);
    EXPECT_NEAR(Db(between[At(Surround51, "LF")]), Db(between[At(Surround51, "CE")]), 1.5);
    for (const TSpeakerSet set : {Quad, Surround51, Surround71})
        for (int a = -180; a < 180; a += 5) {
            double power = 0;
            for (const double g : DecodedGains(set, a))
                power += g * g;
            EXPECT_NEAR(10 * std::log10(power), 0.0, 3.0) << DecoderKey(set) << " " << a;
        }
}

// The program's configuration keeps the user's: their $ALSOFT_CONF first, a
// decoder they named for a layout, their ambisonic format; it adds the layout's
// channels and the decoders for the layouts they left empty.
TEST(OutputLayout, TheUsersSettingsStayAndTheProgramsAreAdded) {
    const std::string userConf = "[general]\ndrivers = wave\n[wave]\nfile = /tmp/out.wav\n";
    TAlsoftSettings user = ReadAlsoftSettings("# system\n[decoder]\nhq-mode = false\n"
                                              "surround51 =\nquad = \"/home/me/room.ambdec\"\n");
    for (const auto& [key, value] : ReadAlsoftSettings(userConf))
        user[key] = value;
    const std::map<std::string, std::string> decoders{{"quad", "/run/p/quad.ambdec"},
                                                      {"surround51", "/run/p/surround51.ambdec"},
                                                      {"surround71", "/run/p/surround71.ambdec"}};

    const TAlsoftSettings merged = ReadAlsoftSettings(
        ProgramAlsoftConfig(TOutputLayout::Surround51, user, userConf, decoders));
    EXPECT_EQ(merged.at("wave/file"), "/tmp/out.wav");
    EXPECT_EQ(merged.at("general/drivers"), "wave");
    EXPECT_EQ(merged.at("general/channels"), "surround51");
    EXPECT_EQ(merged.at("decoder/surround51"), "/run/p/surround51.ambdec");
    EXPECT_EQ(merged.count("decoder/quad"), 0u) << "the user's own quad decoder stays";
    EXPECT_EQ(merged.count("decoder/hq-mode"), 0u) << "the user's choice stays";

    const TAlsoftSettings automatic =
        ReadAlsoftSettings(ProgramAlsoftConfig(TOutputLayout::Automatic, {}, "", decoders));
    EXPECT_EQ(automatic.count("general/channels"), 0u);
    EXPECT_EQ(automatic.at("decoder/surround71"), "/run/p/surround71.ambdec");

    const TAlsoftSettings ambi =
        ReadAlsoftSettings(ProgramAlsoftConfig(TOutputLayout::Ambix3, {}, "", decoders));
    EXPECT_EQ(ambi.at("general/channels"), "ambi3");
    EXPECT_EQ(ambi.at("general/ambi-format"), "acn+sn3d");

    // OpenAL Soft's own order of files; the user's XDG_CONFIG_HOME among them.
    const std::map<std::string, const char*> env{
        {"HOME", "/home/me"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_CONFIG_DIRS", "/a:/b"}};
    const auto paths = AlsoftConfigPaths(
        [&env](const char* name) {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second;
        },
        "/opt/pp");
    const std::vector<std::string> expected{"/etc/openal/alsoft.conf", "/b/alsoft.conf",
                                            "/a/alsoft.conf",          "/home/me/.alsoftrc",
                                            "/cfg/alsoft.conf",        "/opt/pp/alsoft.conf"};
    EXPECT_EQ(paths, expected);
    for (const TOutputLayout layout : OutputLayouts())
        EXPECT_EQ(OutputLayoutOfWord(OutputLayoutWord(layout)), layout);
}
