#include "remote/RemoteDialog.h"
#include "widgets/AccessibleNames.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "remote/RemoteServer.h"

namespace {

QSpinBox* PortBox(int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(1, 65535);
    box->setValue(value);
    return box;
}

} // namespace

TRemoteDialog::TRemoteDialog(const TRemoteSettings& s, const TRemoteServer* server, QWidget* parent)
    : QDialog(parent), server_(server) {
    setWindowTitle(tr("OSC リモート"));
    auto* form = new QFormLayout;
    EnabledBox = new QCheckBox(tr("OSC で操作を受け付ける(&E)"), this);
    EnabledBox->setChecked(s.Enabled);
    form->addRow(EnabledBox);
    PortEdit = PortBox(s.Port, this);
    form->addRow(tr("受信ポート(&P):"), PortEdit);
    AllInterfacesBox = new QCheckBox(tr("すべてのインターフェースで受信する(&A)"), this);
    AllInterfacesBox->setToolTip(tr("ほかのコンピューターのコントローラーから操作するとき。"
                                    "ファイルの読み込みは このコンピューターからだけ受け付けます"));
    AllInterfacesBox->setChecked(s.AllInterfaces);
    form->addRow(AllInterfacesBox);
    FeedbackPortEdit = PortBox(s.FeedbackPort, this);
    form->addRow(tr("返信ポート(&B):"), FeedbackPortEdit);
    FeedbackHostEdit = new QLineEdit(s.FeedbackHost, this);
    FeedbackHostEdit->setPlaceholderText(tr("最後の送信元"));
    form->addRow(tr("返信先アドレス(&T):"), FeedbackHostEdit);

    auto* inversions = new QHBoxLayout;
    InvertYawBox = new QCheckBox(tr("ヨー(&Y)"), this);
    InvertPitchBox = new QCheckBox(tr("ピッチ(&I)"), this);
    InvertRollBox = new QCheckBox(tr("ロール(&R)"), this);
    InvertYawBox->setChecked(s.Invert.yaw);
    InvertPitchBox->setChecked(s.Invert.pitch);
    InvertRollBox->setChecked(s.Invert.roll);
    for (QCheckBox* box : {InvertYawBox, InvertPitchBox, InvertRollBox})
        inversions->addWidget(box);
    form->addRow(tr("ヘッドトラッカーの逆転:"), inversions);

    StatusLabel = new QLabel(this);
    StatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(tr("状態:"), StatusLabel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A fixed target must be an address: a name would be looked up on every send.
    auto checkHost = [this, buttons] {
        const QString host = FeedbackHostEdit->text().trimmed();
        const bool ok = host.isEmpty() || !QHostAddress(host).isNull();
        buttons->button(QDialogButtonBox::Ok)->setEnabled(ok);
        FeedbackHostEdit->setToolTip(ok ? QString() : tr("IP アドレスを入力してください"));
    };
    connect(FeedbackHostEdit, &QLineEdit::textChanged, this, checkHost);
    checkHost();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    if (server_)
        connect(server_, &TRemoteServer::statusChanged, this, [this] { ShowStatus(); });
    ShowStatus();
    StatusLabel->setAccessibleName(tr("状態"));
    NameControls(this);
}

TRemoteSettings TRemoteDialog::Settings() const {
    TRemoteSettings s;
    s.Enabled = EnabledBox->isChecked();
    s.Port = PortEdit->value();
    s.AllInterfaces = AllInterfacesBox->isChecked();
    s.FeedbackPort = FeedbackPortEdit->value();
    s.FeedbackHost = FeedbackHostEdit->text().trimmed();
    s.Invert = {InvertYawBox->isChecked(), InvertPitchBox->isChecked(), InvertRollBox->isChecked()};
    return s;
}

void TRemoteDialog::ShowStatus() {
    StatusLabel->setText(server_ ? server_->Status() : tr("停止中"));
}
