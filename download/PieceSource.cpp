#include "download/PieceSource.h"

QByteArray PieceSource::postData(const QRect&) const
{
    return QByteArray();
}
