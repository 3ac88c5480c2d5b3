#ifndef APP_MAINWINDOW_H
#define APP_MAINWINDOW_H

// The application's main window: the map with the coordinate panel over it, the menu,
// and "Start Download", which opens a download window for the selected area; "Extract from
// a file..." and a file dropped on the map open one that reads the file for the area.
// Lives in the GUI thread.
#include "download/DownloadSource.h"
#include "download/FetchMode.h"
#include "extraction/NetworkFormat.h"

#include <QMainWindow>
#include <QRectF>
#include <memory>

namespace Ui {
class MainWindow;
}
class MapViews;
class MenuChoice;
class QDragEnterEvent;
class QDropEvent;
class QEvent;
class QKeyEvent;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

Q_SIGNALS:
    void mapZoomIn();
    void mapZoomOut();

private Q_SLOTS:
    void showAbout();
    void setNewLocRect(QRectF locationRect);
    void startDownload();
    void downloadAgain();
    void sourceChanged();
    void extractFromFile();
    // A file highlighted in the file dialog: its area is outlined on the map.
    void fileHighlighted(const QString& path);
    // The window of an extract run has closed: the file's outline goes with it.
    void extractEnded();

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // Opens the download window of a run, after asking whether to go on when the source would
    // take more requests than its usage policy allows; an area without width or height starts
    // none.
    void startRun(FetchMode mode);
    DownloadSource source() const;
    // Opens the window of an extract run for the file, unless the file's header tells that the
    // selection lies outside its area.
    void startExtract(const QString& path);
    // Outlines the area the file's header names, if any; false when the selection lies
    // outside it (the status bar then says so).
    bool showFileArea(const QString& path);
    NetworkFormat format() const;
    // The coordinate fields as wide as their longest text needs in their font.
    void fitFields();

    std::unique_ptr<Ui::MainWindow> ui;
    MenuChoice* sourceChoice; // child of this window
    MenuChoice* formatChoice; // child of this window
    MenuChoice* routeRoadsChoice; // child of this window
    // Dies before the widgets it feeds: its worker thread is joined first.
    std::unique_ptr<MapViews> mapViews;
};

#endif
