// The output-device selector shown at start when the system has several
// devices: a list of the devices that could be opened and an OK button.
#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

class TFrmDevSelector : public QDialog {
    Q_OBJECT
public:
    explicit TFrmDevSelector(QWidget* parent = nullptr);

    QListWidget* ListBox1 = nullptr;
    QPushButton* Button1 = nullptr;

    // Row i of ListBox1 shows the device whose number is DeviceNumbers[i].
    void AddDevice(const QString& description, int device);
    // The device of the row selected now; 0 when no row is.
    int SelectedDevice() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList DeviceNumbers;
};
