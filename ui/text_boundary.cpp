#include "ui/text_boundary.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

namespace zelvo {

namespace {

constexpr char encodingName[] = "GB18030";

}  // namespace

QString toQString(std::string_view text) {
    QStringDecoder decoder(encodingName);
    return decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

Text toText(const QString& string) {
    QStringEncoder encoder(encodingName);
    const qsizetype end = string.indexOf(QChar(u'\0'));
    const QByteArray bytes = encoder.encode(end < 0 ? QStringView(string) : QStringView(string).left(end));
    return bytes.toStdString();
}

}  // namespace zelvo
