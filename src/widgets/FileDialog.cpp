#include "widgets/FileDialog.h"

#include <QFileDialog>
#include <QPointer>

#include "widgets/DialogFilter.h"

namespace {
QPointer<QFileDialog> current;
}

QFileDialog* TFileDialog::Current() {
    return current.data();
}

void TFileDialog::configure(QFileDialog& dialog) const {
    dialog.setWindowTitle(Title);
    dialog.setAcceptMode(DialogKind == Kind::Save ? QFileDialog::AcceptSave
                                                  : QFileDialog::AcceptOpen);
    if (DialogKind == Kind::Save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (AllowMultiSelect)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode(FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !OverwritePrompt);
    // The entries' texts already show their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setDefaultSuffix(DefaultExt);

    QStringList filters;
    for (const auto& entry : ParseFilter(Filter))
        filters << QString::fromStdString(QtFilterEntry(entry));
    dialog.setNameFilters(filters);
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(FilterIndex - 1));
}

bool TFileDialog::Execute(QWidget* parent) {
    QFileDialog dialog(parent);
    configure(dialog);
    current = &dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    current = nullptr;
    if (!ok)
        return false;
    Files = dialog.selectedFiles();
    FileName = Files.isEmpty() ? QString() : Files.first();
    return !Files.isEmpty();
}
