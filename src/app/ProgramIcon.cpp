#include "app/ProgramIcon.h"

// The SVG the install ships, built into the program. Qt draws it through its
// SVG icon engine (Debian's libqt6svg6, which the set-up and the package pull
// in), at every size the desktop asks for.
QIcon ProgramIcon() {
    return QIcon(QStringLiteral(":/icons/io.github.phonaraplayer.PhonaraPlayer.svg"));
}
