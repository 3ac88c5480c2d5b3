#ifndef APP_COORDINATEFIELDS_H
#define APP_COORDINATEFIELDS_H

// The four coordinate fields of the control panel, laid out as a compass rose in its grid:
// each as wide as its longest text needs in its font and style (a sign, three digits of
// degrees and six decimals), the four columns half of that. Used in the GUI thread.
#include <QList>

class QGridLayout;
class QLineEdit;

class CoordinateFields
{
public:
    // The width a field needs to show its longest text whole.
    static int width(const QLineEdit* field);
    // Every field as wide as the widest needs; the layout's columns so that north and south
    // stand centred over west and east.
    static void fit(const QList<QLineEdit*>& fields, QGridLayout* layout);
};

#endif
