#ifndef APP_REMEMBEREDVIEW_H
#define APP_REMEMBEREDVIEW_H

// Where the user was: the main window's size and position, the map's centre and zoom and the
// selected area, kept in the program's settings when the window goes and given back when the
// next one opens, clamped to the screens and to the map's limits. A value missing or
// unreadable leaves the start state. Used in the GUI thread.
class QWidget;
class Visualization;

class RememberedView
{
public:
    static void restore(QWidget* window, Visualization* map);
    static void save(const QWidget* window, const Visualization* map);
};

#endif
