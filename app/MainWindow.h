#ifndef APP_MAINWINDOW_H
#define APP_MAINWINDOW_H

// The application's main window: the map with the coordinate panel over it, the menu,
// and "Start Download", which opens a download window for the selected area.
// Lives in the GUI thread.
#include <QMainWindow>
#include <QRectF>
#include <memory>

namespace Ui {
class MainWindow;
}
class MapViews;
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

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    std::unique_ptr<Ui::MainWindow> ui;
    // Dies before the widgets it feeds: its worker thread is joined first.
    std::unique_ptr<MapViews> mapViews;
};

#endif
