#include "download/PieceSource.h"

QByteArray PieceSource::postData(const QRect&) const
{
    return QByteArray();
}

QString PieceSource::arrivalNote(const QByteArray&) const
{
    return QString();
}
