#include "mapview/ProblemList.h"

#include "mapview/ProblemLayer.h"

#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace {

// Wide enough for a kind, a route and the ids of most findings, in average characters, and
// high enough for a few rows, in lines.
const int preferredCharacters = 100;
const int preferredLines = 7;
// The route column is cut there; its tooltip has the whole text.
const int routeCharacters = 40;

} // namespace

ProblemList::ProblemList(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName("problemList");
    setColumnCount(3);
    setHeaderLabels({QString("Kind"), QString("Route"), QString("Finding")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    const int ring = int(2 * (ProblemLayer::ringRadius + ProblemLayer::ringWidth));
    setIconSize(QSize(ring, ring));
    connect(this, SIGNAL(clicked(QModelIndex)), this, SLOT(choose(QModelIndex)));
    connect(this, SIGNAL(activated(QModelIndex)), this, SLOT(choose(QModelIndex)));
}

QSize ProblemList::sizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * preferredCharacters + 2 * frameWidth(),
                 fontMetrics().lineSpacing() * preferredLines + header()->sizeHint().height() + 2 * frameWidth());
}

void ProblemList::setPicture(const ProblemPicture& picture)
{
    clear();
    // The icons of the kinds, drawn at the screen's pixel ratio so that they stay sharp.
    const qreal ratio = devicePixelRatioF();
    std::vector<QIcon> icons;
    for (int kind = 0; kind < ProblemLayer::kinds; ++kind) {
        QPixmap ring(iconSize() * ratio);
        ring.setDevicePixelRatio(ratio);
        ring.fill(Qt::transparent);
        QPainter painter(&ring);
        painter.setRenderHint(QPainter::Antialiasing, true);
        ProblemLayer::paintRing(&painter, QRectF(QPointF(0, 0), QSizeF(iconSize())).center(), kind);
        painter.end();
        icons.emplace_back(ring);
    }

    const QBrush dimmed = palette().brush(QPalette::Disabled, QPalette::Text);
    QList<QTreeWidgetItem*> rows;
    // In the report's order, which lists the findings at the edge of the area last; those are
    // dimmed, since the area's edge may have cut what they name.
    for (std::size_t index = 0; index < picture.problems.size(); ++index) {
        const ProblemPicture::Problem& problem = picture.problems[index];
        const QString kind = problem.kind >= 0 && problem.kind < int(picture.kinds.size())
            ? picture.kinds[std::size_t(problem.kind)].name
            : QString();
        auto* row = new QTreeWidgetItem(QStringList({kind, problem.route, problem.finding}));
        row->setData(KindColumn, Qt::UserRole, int(index));
        row->setIcon(KindColumn, icons[std::size_t(std::max(0, std::min(ProblemLayer::kinds - 1, problem.kind)))]);
        row->setToolTip(KindColumn, problem.text);
        row->setToolTip(RouteColumn, problem.route);
        row->setToolTip(FindingColumn, problem.text);
        if (problem.edge)
            for (int column = 0; column < columnCount(); ++column)
                row->setForeground(column, dimmed);
        rows << row;
    }
    addTopLevelItems(rows);
    resizeColumnToContents(KindColumn);
    resizeColumnToContents(RouteColumn);
    setColumnWidth(RouteColumn, std::min(columnWidth(RouteColumn), fontMetrics().averageCharWidth() * routeCharacters));
}

int ProblemList::problemOf(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(KindColumn, Qt::UserRole).toInt() : -1;
}

void ProblemList::choose(const QModelIndex& index)
{
    if (index.isValid())
        Q_EMIT problemChosen(problemOf(index.row()));
}
