#ifndef MAPVIEW_PLACESEARCH_H
#define MAPVIEW_PLACESEARCH_H

// The place search over the map: a field in the map's top right corner that asks for its text
// on Enter only, the places found listed under it (the name, and the type in grey) with the
// search service's credit, and choosing one with the arrow keys and Enter or a click. Ctrl+F
// goes to the field, Escape leaves it. Lives in the GUI thread.
#include "mapview/FoundPlace.h"

#include <QFrame>
#include <QRectF>
#include <QString>
#include <vector>

class QEvent;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class PlaceSearch : public QFrame
{
    Q_OBJECT
public:
    // In pixels: the widest the search gets, its distance from the map's edges, and the
    // strip along the map's bottom that its list leaves free (the map's credit lies there).
    static constexpr int preferredWidth = 420;
    static constexpr int margin = 8;
    static constexpr int freeBelow = 40;

    // A child of the map, in its top right corner as the map's size changes.
    explicit PlaceSearch(QWidget* map);

Q_SIGNALS:
    void searchWanted(const QString& text);
    // The area to select and the area to show (BoundingBox::toArea).
    void placeChosen(const QRectF& selected, const QRectF& shown);
    // A line for the status bar; an empty one clears it.
    void message(const QString& text);

public Q_SLOTS:
    void showPlaces(const QString& query, const std::vector<FoundPlace>& found);
    void focusField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void submit();
    void choose(QTreeWidgetItem* item);
    void textEdited();

private:
    bool fieldKey(int key);
    void moveCurrent(int step);
    void showResults(bool shown);
    void fitToMap();

    QLineEdit* field;
    QTreeWidget* results;
    QLabel* attribution;
    std::vector<FoundPlace> places; // in the order of the list's rows
};

#endif
