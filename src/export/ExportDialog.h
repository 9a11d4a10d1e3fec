// The export dialog: the file to write and how (format, rate, headphone 3D,
// which channels, loop, length, loudness). It only gathers the choice.
#pragma once

#include <QDialog>

#include "export/ExportOptions.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TExportDialog : public QDialog {
    Q_OBJECT
public:
    // defaults: what the dialog shows first (Output, Hrtf, Loop, ...);
    // canChooseSelected: whether "the selected channels" can be chosen.
    TExportDialog(const TExportOptions& defaults, bool canChooseSelected,
                  QWidget* parent = nullptr);

    // The choice; meaningful after the dialog was accepted.
    TExportOptions options() const;
    bool selectedOnly() const;

    QLineEdit* FileEdit = nullptr;
    QPushButton* BrowseButton = nullptr;
    QComboBox* FormatBox = nullptr;
    QSpinBox* QualitySpin = nullptr;
    QComboBox* RateBox = nullptr;
    QComboBox* LayoutBox = nullptr;
    QRadioButton* AllChannels = nullptr;
    QRadioButton* SelectedChannels = nullptr;
    QCheckBox* LoopCheck = nullptr;
    QDoubleSpinBox* SecondsSpin = nullptr; // 0: automatic
    QCheckBox* NormalizeCheck = nullptr;
    QComboBox* TargetBox = nullptr;
    QPushButton* OkButton = nullptr;

    void accept() override;

private:
    void browse();
    // The file the chooser returned: it asked about replacing it already.
    QString chosen_;
    // The user agreed to replace the file that is there (options().Force).
    bool replace_ = false;
    void formatChanged();
    // A name whose extension names another kind of file than the format
    // chosen moves the format to that kind.
    void followExtension(const QString& name);
};
