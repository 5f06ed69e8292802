#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace dustrel {

// The program keeps names and paths as the bytes the system gives. For display they are read as UTF-8,
// with invalid bytes replaced; the bytes themselves travel next to the text (see kBytesRole) so that
// nothing the user picks is rewritten.
inline QString toQString(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string toBytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

inline QByteArray toByteArray(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string fromByteArray(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The item-data role under which list items keep the exact bytes of their text.
constexpr int kBytesRole = Qt::UserRole + 1;

} // namespace dustrel
