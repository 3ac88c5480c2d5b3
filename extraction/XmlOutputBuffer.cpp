#include "extraction/XmlOutputBuffer.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>

XmlOutputBuffer::XmlOutputBuffer(std::size_t capacity)
    : bytes(new char[capacity])
    , capacity(capacity)
{
}

void XmlOutputBuffer::grow(std::size_t needed)
{
    const std::size_t larger = std::max(needed, 2 * capacity);
    std::unique_ptr<char[]> moved(new char[larger]);
    std::memcpy(moved.get(), bytes.get(), used);
    bytes.swap(moved);
    capacity = larger;
}

void XmlOutputBuffer::appendNumber(qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append(std::string_view(digits, std::size_t(end - digits)));
}

// QString::number(value, 'f', 7) rounds the exact binary value correctly. For a
// coordinate (|value| <= 1000) value * 10^7 is computed with an error below 2e-6, so
// rounding it to an integer gives the same digits, unless the exact value lies close
// to halfway between two results (ties and near-ties) or the result is a zero with a
// minus sign; those few take Qt's own conversion.
bool XmlOutputBuffer::appendExactCoordinate(double value)
{
    if (!(std::fabs(value) <= 1000.0))
        return false;
    const double scaled = value * 1e7;
    const double below = std::floor(scaled);
    const double fraction = scaled - below;
    if (std::fabs(fraction - 0.5) < 1e-5)
        return false;
    const qint64 units = qint64(below) + (fraction > 0.5 ? 1 : 0);
    if (units == 0 && std::signbit(value))
        return false;
    const quint64 magnitude = units < 0 ? quint64(-units) : quint64(units);
    char text[32];
    char* end = text + sizeof text;
    char* p = end;
    quint64 rest = magnitude;
    for (int digit = 0; digit < 7; ++digit) {
        *--p = char('0' + rest % 10);
        rest /= 10;
    }
    *--p = '.';
    do {
        *--p = char('0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (units < 0)
        *--p = '-';
    append(std::string_view(p, std::size_t(end - p)));
    return true;
}

void XmlOutputBuffer::appendCoordinate(double value)
{
    if (!appendExactCoordinate(value))
        append(std::string_view(QByteArray::number(value, 'f', 7).constData()));
}

namespace {

// The length of the well-formed UTF-8 sequence of a character from U+0080 up at `bytes`, 0 for
// a malformed one and for U+FFFE and U+FFFF, which XML does not allow.
std::size_t sequenceLength(const unsigned char* bytes, std::size_t available)
{
    const unsigned char lead = bytes[0];
    const auto continues = [&](std::size_t length, unsigned char low, unsigned char high) {
        if (available < length || bytes[1] < low || bytes[1] > high)
            return false;
        for (std::size_t i = 2; i < length; ++i)
            if ((bytes[i] & 0xC0) != 0x80)
                return false;
        return true;
    };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continues(2, 0x80, 0xBF) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms (E0 80..9F), no surrogates (ED A0..BF).
        const bool formed = continues(3, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF);
        return formed && !(lead == 0xEF && bytes[1] == 0xBF && bytes[2] >= 0xBE) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4)
        return continues(4, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF) ? 4 : 0;
    return 0;
}

// The reference that stands for an ASCII character in an attribute value, null for one that
// stands for itself.
const char* reference(unsigned char c)
{
    switch (c) {
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '&': return "&amp;";
    case '"': return "&quot;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    default: return nullptr;
    }
}

} // namespace

bool XmlOutputBuffer::appendEscaped(std::string_view utf8)
{
    // One pass: runs of characters that stand for themselves (well-formed UTF-8 as it is) are
    // copied whole, the markup characters and tab, line feed and carriage return become
    // references. Anything else (another control character, U+FFFE or U+FFFF, malformed
    // UTF-8) takes QXmlStreamWriter's way for the whole text.
    const std::size_t start = used;
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = bytes[i];
        if (c >= 0x80) {
            const std::size_t length = sequenceLength(bytes + i, utf8.size() - i);
            if (length == 0) {
                used = start;
                return appendEscapedAsQt(utf8);
            }
            i += length;
            continue;
        }
        const char* entity = reference(c);
        if (!entity) {
            if (c < 0x20) {
                used = start;
                return appendEscapedAsQt(utf8);
            }
            ++i;
            continue;
        }
        append(utf8.substr(run, i - run));
        append(std::string_view(entity));
        run = ++i;
    }
    append(utf8.substr(run));
    return true;
}

bool XmlOutputBuffer::appendEscapedAsQt(std::string_view utf8)
{
    // QXmlStreamWriter's way: decoded to UTF-16, escaped character
    // by character (line ends and tabs as character references; other control
    // characters and U+FFFE, U+FFFF dropped with an error) and encoded again.
    const QString text = QString::fromUtf8(utf8.data(), int(utf8.size()));
    bool carried = true;
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '<': escaped += QLatin1String("&lt;"); break;
        case '>': escaped += QLatin1String("&gt;"); break;
        case '&': escaped += QLatin1String("&amp;"); break;
        case '"': escaped += QLatin1String("&quot;"); break;
        case '\t': escaped += QLatin1String("&#9;"); break;
        case '\n': escaped += QLatin1String("&#10;"); break;
        case '\r': escaped += QLatin1String("&#13;"); break;
        default:
            if (c.unicode() > 0x1f && c.unicode() < 0xfffe)
                escaped += c;
            else
                carried = false;
        }
    }
    const QByteArray encoded = escaped.toUtf8();
    append(std::string_view(encoded.constData(), std::size_t(encoded.size())));
    return carried;
}
