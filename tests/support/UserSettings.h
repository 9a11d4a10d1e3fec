// Points the per-user settings (QSettings' user scope) at a test's own folder,
// so a test starts from no stored choices and never touches the tester's.
#pragma once

#include <QSettings>
#include <string>

namespace testsupport {

inline void UseSettingsFolder(const std::string& folder) {
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(folder));
}

} // namespace testsupport
