// Latin-1 conversion between the windows and the document.
#include "Text_bridge.h"

#include <QFile>

QString to_qstring(const char* latin1) {
    return latin1 == nullptr ? QString() : QString::fromLatin1(latin1);
}

QString to_qstring(const std::string& latin1) {
    return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()));
}

bool is_latin1(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF) return false;
    return true;
}

std::string to_latin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString file_text(const std::string& file_name) {
    return QFile::decodeName(QByteArray::fromStdString(file_name));
}

std::string file_bytes(const QString& file_name) {
    return QFile::encodeName(file_name).toStdString();
}
