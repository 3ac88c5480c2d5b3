#include "extraction/OSMFileReader.h"

#include "common/BoundingBox.h"
#include "extraction/ClipSelection.h"
#include "extraction/KeptObjects.h"
#include "extraction/NetworkKeeper.h"
#include "extraction/OSMXmlFile.h"
#include "extraction/OsmiumReader.h"
#include "extraction/ReadProgress.h"
#include "extraction/RouteRoads.h"
#include "extraction/WayNodeSet.h"
#include "network/OSMData.h"

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

// Two handlers fed by one pass over a file: the clip's selection and the ways of the routes.
class BothHandlers : public OSMHandler
{
public:
    BothHandlers(OSMHandler& first, OSMHandler& second)
        : first(first)
        , second(second)
    {
    }

    bool selects() const override { return first.selects() && second.selects(); }

protected:
    bool wantsNode(qint64 id) const override { return wantedBy(OSMEntity::Node, id); }
    bool wantsWay(qint64 id) const override { return wantedBy(OSMEntity::Way, id); }
    bool wantsRelation(qint64 id) const override { return wantedBy(OSMEntity::Relation, id); }
    void node(const OSMEntity& node) override { both(node); }
    void way(const OSMEntity& way) override { both(way); }
    void relation(const OSMEntity& relation) override { both(relation); }

private:
    bool wantedBy(OSMEntity::Kind kind, qint64 id) const { return first.wants(kind, id) || second.wants(kind, id); }
    void both(const OSMEntity& entity)
    {
        if (first.wants(entity.kind(), entity.id))
            first.handle(entity);
        if (second.wants(entity.kind(), entity.id))
            second.handle(entity);
    }

    OSMHandler& first;
    OSMHandler& second;
};

// What the first pass over a file gathers: the clip's selection, the ways of the routes, or both;
// null when there is no first pass.
std::unique_ptr<OSMHandler> firstPass(ClipSelection* selection, RouteRoads* routeRoads)
{
    if (selection && routeRoads)
        return std::unique_ptr<OSMHandler>(new BothHandlers(*selection, *routeRoads));
    return nullptr;
}

// Ends the first pass over a file.
void finishFirstPass(ClipSelection* selection, RouteRoads* routeRoads, ReadProgress* progress)
{
    if (selection)
        selection->finishScan();
    if (routeRoads)
        routeRoads->finish(selection);
    if (progress)
        progress->beginPass(1);
}

// A PBF file: a first pass with a clip, for the selection (and the ways of the routes); without
// one, the ways of the routes from a pass over the relations alone, and, for a file that can be
// read twice (not the standard input or a pipe), a pass over the ways alone for the nodes they
// use, so that the nodes that no kept way uses are never held. A fault stops the first passes
// where the last one stops too, and is reported by it.
bool readPbf(const QString& path, OSMData& data, ClipSelection* selection, QString* error, ReadProgress* progress,
             const OSMFileReader::Extras& extras)
{
    RouteRoads* routeRoads = extras.routeRoads;
    std::unique_ptr<WayNodeSet> wayNodes;
    const bool file = QFileInfo(path).isFile();
    if (selection) {
        const std::unique_ptr<OSMHandler> both = firstPass(selection, routeRoads);
        OsmiumReader::read(path, OSMFileFormat::Pbf, both ? *both : *selection, pbfOptions(false, progress));
        finishFirstPass(selection, routeRoads, progress);
    } else if (file) {
        if (routeRoads) {
            OsmiumReader::read(path, OSMFileFormat::Pbf, *routeRoads,
                               pbfOptions(false, progress, OsmiumReader::Relations));
            finishFirstPass(nullptr, routeRoads, progress);
        }
        wayNodes.reset(new WayNodeSet(routeRoads));
        OsmiumReader::read(path, OSMFileFormat::Pbf, *wayNodes, pbfOptions(false, nullptr, OsmiumReader::Ways));
        wayNodes->finish();
        // Room for the nodes of the ways and, beside them, the stops (far fewer as a rule), so
        // that the node list is not doubled for the last few.
        data.getNodes().reserve(data.getNodes().size() + wayNodes->size() + wayNodes->size() / 8);
    }
    NetworkKeeper keeper(data, selection, wayNodes.get(), routeRoads);
    keeper.collectInto(extras.collector);
    OsmiumReader::Options options = pbfOptions(true, progress, OsmiumReader::AllKinds, extras.bounds);
    options.metadata = extras.collector != nullptr;
    if (CurrentObjects::Content* content = extras.content)
        options.done = [content](const CurrentObjects& stage) { *content = stage.content(); };
    return OsmiumReader::read(path, OSMFileFormat::Pbf, keeper, options, error);
}

} // namespace

OSMFileReader::Outcome OSMFileReader::read(const QString& path, OSMData& data, const BoundingBox* clip,
                                           QString* error, OSMFileFormat::Kind format, ReadProgress* progress,
                                           const Extras& extras)
{
    RouteRoads* routeRoads = extras.routeRoads;
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
        readPbf(path, data, selection.get(), &text, progress, extras);
    } else {
        // The first pass reports nothing: the second reports what it meets.
        RouteRoads* gathering = path == QLatin1String("-") ? nullptr : routeRoads;
        if (selection || gathering) {
            const std::unique_ptr<OSMHandler> both = firstPass(selection.get(), gathering);
            OSMHandler& scan = both ? *both : selection ? static_cast<OSMHandler&>(*selection) : *gathering;
            if (OSMXmlFile::read(path, format, scan, false, false, progress) == OSMXmlFile::NotOpened)
                return Outcome::NotOpened;
            finishFirstPass(selection.get(), gathering, progress);
        }
        NetworkKeeper keeper(data, selection.get(), nullptr, routeRoads);
        keeper.tellBoundsTo(extras.bounds);
        keeper.collectInto(extras.collector);
        if (OSMXmlFile::read(path, format, keeper, true, extras.collector != nullptr, progress, &text, extras.content)
            == OSMXmlFile::NotOpened)
            return Outcome::NotOpened;
    }
    if (error)
        *error = text;
    return text.isEmpty() ? Outcome::Read : Outcome::Broken;
}

OSMFileReader::Outcome OSMFileReader::read(const QString& path, OSMData& data, const BoundingBox* clip,
                                           QString* error, OSMFileFormat::Kind format, ReadProgress* progress)
{
    return read(path, data, clip, error, format, progress, Extras());
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
