#include "app/Language.h"

#include <QApplication>
#include <QSettings>
#include <QTranslator>

#include "files/FileError.h"

namespace {

const char* const LanguageKey = "ui/language";
const char* const EnglishTranslation = ":/i18n/phonaraplayer_en.qm";

TLanguage Current = TLanguage::Japanese;

QTranslator& English() {
    static QTranslator translator;
    return translator;
}

} // namespace

std::optional<TLanguage> LanguageOfCode(const std::string& code) {
    if (code == "ja")
        return TLanguage::Japanese;
    if (code == "en")
        return TLanguage::English;
    return std::nullopt;
}

const char* LanguageCode(TLanguage language) {
    return language == TLanguage::English ? "en" : "ja";
}

TLanguage RunLanguage(std::optional<TLanguage> argument, std::optional<TLanguage> kept,
                      bool window) {
    if (argument)
        return *argument;
    if (!window)
        return TLanguage::English;
    return kept.value_or(TLanguage::Japanese);
}

std::optional<TLanguage> KeptLanguage() {
    // The same per-user file as the other choices.
    const QSettings settings("PhonaraPlayer", "PhonaraPlayer");
    return LanguageOfCode(settings.value(LanguageKey).toString().toStdString());
}

void KeepLanguage(TLanguage language) {
    QSettings settings("PhonaraPlayer", "PhonaraPlayer");
    settings.setValue(LanguageKey, QString::fromLatin1(LanguageCode(language)));
}

void ApplyLanguage(TLanguage language) {
    QTranslator& english = English();
    if (english.isEmpty() && !english.load(EnglishTranslation))
        qWarning("PhonaraPlayer: the English translation is missing from the program");
    QCoreApplication::removeTranslator(&english);
    if (language == TLanguage::English)
        QCoreApplication::installTranslator(&english);
    Current = language;
    // Every run chooses its language here first, the window, the command line
    // and an export's child alike, before any thread that may say a file's
    // error: the reasons follow the language from now on.
    SetFileErrorTranslation(Translated);
    // The change reaches the windows as posted events: deliver them now, so
    // that every caption has changed when the choice returns.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

TLanguage CurrentLanguage() {
    return Current;
}

std::string Translated(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}
