#ifndef EXTRACTION_PBFENTITIES_H
#define EXTRACTION_PBFENTITIES_H

// What the readers of PBF files share: the file as libosmium opens it, every entity of it in
// file order, and the id a way is read with. Used in the processing worker thread.
#include "extraction/NetworkKeepRules.h"
#include "extraction/PbfDescriptorWatch.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <exception>
#include <functional>

#include <osmium/io/pbf_input.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/thread/pool.hpp>

namespace PbfEntities {

// The file as libosmium reads it.
inline osmium::io::File file(const QString& path)
{
    // libosmium reads the standard input for an empty name.
    if (path == QLatin1String("-"))
        return osmium::io::File(std::string(), "pbf");
    // An absolute path: libosmium would hand a name that looks like a URL to curl.
    return osmium::io::File(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(), "pbf");
}

// Every entity of the file in file order, node, way and relation alike; `position`, when given,
// is told after each block how many bytes have been read. Metadata (versions, times, users) is
// decoded only when `meta` asks for it. False at a fault, which `error` then tells.
template <class Visit>
bool forEach(const QString& path, const std::function<void(qint64)>& position, Visit visit, QString* error,
             osmium::io::read_meta meta = osmium::io::read_meta::no)
{
    PbfDescriptorWatch watch(path);
    try {
        osmium::thread::Pool pool;
        osmium::io::Reader reader(file(path), osmium::osm_entity_bits::nwr, meta, pool);
        watch.readerOpened();
        while (osmium::memory::Buffer buffer = reader.read()) {
            for (const osmium::OSMEntity& entity : buffer)
                visit(entity);
            // Counted ahead of the entities handed out (blocks are decoded in advance), which a
            // progress display does not mind.
            if (position)
                position(qint64(reader.offset()));
        }
        reader.close();
    } catch (const std::exception& e) {
        watch.closeLeft();
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

// The id a way is read with, 0 when it does not convert, as from XML text.
inline qint64 wayId(const osmium::Way& way, bool& converted)
{
    qint64 id = 0;
    converted = NetworkKeepRules::wayIdFromNumber(double(way.id()), id);
    return converted ? id : 0;
}

} // namespace PbfEntities

#endif
