#include "audio/DevSelect.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

#include "widgets/Metrics.h"

TFrmDevSelector::TFrmDevSelector(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(tr("BASS output device selector"));
    QFont f("MS Sans Serif");
    f.setPixelSize(11);
    setFont(f);
    setFixedSize(255, 98);

    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(8, 8, 238, 57);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    SetItemHeight(ListBox1, 13);

    ListBox1->setAccessibleName(tr("出力装置"));
    ListBox1->setAccessibleDescription(tr("音を出す装置を選んで OK を押します"));
    Button1 = new QPushButton(tr("OK"), this);
    Button1->setGeometry(152, 72, 89, 20);
    // Not the default button: Enter in the list does not close the dialog.
    Button1->setAutoDefault(false);
    Button1->setDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(ListBox1, Button1);
}

void TFrmDevSelector::AddDevice(const QString& description, int device) {
    ListBox1->addItem(description);
    DeviceNumbers << QString::number(device);
}

int TFrmDevSelector::SelectedDevice() const {
    const int row = ListBox1->currentRow();
    if (row < 0 || row >= DeviceNumbers.size() || !ListBox1->item(row)->isSelected())
        return 0;
    return DeviceNumbers[row].toInt();
}

void TFrmDevSelector::closeEvent(QCloseEvent* event) {
    // However the dialog is closed, the highlighted row counts.
    event->accept();
    QDialog::closeEvent(event);
}

void TFrmDevSelector::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept(); // Enter does not close the selector
        return;
    }
    QDialog::keyPressEvent(event);
}
