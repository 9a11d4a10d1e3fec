// Headphone 3D: the audio menu, the user's stored choice, and the status the
// library reports.
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include "app/Language.h"
#include "app/PNAP.h"
#include "audio/HeadphoneRules.h"
#include "audiolib.h"

namespace {

// The per-user settings file ($XDG_CONFIG_HOME/PhonaraPlayer/PhonaraPlayer.conf):
// the choice belongs to the user's ears, not to a playlist.
QSettings UserSettings() {
    return QSettings("PhonaraPlayer", "PhonaraPlayer");
}
const char* const ModeKey = "audio/hrtf";
const char* const DataSetKey = "audio/hrtfDataSet";

QString DataSetName(int index) {
    const char* name = index >= 0 ? AUDIOLIB_GetHRTFName(static_cast<DWORD>(index)) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

// The device's mode and data set now, or what a device opens with.
AUDIOLIB_HRTF_INFO CurrentHrtf() {
    AUDIOLIB_HRTF_INFO info{AUDIOLIB_HRTF_AUTO, -1, 0, AUDIOLIB_HRTF_DISABLED, -1, 0};
    AUDIOLIB_GetHRTFInfo(&info);
    return info;
}

// Asks for mode and data set unless the device has them already: every switch
// dips the sound for a moment. True when the device refused.
bool RequestHrtf(DWORD mode, int dataset, bool refusedBefore) {
    const AUDIOLIB_HRTF_INFO now = CurrentHrtf();
    if (!refusedBefore && now.mode == mode && now.dataset == dataset)
        return false;
    return !AUDIOLIB_SetHRTF(mode, dataset);
}

} // namespace

void TFrmPhonaraPlayer::BuildAudioMenu() {
    MenuAudio = MainMenu1->addMenu(QString()); // captions: RetranslateAudioMenu
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    auto addMode = [&](DWORD mode) {
        QAction* item = MenuAudio->addAction(QString());
        item->setCheckable(true);
        modes->addAction(item);
        connect(item, &QAction::triggered, this, [this, mode] { HrtfModeClick(mode); });
        return item;
    };
    HrtfAuto = addMode(AUDIOLIB_HRTF_AUTO);
    HrtfOn = addMode(AUDIOLIB_HRTF_ON);
    HrtfOff = addMode(AUDIOLIB_HRTF_OFF);
    MenuHrtfDataSet = MenuAudio->addMenu(QString());
    BuildSofaMenu();
    MenuAudio->addSeparator();
    HrtfStatus = MenuAudio->addAction(QString());
    HrtfStatus->setEnabled(false);

    const DWORD stored = HrtfModeFromWord(UserSettings().value(ModeKey).toString().toStdString());
    (stored == AUDIOLIB_HRTF_ON    ? HrtfOn
     : stored == AUDIOLIB_HRTF_OFF ? HrtfOff
                                   : HrtfAuto)
        ->setChecked(true);
    RefreshHrtfMenu();
}

void TFrmPhonaraPlayer::RetranslateAudioMenu() {
    MenuAudio->setTitle(tr("オーディオ(&O)"));
    HrtfAuto->setText(tr("ヘッドホン 3D: 自動"));
    HrtfOn->setText(tr("ヘッドホン 3D: オン"));
    HrtfOff->setText(tr("ヘッドホン 3D: オフ"));
    MenuHrtfDataSet->setTitle(tr("HRTF データセット(&D)"));
    RetranslateSofaMenu();
    RefreshHrtfMenu();
}

void TFrmPhonaraPlayer::ApplyStoredHrtf() {
    QSettings settings = UserSettings();
    DWORD mode = HrtfModeFromWord(settings.value(ModeKey).toString().toStdString());
    // The output layout decides where it names the speakers.
    if (RunningOutputLayout == TOutputLayout::Headphones)
        mode = AUDIOLIB_HRTF_ON;
    else if (RunningOutputLayout != TOutputLayout::Automatic)
        mode = AUDIOLIB_HRTF_OFF;
    // A data set is remembered by name: the list may change between runs.
    const QString wanted = settings.value(DataSetKey).toString();
    const int count = static_cast<int>(CurrentHrtf().count);
    int dataset = -1;
    for (int i = 0; !wanted.isEmpty() && i < count && dataset < 0; ++i)
        if (DataSetName(i) == wanted)
            dataset = i;
    hrtfRefused_ = RequestHrtf(mode, dataset, false);
    RefreshHrtfMenu();
}

void TFrmPhonaraPlayer::HrtfModeClick(uint32_t mode) {
    UserSettings().setValue(ModeKey, QString::fromStdString(HrtfModeWord(mode)));
    hrtfRefused_ = RequestHrtf(mode, CurrentHrtf().dataset, hrtfRefused_);
    RefreshHrtfMenu();
}

void TFrmPhonaraPlayer::HrtfDataSetClick(int index) {
    UserSettings().setValue(DataSetKey, DataSetName(index));
    hrtfRefused_ = RequestHrtf(CurrentHrtf().mode, index, hrtfRefused_);
    RefreshHrtfMenu();
}

void TFrmPhonaraPlayer::RefreshHrtfMenu() {
    AUDIOLIB_HRTF_INFO info{};
    const bool open = AUDIOLIB_GetHRTFInfo(&info) != 0;
    HrtfStatus->setText(open
                            ? QString::fromStdString(HrtfStatusText(info, hrtfRefused_, Translated))
                            : tr("HRTF 無効: 出力装置が開かれていません"));

    QStringList names;
    for (int i = 0; open && i < static_cast<int>(info.count); ++i)
        names << DataSetName(i);
    // A choice needs two sets; loading a SOFA file is there always.
    MenuHrtfDataSet->menuAction()->setVisible(names.size() > 1 || HrtfLoadSofa);
    // Rebuilt only when the list changes (a device opened, a set loaded or
    // removed), never from one of its own items' clicks, which must not
    // delete the item they run in.
    QList<QAction*> items;
    QStringList shown;
    for (QAction* item : MenuHrtfDataSet->actions())
        if (item->actionGroup()) {
            items << item;
            shown << item->data().toString();
        }
    QActionGroup* sets = items.isEmpty() ? nullptr : items.front()->actionGroup();
    if (shown != names) {
        items.clear();
        if (sets) {
            for (QAction* item : sets->actions())
                MenuHrtfDataSet->removeAction(item);
            sets->deleteLater();
        }
        sets = new QActionGroup(MenuHrtfDataSet);
        sets->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        for (int i = 0; i < names.size(); ++i) {
            // Names come from files on disk: an "&" in one is no accelerator.
            auto* item = new QAction(QString(names[i]).replace('&', "&&"), sets);
            item->setData(names[i]);
            item->setCheckable(true);
            MenuHrtfDataSet->insertAction(HrtfSofaSeparator, item);
            connect(item, &QAction::triggered, this, [this, i] { HrtfDataSetClick(i); });
            items << item;
        }
    }
    // The one chosen, or else the one OpenAL Soft renders with.
    const int checked = info.dataset >= 0 ? info.dataset : info.inUse;
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == checked);
}
