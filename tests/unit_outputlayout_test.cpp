// The program's speaker decoders and its OpenAL Soft configuration, without
// audio: where a direction plays, and which settings win.
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <string>

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
    const struct {
        TSpeakerSet set;
        double azimuth;
        const char* loudest;
        const char* quiet; // at least 6 dB below the loudest
    } table[] = {
        {TSpeakerSet::Surround51, 0, "CE", "LF"},   {TSpeakerSet::Surround51, 0, "CE", "RF"},
        {TSpeakerSet::Surround51, 30, "LF", "CE"},  {TSpeakerSet::Surround51, -30, "RF", "CE"},
        {TSpeakerSet::Surround51, 135, "LS", "RS"}, {TSpeakerSet::Surround51, 135, "LS", "LF"},
        {TSpeakerSet::Surround71, 0, "CE", "LF"},   {TSpeakerSet::Surround71, 0, "CE", "RF"},
        {TSpeakerSet::Surround71, 30, "LF", "CE"},  {TSpeakerSet::Surround71, 90, "LS", "LB"},
        {TSpeakerSet::Surround71, 150, "LB", "RB"}, {TSpeakerSet::Surround71, -150, "RB", "LS"},
        {TSpeakerSet::Quad, 45, "LF", "RF"},        {TSpeakerSet::Quad, -135, "RB", "LB"},
    };
    for (const auto& row : table) {
        const auto gains = DecodedGains(row.set, row.azimuth);
        size_t loudest = 0;
        for (size_t i = 0; i < gains.size(); ++i)
            if (std::fabs(gains[i]) > std::fabs(gains[loudest]))
                loudest = i;
        EXPECT_EQ(loudest, At(row.set, row.loudest)) << DecoderKey(row.set) << " " << row.azimuth;
        EXPECT_GT(Db(gains[loudest]) - Db(gains[At(row.set, row.quiet)]), 6.0)
            << DecoderKey(row.set) << " " << row.azimuth << " " << row.quiet;
    }
    // Between the centre and the left, both sound, and the power stays within
    // 3 dB round the circle.
    const auto between = DecodedGains(TSpeakerSet::Surround51, 15);
    EXPECT_NEAR(Db(between[At(TSpeakerSet::Surround51, "LF")]),
                Db(between[At(TSpeakerSet::Surround51, "CE")]), 1.5);
    for (const TSpeakerSet set :
         {TSpeakerSet::Quad, TSpeakerSet::Surround51, TSpeakerSet::Surround71})
        for (int a = -180; a < 180; a += 5) {
            double power = 0;
            for (const double g : DecodedGains(set, a))
                power += g * g;
            EXPECT_NEAR(10 * std::log10(power), 0.0, 3.0) << DecoderKey(set) << " " << a;
        }
}

// The AmbDec file OpenAL Soft reads: a row per speaker, the labels it knows,
// the horizontal third-order channels, numbers with a point.
TEST(OutputLayout, AmbDecFilesListTheSpeakersAndTheirRows) {
    const std::string text = AmbDecText(TSpeakerSet::Surround71);
    EXPECT_NE(text.find("/dec/chan_mask 831b\n"), std::string::npos);
    EXPECT_NE(text.find("/dec/speakers 7\n"), std::string::npos);
    EXPECT_NE(text.find("add_spkr CE 1.000000 0.000000 0.000000\n"), std::string::npos);
    EXPECT_NE(text.find("add_spkr LB 1.000000 150.000000"), std::string::npos);
    size_t rows = 0;
    for (size_t at = text.find("add_row"); at != std::string::npos;
         at = text.find("add_row", at + 1))
        ++rows;
    EXPECT_EQ(rows, 7u);
    EXPECT_EQ(text.find(',', text.find("/speakers/{")), std::string::npos);
    EXPECT_NE(text.find("/end"), std::string::npos);
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
    EXPECT_EQ(user.at("wave/file"), "/tmp/out.wav");
    EXPECT_EQ(user.at("decoder/quad"), "/home/me/room.ambdec");
    const std::map<std::string, std::string> decoders{{"quad", "/run/p/quad.ambdec"},
                                                      {"surround51", "/run/p/surround51.ambdec"},
                                                      {"surround71", "/run/p/surround71.ambdec"}};

    const std::string five =
        ProgramAlsoftConfig(TOutputLayout::Surround51, user, userConf, decoders);
    EXPECT_EQ(five.find(userConf), five.find("[general]\ndrivers")) << five;
    const TAlsoftSettings merged = ReadAlsoftSettings(five);
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
