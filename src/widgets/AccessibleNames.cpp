#include "widgets/AccessibleNames.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>

QString WithoutMnemonic(const QString& caption) {
    QString s = caption;
    // The Japanese form: a letter in parentheses (plain or full width) after
    // the word.
    static const QRegularExpression marked(QStringLiteral("[(\\x{FF08}]&[^&][)\\x{FF09}]"));
    s.remove(marked);
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&'))
                out += s[++i];
            continue;
        }
        out += s[i];
    }
    out = out.trimmed();
    while (out.endsWith(QLatin1Char(':')) || out.endsWith(QChar(0xff1a)))
        out.chop(1);
    return out.trimmed();
}

namespace {

// A name this helper gave, so that a later call (another language) renames it.
const char* const GivenName = "phonaraGivenName";

void Name(QWidget* w, const QString& caption) {
    const bool ours = w->property(GivenName).toBool();
    if (!ours && !w->accessibleName().isEmpty())
        return;
    w->setAccessibleName(WithoutMnemonic(caption));
    w->setProperty(GivenName, true);
}

} // namespace

void NameControls(QWidget* root) {
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (!b->text().isEmpty())
            Name(b, b->text());
    for (QGroupBox* g : root->findChildren<QGroupBox*>())
        Name(g, g->title());
    for (QLabel* l : root->findChildren<QLabel*>()) {
        if (l->text().isEmpty() || l->textFormat() == Qt::RichText)
            continue;
        if (l->text().contains(QLatin1Char('&')))
            Name(l, l->text());
        if (QWidget* buddy = l->buddy())
            Name(buddy, l->text());
    }
}

std::function<void(QObject*, const QVariant&)> AnnouncementListener;

void AnnounceValue(QObject* object, const QVariant& value) {
    if (AnnouncementListener)
        AnnouncementListener(object, value);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(object, value);
        QAccessible::updateAccessibility(&event);
    }
}
