// The English translation is complete and consistent, no Japanese text of the
// program bypasses it, and the language of a run is chosen as promised.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <set>

#include "app/CommandLine.h"
#include "app/Language.h"
#include "audio/ErrorReasons.h"
#include "audiolib.h"

namespace {

const QString SourceDir = QStringLiteral(PHONARA_SOURCE_DIR);
const QRegularExpression
    JapaneseLetter(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

struct TMessage {
    QString context, source, translation, type;
};

std::vector<TMessage> ReadTs(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    std::vector<TMessage> messages;
    QString context;
    while (xml.readNext() != QXmlStreamReader::EndDocument && !xml.hasError()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.name() == u"message")
            messages.push_back({context, {}, {}, {}});
        else if (xml.name() == u"source")
            messages.back().source = xml.readElementText();
        else if (xml.name() == u"translation") {
            messages.back().type = xml.attributes().value("type").toString();
            messages.back().translation = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

QStringList Placeholders(const QString& text) {
    QStringList found;
    auto it = QRegularExpression("%\\d").globalMatch(text);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

TEST(Translation, EveryTextHasAFinishedEnglishWordingWithItsPlaceholdersAndAccelerators) {
    const auto messages = ReadTs(SourceDir + "/translations/phonaraplayer_en.ts");
    ASSERT_GT(messages.size(), 100u);
    for (const TMessage& m : messages) {
        const std::string where = (m.context + ": " + m.source).toStdString();
        EXPECT_TRUE(m.type.isEmpty()) << "unfinished or obsolete: " << where;
        EXPECT_FALSE(m.translation.trimmed().isEmpty()) << "empty: " << where;
        EXPECT_FALSE(m.translation.contains(JapaneseLetter)) << "still Japanese: " << where;
        EXPECT_EQ(Placeholders(m.source), Placeholders(m.translation)) << where;
        EXPECT_EQ(m.source.contains(QRegularExpression("&[^&]")),
                  m.translation.contains(QRegularExpression("&[^&]")))
            << "accelerator: " << where;
    }
}

// A Japanese literal in the program's code is the source text of a
// translation, or one of the few that are the same in every language.
TEST(Translation, NoJapaneseTextInTheCodeBypassesTheTranslation) {
    const QStringList sameInEveryLanguage = {
        "\"Language / 言語\"",
        "\"日本語\"",
        "\"ＭＳ Ｐゴシック\"",
        "\"IPA Pゴシック\"",                             // font family names
        "\"グリッドインデックス が範囲を超えています\"", // an internal error's text
    };
    const QRegularExpression literal(QStringLiteral("\"(?:[^\"\\\\]|\\\\.)*\""));
    const QRegularExpression translated(
        QStringLiteral("(\\btr\\(|\\btranslate\\(\\s*\"[A-Za-z]+\",\\s*)$"));
    int files = 0;
    QDirIterator it(SourceDir + "/src", {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ++files;
        // The code without its comments, read whole: a call may span lines.
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        for (QString& line : lines)
            line = line.left(line.indexOf("//") < 0 ? line.size() : line.indexOf("//"));
        const QString code = lines.join('\n');
        auto matches = literal.globalMatch(code);
        while (matches.hasNext()) {
            const auto m = matches.next();
            if (!m.captured().contains(JapaneseLetter) ||
                sameInEveryLanguage.contains(m.captured()))
                continue;
            // A literal continuing the one before belongs to the same call.
            const QString before = code.left(m.capturedStart());
            const bool continued = before.trimmed().endsWith('"');
            EXPECT_TRUE(continued || translated.match(before).hasMatch())
                << path.toStdString() << ":" << before.count('\n') + 1 << ": "
                << m.captured().toStdString();
        }
    }
    EXPECT_GT(files, 50);
}

// QtTest's checks report to QtTest, which GoogleTest does not hear: a wait
// that times out would end its test as passed.
TEST(SourceRules, TestsCheckThroughGoogleTestOnly) {
    const QRegularExpression qtCheck(QStringLiteral("\\b(QTRY_\\w+|QVERIFY\\w*|QCOMPARE\\w*)\\("));
    int files = 0;
    QDirIterator it(SourceDir + "/tests", {"*.cpp", "*.h", "*.cxx"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ++files;
        const auto found = qtCheck.match(QString::fromUtf8(file.readAll()));
        EXPECT_FALSE(found.hasMatch())
            << file.fileName().toStdString() << ": " << found.captured().toStdString();
    }
    EXPECT_GT(files, 50);
}

TEST(Translation, TheLanguageOfARunIsTheArgumentElseTheKeptChoiceElseJapaneseWithAWindow) {
    using L = TLanguage;
    const std::optional<L> none;
    struct Case {
        std::optional<L> argument, kept;
        bool window;
        L expected;
    } cases[] = {
        {none, none, true, L::Japanese},      // whatever the locale
        {none, L::English, true, L::English}, // kept by the menu
        {L::Japanese, L::English, true, L::Japanese},
        {L::English, L::Japanese, true, L::English},
        {none, L::Japanese, false, L::English}, // help and exports read by scripts
        {L::Japanese, none, false, L::Japanese},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunLanguage(c.argument, c.kept, c.window), c.expected);
    EXPECT_EQ(LanguageOfCode("en"), L::English);
    EXPECT_EQ(LanguageOfCode("ja"), L::Japanese);
    EXPECT_EQ(LanguageOfCode("de"), none);
    EXPECT_STREQ(LanguageCode(L::English), "en");

    EXPECT_EQ(ParseCommandLine({"phonaraplayer", "--lang", "en", "a.wav"}).Language, "en");
    const TCommandLine wrong = ParseCommandLine({"phonaraplayer", "--lang", "fr"});
    EXPECT_EQ(wrong.Action, TCommandLine::TAction::Usage);
    EXPECT_NE(wrong.Message.find("\"fr\""), std::string::npos);
}

TEST(Translation, EveryLibraryErrorCodeHasWordsOfItsOwnInBothLanguages) {
    QTranslator translation;
    ASSERT_TRUE(translation.load(":/i18n/phonaraplayer_en.qm"));
    const TTranslate inEnglish = [&](const char* context, const char* text) {
        return translation.translate(context, text).toStdString(); // empty when missing
    };
    const int codes[] = {BASS_ERROR_INIT,     BASS_ERROR_DEVICE,   BASS_ERROR_DRIVER,
                         BASS_ERROR_ALREADY,  BASS_ERROR_HANDLE,   BASS_ERROR_FILEOPEN,
                         BASS_ERROR_FORMAT,   BASS_ERROR_NO3D,     BASS_ERROR_NOEAX,
                         BASS_ERROR_ILLPARAM, BASS_ERROR_MEMORY,   BASS_ERROR_NOTAVAIL,
                         BASS_ERROR_PLUGIN,   BASS_ERROR_POSITION, BASS_ERROR_UNKNOWN};
    std::set<std::string> japanese, english;
    for (const int code : codes) {
        const std::string ja = BassErrorReason(code), en = BassErrorReason(code, inEnglish);
        EXPECT_FALSE(ja.empty() || en.empty()) << code;
        EXPECT_NE(ja, en) << code;
        japanese.insert(ja);
        english.insert(en);
    }
    EXPECT_EQ(japanese.size(), std::size(codes));
    EXPECT_EQ(english.size(), std::size(codes));
    EXPECT_EQ(BassErrorReason(12345, inEnglish), BassErrorReason(BASS_ERROR_UNKNOWN, inEnglish));
}
