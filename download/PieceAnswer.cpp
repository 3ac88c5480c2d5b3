#include "download/PieceAnswer.h"

#include "download/PieceStore.h"

void PieceAnswer::begin(const QByteArray& contentEncoding, bool success)
{
    decoder.reset(new ContentDecoder(contentEncoding, PieceStore::maxPieceBytes()));
    check.reset(success ? new OSMDocumentCheck : nullptr);
    decoding = true;
    bytes.clear();
    undecodable.clear();
    checked = OSMDocumentCheck::Outcome::Empty;
    checkProblem.clear();
}

void PieceAnswer::keep(const char* data, qint64 size)
{
    if (!decoding)
        return;
    if (!check) {
        bytes.append(data, int(qMin<qint64>(size, headBytes - bytes.size())));
        decoding = bytes.size() < headBytes;
        return;
    }
    if (check->feed(data, size)) {
        bytes.append(data, int(size));
        return;
    }
    // It cannot be the piece any more: the rest is not inflated, and only the head is kept.
    decoding = false;
    bytes.truncate(headBytes);
}

bool PieceAnswer::take(const QByteArray& raw)
{
    if (!decoding || raw.isEmpty())
        return true;
    if (decoder->decode(raw, [this](const char* data, qint64 size) { keep(data, size); }))
        return true;
    if (decoder->state() == ContentDecoder::State::TooLarge)
        return false;
    // A body that does not inflate is not the piece, but the transfer ends as it would: its
    // log line is the same however the bytes came.
    if (check)
        undecodable = decoder->errorString();
    decoding = false;
    return true;
}

void PieceAnswer::finish()
{
    if (decoding && !decoder->finish() && check && decoder->state() == ContentDecoder::State::Failed)
        undecodable = decoder->errorString();
    decoding = false;
    if (check) {
        checked = check->finish();
        checkProblem = check->problem();
    }
}

bool PieceAnswer::isTooLarge() const
{
    return decoder && decoder->state() == ContentDecoder::State::TooLarge;
}
