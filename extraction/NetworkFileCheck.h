#ifndef EXTRACTION_NETWORKFILECHECK_H
#define EXTRACTION_NETWORKFILECHECK_H

// A network file checked in one call: read, checked and reported, for pelagor-check and
// for the --check of the programs that write network files. Any thread; runs in the caller.
#include <QString>
#include <cstddef>

class BoundingBox;

class NetworkFileCheck
{
public:
    enum class Format { Text, Json };

    // False when the file could not be read: `report` then says why in one line.
    // Otherwise `report` is the report in the format asked for, and `findings` its count.
    // `area`, where given, is the network's area in place of the file's bounds. `note`, when
    // given, gets the line that tells a file of history or of changesets alone (else empty).
    static bool check(const QString& path, Format format, QString& report, std::size_t& findings,
                      const BoundingBox* area = nullptr, QString* note = nullptr);
    // The readable report of the file, or the line saying why it could not be checked.
    static QString report(const QString& path, const BoundingBox* area = nullptr);
};

#endif
