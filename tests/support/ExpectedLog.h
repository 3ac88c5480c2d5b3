#ifndef TESTS_SUPPORT_EXPECTEDLOG_H
#define TESTS_SUPPORT_EXPECTEDLOG_H

// The texts a processing run writes into its log, for the tests that check a log: exact
// texts where a line is known to the byte, regular expressions where a line varies (the
// progress dots of a request, the date in a file name). A piece is named "W-S-E-N", as in
// its file name.
#include <QString>
#include <QStringList>

namespace ExpectedLog {

QString piecePath(const QString& piece); // "data/download/W-S-E-N.osm"

// Exact texts.
QString total(int pieces); // "Total 8 files to be requested...\n"
// "Request: \"api.openstreetmap.org?/api/0.6/mapbbox=W,S,E,N\" ", the line of one request,
// which its progress dots and " Done\n" complete.
QString requestLine(const QString& piece);
QString foundLine(const QString& piece);
QString processingLine(const QString& path, bool opens = true);
// The same as the messages it is made of: "Processing file: \"path\"...", then " OK\n" or
// " opening failed!\n" (after the reader's error text and "\n" when the file is broken).
QString processingStart(const QString& path);
QString readOk();
QString openingFailed();
// "Creating output file: \"path\"... ", completed by the summary.
QString creating(const QString& path);
QString summary(int nodes, int busStops, int tramStops, int ways, int routes);
QString emptySummary();
// The two messages that begin and end reading a folder.
QString dirStart(const QString& dir);
QString dirSummary(int ways, int nodes, int busStops, int tramStops, int routes);

// Regular expressions.
QString escaped(const QString& text);
// A request and its dots: with `arrives`, dots and " Done\n"; otherwise whatever progress a
// failed reply made, and maybe no line end.
QString requestPattern(const QString& piece, bool arrives);
// The reading of a piece file of the download folder.
QString processingPattern(const QString& piece, bool opens = true);
QString summaryPattern(int nodes, int busStops, int tramStops, int ways, int routes);
// "Creating output file: ..." with the network file's path as the first capture; `complete`
// false for the name of an incomplete download.
QString creatingPattern(bool complete = true);
QString anySummaryPattern();
// A failed try that is waited out: the request, whose line a failed reply may leave open,
// then the wait on a line of its own.
QString waitPattern(const QString& piece, const QString& waitLine);
QString busyWait(int status, int seconds);
QString noAnswerWait(int seconds);
// An answer that came but was no whole OpenStreetMap document (`reason` is exact text).
QString unusableWait(const QString& reason, int seconds);
// "File at local storage is not a whole piece: ..." of a piece whose file is fetched again.
QString notWholeLine(const QString& piece);
// The end of a download that stopped at `failed` (its reason a regular expression): that
// piece, then the ones never asked for, then the count of the missing and of all pieces.
QString incompletePattern(const QString& failed, const QString& reason, const QStringList& notRequested, int total);
// The end of a download with pieces missing for the reasons given (regular expressions), in
// that order.
QString missingPattern(const QStringList& pieces, const QStringList& reasons, int total);

} // namespace ExpectedLog

#endif
