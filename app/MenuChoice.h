#ifndef APP_MENUCHOICE_H
#define APP_MENUCHOICE_H

// A choice among exclusive checkable menu entries ("Download from", say), or one entry that is
// on or off, remembered across starts in the application's settings under a key of its own.
// Lives in the GUI thread.
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QAction;
class QActionGroup;

class MenuChoice : public QObject
{
    Q_OBJECT
public:
    // The entries with the names they are remembered by; the first is chosen at first start,
    // and whenever the settings name none of them. The actions are not owned.
    MenuChoice(const QString& settingsKey, const QList<QPair<QAction*, QString>>& entries, QObject* parent);
    // One entry, on or off; off at first start, and whenever the settings say neither.
    MenuChoice(const QString& settingsKey, QAction* toggle, QObject* parent);

    // The name of the entry checked now; for one entry "on" or "off".
    QString current() const;
    // For one entry: whether it is on.
    bool isOn() const { return current() == on; }

    static const QString on;
    static const QString off;

Q_SIGNALS:
    void changed();

private Q_SLOTS:
    void chosen(QAction* action);

private:
    QString key;
    QList<QPair<QAction*, QString>> entries;
    QActionGroup* group; // child of this object
};

#endif
