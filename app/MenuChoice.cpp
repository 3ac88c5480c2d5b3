#include "app/MenuChoice.h"

#include <QAction>
#include <QActionGroup>
#include <QSettings>

const QString MenuChoice::on = QStringLiteral("on");
const QString MenuChoice::off = QStringLiteral("off");

MenuChoice::MenuChoice(const QString& settingsKey, QAction* toggle, QObject* parent)
    : QObject(parent)
    , key(settingsKey)
    , entries({{toggle, on}})
    , group(new QActionGroup(this))
{
    toggle->setCheckable(true);
    toggle->setChecked(QSettings().value(key).toString() == on);
    // A group of one that is not exclusive: the entry can be unchecked again.
    group->addAction(toggle);
    group->setExclusive(false);
    connect(group, SIGNAL(triggered(QAction*)), this, SLOT(chosen(QAction*)));
}

MenuChoice::MenuChoice(const QString& settingsKey, const QList<QPair<QAction*, QString>>& entries, QObject* parent)
    : QObject(parent)
    , key(settingsKey)
    , entries(entries)
    , group(new QActionGroup(this))
{
    const QString remembered = QSettings().value(key).toString();
    QAction* checked = entries.value(0).first;
    for (const auto& entry : entries) {
        entry.first->setCheckable(true);
        group->addAction(entry.first);
        if (entry.second == remembered)
            checked = entry.first;
    }
    group->setExclusive(true);
    if (checked)
        checked->setChecked(true);
    connect(group, SIGNAL(triggered(QAction*)), this, SLOT(chosen(QAction*)));
}

QString MenuChoice::current() const
{
    for (const auto& entry : entries)
        if (entry.first->isChecked())
            return entry.second;
    return entries.size() == 1 ? off : entries.value(0).second;
}

void MenuChoice::chosen(QAction*)
{
    QSettings().setValue(key, current());
    Q_EMIT changed();
}
