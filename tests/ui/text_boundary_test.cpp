#include "ui/text_boundary.h"

#include <QTest>

using zelvo::Text;
using zelvo::toQString;
using zelvo::toText;

class TextBoundaryTest : public QObject {
    Q_OBJECT

  private slots:
    void convertsBothWays_data() {
        QTest::addColumn<QString>("string");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << QStringLiteral("<div>1920</div>") << QByteArray("<div>1920</div>");
        QTest::newRow("gbk") << QStringLiteral("生成专业版")
                             << QByteArray("\xC9\xFA\xB3\xC9\xD7\xA8\xD2\xB5\xB0\xE6");
        QTest::newRow("full-width brackets") << QStringLiteral("（950）")
                                             << QByteArray(
                                                    "\xA3\xA8"
                                                    "950\xA3\xA9");
        // Outside GBK: an emoji and an extension-B ideograph keep their four-byte GB18030 forms.
        QTest::newRow("emoji") << QStringLiteral("a😀b")
                               << QByteArray(
                                      "a\x94\x39\xFC\x36"
                                      "b");
        QTest::newRow("rare ideograph") << QStringLiteral("𠀀") << QByteArray("\x95\x32\x82\x36");
    }

    void convertsBothWays() {
        QFETCH(QString, string);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QByteArray::fromStdString(toText(string)), bytes);
        QCOMPARE(toQString(bytes.toStdString()), string);
    }

    // Bytes that are not GBK show as U+FFFD, one for each bad byte or unfinished character, and
    // nothing else of the text is lost.
    void badBytesBecomeReplacementCharacters_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("string");
        const QString bad(QChar(0xFFFD));
        QTest::newRow("0x80") << QByteArray(
                                     "a\x80"
                                     "b")
                              << QStringLiteral("a") + bad + QStringLiteral("b");
        QTest::newRow("0xFF") << QByteArray(
                                     "a\xFF"
                                     "b")
                              << QStringLiteral("a") + bad + QStringLiteral("b");
        QTest::newRow("lone lead byte at the end") << QByteArray("ab\x81") << QStringLiteral("ab") + bad;
    }

    void badBytesBecomeReplacementCharacters() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, string);
        QCOMPARE(toQString(bytes.toStdString()), string);
    }

    void textEndsBeforeAZeroCharacter() {
        QCOMPARE(toText(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd")), Text("ab"));
    }
};

QTEST_MAIN(TextBoundaryTest)
#include "text_boundary_test.moc"
