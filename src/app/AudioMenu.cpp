#include "app/AudioMenu.h"

#include <QMenu>

void InsertAboveAudioStatus(QMenu* menu, const QList<QAction*>& items, bool grouped) {
    QAction* before = nullptr;
    const QList<QAction*> existing = menu->actions();
    for (QAction* item : existing)
        if (item->isSeparator())
            before = item;
    if (grouped)
        menu->insertSeparator(before);
    menu->insertActions(before, items);
}
