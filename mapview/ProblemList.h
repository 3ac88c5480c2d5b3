#ifndef MAPVIEW_PROBLEMLIST_H
#define MAPVIEW_PROBLEMLIST_H

// The list of the problems of a network file, under the map: one row a finding in the order
// of the check's report, with its kind in the colour of its ring, the route's ref and name
// where it names a route, and its ids; findings at the edge of the area last and dimmed. A
// click or Enter on a row chooses that finding. Lives in the GUI thread.
#include "mapview/ProblemPicture.h"

#include <QTreeWidget>

class QModelIndex;

class ProblemList : public QTreeWidget
{
    Q_OBJECT
public:
    enum Column { KindColumn, RouteColumn, FindingColumn };

    explicit ProblemList(QWidget* parent = nullptr);

    // One row per problem of the picture; an empty picture empties the list.
    void setPicture(const ProblemPicture& picture);
    // The index into the picture's problems of a row, or -1.
    int problemOf(int row) const;
    QSize sizeHint() const override;

Q_SIGNALS:
    // The index of the chosen finding in the picture's problems.
    void problemChosen(int index);

private Q_SLOTS:
    void choose(const QModelIndex& index);
};

#endif
