// An open or save dialog described the way the program's layout describes it
// (title, "text|pattern" filter, 1-based preselected entry, default extension,
// options), shown modally on demand.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

class QWidget;
class QFileDialog;

class TFileDialog {
public:
    enum class Kind { Open, Save };

    Kind DialogKind = Kind::Open;
    QString Title;       // empty: the platform's default
    std::string Filter;  // "text|pattern|text|pattern..."
    int FilterIndex = 1; // preselected entry, from 1
    QString DefaultExt;  // added to a name typed without extension
    bool AllowMultiSelect = false;
    bool FileMustExist = false;
    bool OverwritePrompt = false;

    // Results of the last Execute.
    QString FileName;  // the (first) chosen name
    QStringList Files; // every chosen name, in the dialog's order

    // Shows the dialog modally; true when the user confirmed.
    bool Execute(QWidget* parent);

    // The Qt dialog while it is open (for tests), or null.
    static QFileDialog* Current();

private:
    void configure(QFileDialog& dialog) const;
};
