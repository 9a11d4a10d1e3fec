#include "export/ExportDialog.h"
#include "widgets/AccessibleNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

struct TFormatItem {
    TExportFormat Format;
    const char* Caption;
};

const TFormatItem FormatItems[] = {
    {TExportFormat::Wav16, "WAV 16 bit"},       {TExportFormat::Wav24, "WAV 24 bit"},
    {TExportFormat::Float, "WAV 32 bit float"}, {TExportFormat::Flac16, "FLAC 16 bit"},
    {TExportFormat::Flac24, "FLAC 24 bit"},     {TExportFormat::Ogg, "Ogg Vorbis"},
};

// A row's caption whose mnemonic moves the focus to the row's first field.
QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

} // namespace

TExportDialog::TExportDialog(const TExportOptions& d, bool canChooseSelected, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("書き出し"));
    auto* form = new QFormLayout(this);

    auto* fileRow = new QHBoxLayout;
    FileEdit = new QLineEdit(QString::fromStdString(d.Output), this);
    FileEdit->setMinimumWidth(280);
    BrowseButton = new QPushButton(tr("参照(&B)..."), this);
    fileRow->addWidget(FileEdit);
    fileRow->addWidget(BrowseButton);
    form->addRow(Caption(tr("ファイル(&F):"), FileEdit), fileRow);

    auto* formatRow = new QHBoxLayout;
    FormatBox = new QComboBox(this);
    for (const auto& item : FormatItems)
        FormatBox->addItem(item.Caption, static_cast<int>(item.Format));
    FormatBox->setCurrentIndex(FormatBox->findData(static_cast<int>(d.Format)));
    QualitySpin = new QSpinBox(this);
    QualitySpin->setRange(0, 10);
    QualitySpin->setValue(d.OggQuality);
    QualitySpin->setPrefix(tr("品質 "));
    QualitySpin->setAccessibleName(tr("Ogg Vorbis の品質"));
    formatRow->addWidget(FormatBox);
    formatRow->addWidget(QualitySpin);
    form->addRow(Caption(tr("形式(&T):"), FormatBox), formatRow);

    RateBox = new QComboBox(this);
    RateBox->addItem("44100 Hz", 44100);
    RateBox->addItem("48000 Hz", 48000);
    RateBox->setCurrentIndex(d.Rate == 48000 ? 1 : 0);
    form->addRow(tr("サンプリング周波数(&R):"), RateBox);

    LayoutBox = new QComboBox(this);
    const QString layoutCaptions[] = {tr("ステレオ"),
                                      tr("バイノーラル (ヘッドホン 3D)"),
                                      tr("クアッド"),
                                      QStringLiteral("5.1"),
                                      QStringLiteral("7.1"),
                                      tr("AmbiX 1 次 (4 チャンネル)"),
                                      tr("AmbiX 2 次 (9 チャンネル)"),
                                      tr("AmbiX 3 次 (16 チャンネル)")};
    const std::vector<TExportLayout> layouts = ExportLayouts();
    for (size_t i = 0; i < layouts.size(); ++i)
        LayoutBox->addItem(layoutCaptions[i], static_cast<int>(layouts[i]));
    LayoutBox->setCurrentIndex(LayoutBox->findData(static_cast<int>(d.Layout)));
    form->addRow(Caption(tr("レイアウト(&Y):"), LayoutBox), LayoutBox);

    auto* channelRow = new QHBoxLayout;
    AllChannels = new QRadioButton(tr("読み込んだすべて(&A)"), this);
    SelectedChannels = new QRadioButton(tr("選択したチャンネル(&S)"), this);
    SelectedChannels->setEnabled(canChooseSelected);
    AllChannels->setChecked(true);
    channelRow->addWidget(AllChannels);
    channelRow->addWidget(SelectedChannels);
    form->addRow(tr("チャンネル:"), channelRow);

    auto* lengthRow = new QHBoxLayout;
    LoopCheck = new QCheckBox(tr("ループ(&L)"), this);
    LoopCheck->setChecked(d.Loop);
    SecondsSpin = new QDoubleSpinBox(this);
    SecondsSpin->setRange(0, 24 * 3600);
    SecondsSpin->setDecimals(1);
    SecondsSpin->setSuffix(tr(" 秒"));
    SecondsSpin->setSpecialValueText(tr("自動"));
    SecondsSpin->setToolTip(tr("自動: 最長のファイルと残響の終わりまで"));
    SecondsSpin->setValue(d.Seconds.value_or(d.Loop ? 60.0 : 0.0));
    lengthRow->addWidget(SecondsSpin);
    lengthRow->addWidget(LoopCheck);
    form->addRow(Caption(tr("長さ(&D):"), SecondsSpin), lengthRow);
    // Looping channels never end by themselves: they need a length.
    connect(LoopCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (on && SecondsSpin->value() == 0)
            SecondsSpin->setValue(60);
    });

    auto* loudRow = new QHBoxLayout;
    NormalizeCheck = new QCheckBox(tr("ラウドネスを揃える(&N)"), this);
    TargetBox = new QComboBox(this);
    TargetBox->setAccessibleName(tr("ラウドネスの目標"));
    TargetBox->addItem(tr("-16 LUFS (共有)"), DefaultSharingLufs);
    TargetBox->addItem(tr("-23 LUFS (放送)"), BroadcastLufs);
    NormalizeCheck->setChecked(d.NormalizeLufs.has_value());
    if (d.NormalizeLufs && *d.NormalizeLufs == BroadcastLufs)
        TargetBox->setCurrentIndex(1);
    loudRow->addWidget(NormalizeCheck);
    loudRow->addWidget(TargetBox);
    // The row's caption labels the target too: a screen reader names a combo
    // box by its current item and reads its label from the caption.
    form->addRow(Caption(tr("ラウドネス:"), TargetBox), loudRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    OkButton->setText(tr("書き出し"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TExportDialog::reject);
    connect(BrowseButton, &QPushButton::clicked, this, &TExportDialog::browse);
    connect(FileEdit, &QLineEdit::textEdited, this, &TExportDialog::followExtension);
    connect(FormatBox, &QComboBox::currentIndexChanged, this, &TExportDialog::formatChanged);
    connect(NormalizeCheck, &QCheckBox::toggled, TargetBox, &QWidget::setEnabled);
    TargetBox->setEnabled(NormalizeCheck->isChecked());
    formatChanged();
    NameControls(this);
}

TExportOptions TExportDialog::options() const {
    TExportOptions o;
    o.Output = FileEdit->text().toStdString();
    o.Format = static_cast<TExportFormat>(FormatBox->currentData().toInt());
    o.OggQuality = QualitySpin->value();
    o.Rate = RateBox->currentData().toInt();
    o.Layout = static_cast<TExportLayout>(LayoutBox->currentData().toInt());
    o.Loop = LoopCheck->isChecked();
    if (SecondsSpin->value() > 0)
        o.Seconds = SecondsSpin->value();
    if (NormalizeCheck->isChecked())
        o.NormalizeLufs = TargetBox->currentData().toDouble();
    o.Force = replace_;
    return o;
}

bool TExportDialog::selectedOnly() const {
    return SelectedChannels->isChecked();
}

void TExportDialog::accept() {
    QString name = FileEdit->text().trimmed();
    if (name.isEmpty()) {
        browse();
        name = FileEdit->text().trimmed();
        if (name.isEmpty())
            return;
    }
    // A name without extension gets the format's; one with another kind's
    // would name a file that is not what it says.
    const auto format = static_cast<TExportFormat>(FormatBox->currentData().toInt());
    if (QFileInfo(name).suffix().isEmpty())
        name += QString(".") + ExportFormatExtension(format);
    FileEdit->setText(name);
    if (!ExtensionFitsFormat(name.toStdString(), format)) {
        QMessageBox::warning(this, tr("書き出し"),
                             tr("ファイル名の拡張子 .%1 は形式 %2 と合いません。\n"
                                "拡張子か形式を変えてください。")
                                 .arg(QFileInfo(name).suffix(), FormatBox->currentText()));
        return;
    }
    // Some containers cannot hold some layouts (Ogg beyond stereo, FLAC
    // beyond 8 channels).
    const auto layout = static_cast<TExportLayout>(LayoutBox->currentData().toInt());
    if (const std::string why = LayoutFormatError(layout, format); !why.empty()) {
        QMessageBox::warning(this, tr("書き出し"),
                             tr("形式 %1 にはレイアウト %2 を書き出せません。")
                                 .arg(FormatBox->currentText(), LayoutBox->currentText()));
        return;
    }
    // An export replaces a file of that name only when the user says so: the
    // name the dialog offers is the last export's.
    if (name != chosen_ && QFileInfo::exists(name) &&
        QMessageBox::question(
            this, tr("書き出し"), tr("%1 は既にあります。\n置き換えますか?").arg(name),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    // Asked one way or the other: the export may replace it. A file that
    // appears only while the export runs is not replaced.
    replace_ = QFileInfo::exists(name);
    QDialog::accept();
}

void TExportDialog::browse() {
    const QString name = QFileDialog::getSaveFileName(
        this, tr("書き出し"), FileEdit->text(),
        "WAV (*.wav);;FLAC (*.flac);;Ogg Vorbis (*.ogg);;" + tr("すべてのファイル (*)"));
    if (name.isEmpty())
        return;
    chosen_ = name;
    FileEdit->setText(name);
    followExtension(name);
}

void TExportDialog::followExtension(const QString& name) {
    // The extension tells the format's kind, unless the format fits already
    // (WAV 24 stays WAV 24 for a .wav).
    const std::string path = name.toStdString();
    const auto format = ExportFormatOfPath(path);
    if (format &&
        !ExtensionFitsFormat(path, static_cast<TExportFormat>(FormatBox->currentData().toInt())))
        FormatBox->setCurrentIndex(FormatBox->findData(static_cast<int>(*format)));
}

void TExportDialog::formatChanged() {
    QualitySpin->setEnabled(FormatBox->currentData().toInt() ==
                            static_cast<int>(TExportFormat::Ogg));
}
