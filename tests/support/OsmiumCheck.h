#ifndef TESTS_SUPPORT_OSMIUMCHECK_H
#define TESTS_SUPPORT_OSMIUMCHECK_H

// Has osmium (Debian's osmium-tool) read a network file the way any OpenStreetMap
// program would, so tests can check that what the system writes is well-formed XML
// that other readers accept.
#include <QString>

namespace OsmiumCheck {

// The osmium program on the PATH, or an empty string when it is not installed.
QString program();
// What osmium reported reading every object of the network file as written; empty
// when it read the file without error.
QString readProblems(const QString& networkFile);
// What keeps a network file in standard OSM XML from being one that every OpenStreetMap
// program reads: osmium check-refs must find exactly `missingWayNodes` node references of
// ways without their node (a way is complete when the input had all its nodes), and osmium
// fileinfo must find the objects ordered by type and id, each once. Empty when all holds.
QString standardProblems(const QString& networkFile, int missingWayNodes = 0);

} // namespace OsmiumCheck

#endif
