// The Audio menu ends with a separator and the headphone status line under
// it; the features that add items to the menu put them above that end.
#pragma once

#include <QList>

class QAction;
class QMenu;

// Inserts items before the menu's last separator (at the end when it has
// none); with grouped, a separator of their own goes before them.
void InsertAboveAudioStatus(QMenu* menu, const QList<QAction*>& items, bool grouped = false);
