#ifndef APP_MENUCHOICE_H
#define APP_MENUCHOICE_H

// A choice among exclusive checkable menu entries ("Download from", say), remembered across
// starts in the application's settings under a key of its own. Lives in the GUI thread.
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

    // The name of the entry checked now.
    QString current() const;

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
