// Names for screen readers without the keyboard mnemonics of the captions:
// "Load(&Q)" reads "Load", "&Open" reads "Open", "XY(&D):" reads "XY".
#pragma once

#include <QString>
#include <QVariant>
#include <functional>

class QObject;
class QWidget;

QString WithoutMnemonic(const QString& caption);

// Names every button, group box and label under root after its caption, and
// every control a label is the buddy of after that label, all without
// mnemonics. Names set beforehand stay.
void NameControls(QWidget* root);

// Tells screen readers that object's value changed to value (a number, or the
// words it reads as). Every such announcement of the program goes through
// here; the listener, when set, hears each one as well (a platform without
// a reader, as in tests, has no one else to tell).
void AnnounceValue(QObject* object, const QVariant& value);
extern std::function<void(QObject* object, const QVariant& value)> AnnouncementListener;
