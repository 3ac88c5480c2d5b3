#ifndef APP_DOWNLOADWINDOW_H
#define APP_DOWNLOADWINDOW_H

// The window of one processing run: starts the run for an area (a download, or an extract
// from a file) and shows its log and progress; closing it ends the run. Lives in the GUI thread.
#include "download/DownloadSource.h"
#include "download/FetchMode.h"
#include "extraction/NetworkFormat.h"

#include <QRectF>
#include <QWidget>
#include <memory>

namespace Ui {
class DownloadWindow;
}
class OSMProcessor;
class QCloseEvent;

class DownloadWindow : public QWidget
{
    Q_OBJECT
public:
    DownloadWindow(const QRectF& area, QWidget* parent);
    // With FetchMode::RequestEveryPiece the run asks for every piece anew ("Download again");
    // the data comes from `source`; the network file is written in `format`, with the roads that
    // routes use when `routeRoads` says so.
    DownloadWindow(const QRectF& area, QWidget* parent, FetchMode fetchMode,
                   DownloadSource source = DownloadSource::Api, NetworkFormat format = NetworkFormat::Dorvex,
                   bool routeRoads = false);
    // The window of an extract run: `inputFile` read clipped to the area.
    DownloadWindow(const QRectF& area, const QString& inputFile, QWidget* parent,
                   NetworkFormat format = NetworkFormat::Dorvex, bool routeRoads = false);
    ~DownloadWindow() override;

    // True until the run has reported completion; closing asks "Cancel download?" meanwhile.
    bool isProcessing() const { return processingFlag; }

private Q_SLOTS:
    void writeIntoLog(QString msg);
    void setProgress(int value);
    void clearProcessingFlag();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Takes over the controller, connects it and starts its run.
    void start(OSMProcessor* run, bool routeRoads);

    std::unique_ptr<Ui::DownloadWindow> ui;
    OSMProcessor* processor; // owned; deleted after the form
    bool processingFlag;
};

#endif
