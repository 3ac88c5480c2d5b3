#include "mapview/PlaceSearch.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QColor typeColour(128, 128, 128);
const int spacing = 4;

} // namespace

PlaceSearch::PlaceSearch(QWidget* map)
    : QFrame(map)
    , field(new QLineEdit(this))
    , results(new QTreeWidget(this))
    , attribution(new QLabel(QStringLiteral("Search by Nominatim, data \u00a9 OpenStreetMap contributors"), this))
{
    setObjectName("placeSearchPanel");
    setAutoFillBackground(true);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    field->setObjectName("placeSearch");
    field->setPlaceholderText("Find a place");
    field->installEventFilter(this);

    results->setObjectName("placeResults");
    results->setColumnCount(2);
    results->setHeaderHidden(true);
    results->setRootIsDecorated(false);
    results->setUniformRowHeights(true);
    results->setSelectionMode(QAbstractItemView::SingleSelection);
    // The keys stay with the field, which moves through the list itself.
    results->setFocusPolicy(Qt::NoFocus);
    results->header()->setStretchLastSection(false);
    results->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    results->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

    attribution->setObjectName("placeAttribution");
    // The credit is shown whole, on two lines where the search is narrow.
    attribution->setWordWrap(true);
    QFont small = attribution->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    attribution->setFont(small);
    QPalette grey = attribution->palette();
    grey.setColor(QPalette::WindowText, typeColour.darker(130));
    attribution->setPalette(grey);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(spacing, spacing, spacing, spacing);
    layout->setSpacing(spacing);
    layout->addWidget(field);
    layout->addWidget(results);
    layout->addWidget(attribution);

    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WindowShortcut);
    connect(find, SIGNAL(activated()), this, SLOT(focusField()));
    connect(field, SIGNAL(textEdited(QString)), this, SLOT(textEdited()));
    connect(results, SIGNAL(itemClicked(QTreeWidgetItem*,int)), this, SLOT(choose(QTreeWidgetItem*)));

    map->installEventFilter(this);
    showResults(false);
}

void PlaceSearch::focusField()
{
    field->setFocus(Qt::ShortcutFocusReason);
    field->selectAll();
}

void PlaceSearch::showPlaces(const QString& query, const std::vector<FoundPlace>& found)
{
    places = found;
    results->clear();
    if (places.empty()) {
        showResults(false);
        Q_EMIT message(QString("Nothing found for \"%1\"").arg(query));
        return;
    }
    for (const FoundPlace& place : places) {
        auto* item = new QTreeWidgetItem(results, QStringList({place.displayName, QString(place.type).replace('_', ' ')}));
        item->setToolTip(0, place.displayName);
        item->setForeground(1, QBrush(typeColour));
    }
    // Nothing is chosen until the user moves to a row: Enter in the field searches again.
    results->setCurrentItem(nullptr);
    showResults(true);
    Q_EMIT message(QString());
}

bool PlaceSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        fitToMap();
    if (watched == field && event->type() == QEvent::KeyPress)
        return fieldKey(static_cast<QKeyEvent*>(event)->key());
    return QFrame::eventFilter(watched, event);
}

bool PlaceSearch::fieldKey(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (results->isVisible() && results->currentItem())
            choose(results->currentItem());
        else
            submit();
        return true;
    case Qt::Key_Down:
        moveCurrent(1);
        return true;
    case Qt::Key_Up:
        moveCurrent(-1);
        return true;
    case Qt::Key_Escape:
        // Back to the map, whose keys ('+', '-') work again.
        showResults(false);
        field->clearFocus();
        return true;
    default:
        return false;
    }
}

void PlaceSearch::submit()
{
    const QString text = field->text().trimmed();
    if (text.isEmpty())
        return;
    // Said first: an answer known already comes at once.
    Q_EMIT message(QString("Searching for \"%1\"...").arg(text));
    Q_EMIT searchWanted(text);
}

void PlaceSearch::moveCurrent(int step)
{
    if (places.empty())
        return;
    if (!results->isVisible()) {
        showResults(true);
        return;
    }
    const int rows = results->topLevelItemCount();
    const int row = results->currentItem() ? results->indexOfTopLevelItem(results->currentItem()) + step : (step > 0 ? 0 : rows - 1);
    results->setCurrentItem(results->topLevelItem(std::max(0, std::min(rows - 1, row))));
}

void PlaceSearch::choose(QTreeWidgetItem* item)
{
    const int row = results->indexOfTopLevelItem(item);
    if (row < 0 || row >= int(places.size()))
        return;
    const FoundPlace place = places[size_t(row)];
    showResults(false);
    field->clearFocus();
    Q_EMIT placeChosen(place.selectionArea(), place.box());
}

void PlaceSearch::textEdited()
{
    // The list shows what the old text found; Enter now searches for the new one.
    results->setCurrentItem(nullptr);
}

void PlaceSearch::showResults(bool shown)
{
    results->setVisible(shown);
    attribution->setVisible(shown);
    fitToMap();
}

void PlaceSearch::fitToMap()
{
    const QWidget* map = parentWidget();
    const int width = std::max(0, std::min(preferredWidth, map->width() - 2 * margin));
    if (results->isVisibleTo(this)) {
        // All rows where the map is tall enough, else as many as fit above its bottom strip.
        const int rows = results->topLevelItemCount();
        const int wanted = rows * std::max(1, results->sizeHintForRow(0)) + 2 * results->frameWidth();
        const int others = field->sizeHint().height() + attribution->sizeHint().height() + 4 * spacing + 2 * frameWidth();
        const int room = map->height() - margin - freeBelow - others;
        results->setFixedHeight(std::max(0, std::min(wanted, room)));
    }
    layout()->activate();
    setGeometry(map->width() - margin - width, margin, width, sizeHint().height());
}
