#include "ui/qt/text_boundary.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

namespace zelvo {

namespace {

constexpr char encodingName[] = "GB18030";

}  // namespace

QString toQString(std::string_view text) {
    QStringDecoder decoder(encodingName);
    QString string = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    // The decoder holds back a lead byte at the very end while it waits for a second byte. A zero
    // byte, never part of a text, flushes it as U+FFFD; the zero's own U+0000 is then dropped.
    string += decoder.decode(QByteArrayView("\0", 1));
    string.chop(1);
    return string;
}

Text toText(const QString& string) {
    QStringEncoder encoder(encodingName);
    const qsizetype end = string.indexOf(QChar(u'\0'));
    const QByteArray bytes = encoder.encode(end < 0 ? QStringView(string) : QStringView(string).left(end));
    return bytes.toStdString();
}

}  // namespace zelvo
