#ifndef FUZZ_FUZZEXTRACTION_H
#define FUZZ_FUZZEXTRACTION_H

// One extraction of arbitrary bytes in the working directory, as the fuzz target and the
// regression tests run it: the bytes as one OSM file, the readers, the network file, and the
// rules that file must keep for any input. Runs in the calling thread.
#include <QByteArray>
#include <QString>
#include <QStringList>

class FuzzExtraction
{
public:
    // Name of the input file written into the working directory.
    static const QString inputName;

    // Writes input as inputName, reads it into fresh network data and writes the network file
    // under "./data/comp/" (creating "./data/" first). Every file written is removed again.
    // Returns what broke, or an empty text when the network file keeps every rule. The log
    // texts and whether a network file was written are handed out when asked for.
    static QString run(const QByteArray& input, QStringList* messages = nullptr, bool* written = nullptr);

    // The rules for a written network file: well-formed XML that ends with its root and a line
    // end, a root with version 0.6 and generator Pelagor, every nd ref names a node written
    // before it, no way or relation id twice. Empty text when they hold.
    static QString checkNetworkFile(const QByteArray& content);
};

#endif
