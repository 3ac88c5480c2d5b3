#ifndef EXTRACTION_OSMPARSER_H
#define EXTRACTION_OSMPARSER_H

// Reads OpenStreetMap files into the network data and writes the network file.
// Lives in the processing worker thread; everything runs synchronously in the caller.
#include "common/BoundingBox.h"
#include "extraction/NetworkFormat.h"
#include "extraction/OSMFileFormat.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class InputCopy;
class KeptObjects;
class NoClobberFile;
class OSMData;
class RouteRoads;
class QXmlStreamReader;
class OSMXmlWriter;

class OSMParser : public QObject
{
    Q_OBJECT
public:
    explicit OSMParser(QObject* parent = nullptr);
    ~OSMParser() override;

    // True when every file was read to its end; `unread` gets those that were not.
    bool parseFiles(std::vector<QString> filesPaths, OSMData& data, std::vector<QString>* unread = nullptr);
    // One file ("-": the standard input), in the format set with setInputFormat(), or else
    // the one its first bytes show (PBF, gzip, bzip2, XML), or else the one its name says
    // (".pbf" PBF, ".gz" and ".bz2" compressed XML, anything else XML). True when it was read
    // to its end; otherwise `failure` says why not (what was read before a fault is kept).
    bool parseFile(const QString& filePath, OSMData& data, QString* failure = nullptr);
    // Every *.osm entry of the folder, by name. True when there was one and each was read to
    // its end; `failures` gets a line for each that was not ("\"path\": why").
    bool parseDir(const QString& dirPath, OSMData& data, QStringList* failures = nullptr);

    // From now on every file is read clipped to the box, as the API's map call for
    // that box would give it: a first pass over the file chooses what is kept, a
    // second reads that, in file order, as any file is read.
    void clipTo(const BoundingBox& box);
    // From now on every way that a kept route of a file read so far names as a member is kept as
    // a road with all its nodes, whatever its tags ("Keep the roads that routes use"): a first
    // pass over each file gathers the members of its routes.
    void keepRouteRoads();
    // From now on an input that cannot be read twice (InputCopy) is first copied into a
    // temporary file in `folder` where the run reads it twice or must look at its first bytes:
    // clipped, without a format set, in PBF, or with `readAgain` (the osm format reads every
    // input again). The copies go with the parser.
    void copyUnrepeatableInputs(const QString& folder, bool readAgain);
    // The network file will be written in `format`: for the osm format, the kept objects are
    // collected while the files are read, so that they need not be read again.
    void prepareFor(NetworkFormat format);
    // Every file from now on is read in this format; Unknown lets each file tell its own.
    void setInputFormat(OSMFileFormat::Kind format) { inputFormat = format; }
    // The bytes that reading `path` goes through, as bytesRead() counts them: its size, twice
    // when clipped or keeping the roads of routes; for a folder the sum over its *.osm entries.
    qint64 inputBytes(const QString& path) const;
    // The area the input covers (a download's, say), written as the bounds of a network file
    // in standard OSM XML; clipTo() sets it too.
    void setBounds(const BoundingBox& box);
    // That area, for the check of the network file; null when there is none.
    const BoundingBox* area() const { return bounded ? &bounds : nullptr; }

    // XML element readers: called on the element's start tag, they return on its end
    // tag, or at once when its attributes do not convert.
    static void readNode(QXmlStreamReader& reader, OSMData& data);
    static void readWay(QXmlStreamReader& reader, OSMData& data);
    static void readRelation(QXmlStreamReader& reader, OSMData& data);

    // A network file made from a download that stopped early carries this in its name, so
    // that it cannot be taken for a complete one.
    enum class Coverage { Complete, Incomplete };
    // In NetworkFormat::Osm the files parsed so far are read once more, for the kept objects
    // as they stand there.
    void writeOutputFile(OSMData& data, Coverage coverage = Coverage::Complete,
                         NetworkFormat format = NetworkFormat::Dorvex);
    static QString outputFileName();
    // From now on the network file goes to `path` ("-": the standard output) instead of a new
    // name in outputDir. A file there is replaced (in one step, when the new one is complete)
    // only with `overwrite`; otherwise writing fails. In NetworkFormat::Osm it is a file of
    // `kind` (plain XML, PBF, gzip or bzip2 XML); the simulator's file is always plain XML.
    void setOutputPath(const QString& path, bool overwrite, OSMFileFormat::Kind kind = OSMFileFormat::Xml);
    // The path of the network file the last writeOutputFile wrote; empty when it wrote none.
    QString writtenFilePath() const { return writtenPath; }
    static void writeNodes(OSMXmlWriter& writer, OSMData& data);
    static void writeWays(OSMXmlWriter& writer, OSMData& data);
    static void writeRelations(OSMXmlWriter& writer, OSMData& data);

    // Folder of the network file, relative to the working directory.
    static const QString outputDir;

Q_SIGNALS:
    void message(QString msg);
    void processingDone();
    // While a file is read: how many of its bytes (see inputBytes()) are done. Each file begins
    // with done = 0 and ends with done = total, whether or not it could be read.
    void bytesRead(qint64 done, qint64 total);

private:
    // The path the file is read from: its copy when it needs one (false, with `failure` told,
    // when that could not be made), else the path itself.
    bool readablePath(const QString& filePath, QString& path, QString& failure);
    // False when the writer failed.
    bool writeDocument(NoClobberFile& file, OSMData& data, NetworkFormat format);
    // How often each file is read: twice when a first pass gathers what the second keeps.
    int passes() const { return clipped || routeRoads ? 2 : 1; }

    bool clipped = false;
    BoundingBox clipBox;
    bool bounded = false;
    BoundingBox bounds;
    // The union of the areas the inputs name, while every input read names one.
    int inputsRead = 0;
    int inputsBounded = 0;
    BoundingBox inputBounds;
    // Every file parseFile() opened, in order: the input of the network.
    std::vector<QString> parsedPaths;
    QString writtenPath;
    OSMFileFormat::Kind inputFormat = OSMFileFormat::Unknown;
    std::unique_ptr<RouteRoads> routeRoads; // null: the roads of routes are not kept
    QString outputPath;
    bool overwriteOutput = false;
    OSMFileFormat::Kind outputKind = OSMFileFormat::Xml;
    QString copyFolder; // empty: inputs are read as they are
    bool copiesReadAgain = false;
    std::vector<std::unique_ptr<InputCopy>> copies;
    std::unique_ptr<KeptObjects> collected; // for the osm format, filled while reading
};

#endif
