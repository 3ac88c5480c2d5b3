#include "extraction/OSMFileReader.h"

#include "common/BoundingBox.h"
#include "extraction/ClipSelection.h"
#include "extraction/KeptObjects.h"
#include "extraction/NetworkKeeper.h"
#include "extraction/OSMXmlFile.h"
#include "extraction/OsmiumReader.h"
#include "extraction/ReadProgress.h"
#include "extraction/WayNodeSet.h"

#include <QFile>
#include <QFileInfo>
#include <memory>

namespace {

OsmiumReader::Options pbfOptions(bool diagnostics, ReadProgress* progress, int kinds = OsmiumReader::AllKinds,
                                 const std::function<void(const BoundingBox&)>& bounds = {})
{
    OsmiumReader::Options options;
    options.bounds = bounds;
    options.kinds = kinds;
    options.diagnostics = diagnostics;
    if (progress)
        options.position = [progress](qint64 bytes) { progress->at(bytes); };
    return options;
}

// A PBF file: with a clip, a first pass for the selection; otherwise, for a file that can be
// read twice (not the standard input or a pipe), a first pass over the ways alone for the nodes they use, so that the nodes that
// no kept way uses are never held. A fault stops the first pass where the second one stops too,
// and is reported by it.
bool readPbf(const QString& path, OSMData& data, ClipSelection* selection, QString* error, ReadProgress* progress,
             const std::function<void(const BoundingBox&)>& bounds, KeptObjects* collector)
{
    std::unique_ptr<WayNodeSet> wayNodes;
    if (selection) {
        OsmiumReader::read(path, OSMFileFormat::Pbf, *selection, pbfOptions(false, progress));
        selection->finishScan();
        if (progress)
            progress->beginPass(1);
    } else if (QFileInfo(path).isFile()) {
        wayNodes.reset(new WayNodeSet);
        OsmiumReader::read(path, OSMFileFormat::Pbf, *wayNodes, pbfOptions(false, nullptr, OsmiumReader::Ways));
        wayNodes->finish();
    }
    NetworkKeeper keeper(data, selection, wayNodes.get());
    keeper.collectInto(collector);
    OsmiumReader::Options options = pbfOptions(true, progress, OsmiumReader::AllKinds, bounds);
    options.metadata = collector != nullptr;
    return OsmiumReader::read(path, OSMFileFormat::Pbf, keeper, options, error);
}

} // namespace

OSMFileReader::Outcome OSMFileReader::read(const QString& path, OSMData& data, const BoundingBox* clip,
                                           QString* error, OSMFileFormat::Kind format, ReadProgress* progress,
                                           const std::function<void(const BoundingBox&)>& bounds,
                                           KeptObjects* collector)
{
    if (format == OSMFileFormat::Unknown)
        format = OSMFileFormat::of(path);
    std::unique_ptr<ClipSelection> selection;
    if (clip)
        selection.reset(new ClipSelection(*clip));
    QString text;
    if (format == OSMFileFormat::Pbf) {
        // Opened here first, so that what a plain file cannot be opened as (a missing
        // file, a folder) is reported the same way.
        QFile file(path);
        if (path != QLatin1String("-") && !file.open(QIODevice::ReadOnly))
            return Outcome::NotOpened;
        file.close();
        readPbf(path, data, selection.get(), &text, progress, bounds, collector);
    } else {
        // The first pass of a clipped file reports nothing: the second reports what it meets.
        if (selection) {
            if (OSMXmlFile::read(path, format, *selection, false, false, progress) == OSMXmlFile::NotOpened)
                return Outcome::NotOpened;
            selection->finishScan();
            if (progress)
                progress->beginPass(1);
        }
        NetworkKeeper keeper(data, selection.get());
        keeper.tellBoundsTo(bounds);
        keeper.collectInto(collector);
        if (OSMXmlFile::read(path, format, keeper, true, collector != nullptr, progress, &text)
            == OSMXmlFile::NotOpened)
            return Outcome::NotOpened;
    }
    if (error)
        *error = text;
    return text.isEmpty() ? Outcome::Read : Outcome::Broken;
}

void OSMFileReader::copy(const QString& path, KeptObjects& objects, OSMFileFormat::Kind format)
{
    if (format == OSMFileFormat::Unknown)
        format = OSMFileFormat::of(path);
    if (format == OSMFileFormat::Pbf) {
        OsmiumReader::Options options;
        options.metadata = true;
        OsmiumReader::read(path, format, objects, options);
    } else {
        OSMXmlFile::read(path, format, objects, false, true);
    }
}
