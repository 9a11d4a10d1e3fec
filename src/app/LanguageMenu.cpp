// The interface language's menu: its caption is the same in both languages,
// so that a user who cannot read the current one still finds it.
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "app/Language.h"
#include "app/PNAP.h"

void TFrmPhonaraPlayer::BuildLanguageMenu() {
    MenuLanguage = MainMenu1->addMenu("Language / 言語");
    auto* choices = new QActionGroup(this);
    choices->setExclusive(true);
    // Each language is named in itself.
    LanguageJapanese = MenuLanguage->addAction("日本語");
    LanguageEnglish = MenuLanguage->addAction("English");
    for (QAction* item : {LanguageJapanese, LanguageEnglish}) {
        item->setCheckable(true);
        choices->addAction(item);
    }
    connect(LanguageJapanese, &QAction::triggered, this, [this] { LanguageClick(false); });
    connect(LanguageEnglish, &QAction::triggered, this, [this] { LanguageClick(true); });
}

void TFrmPhonaraPlayer::LanguageClick(bool english) {
    const TLanguage language = english ? TLanguage::English : TLanguage::Japanese;
    KeepLanguage(language);
    ApplyLanguage(language);
}
