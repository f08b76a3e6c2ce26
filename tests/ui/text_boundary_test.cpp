#include "ui/qt/text_boundary.h"

#include <QTest>

#include "window/window_texts.h"

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

    // Every text the window writes, decoded as a control would show it.
    void windowTextsReadAsTheChineseTheyStandFor_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, std::string_view text, const QString& shown) {
            QTest::newRow(name) << QByteArray(text.data(), static_cast<qsizetype>(text.size())) << shown;
        };
        row("success", zelvo::successText,
            QStringLiteral("恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！"));
        row("waiting", zelvo::waitingText,
            QStringLiteral("正在读取服务器文件，请稍候数秒再试，不影响您配置代码！"));
        row("first caption", zelvo::firstGenerateCaption, QStringLiteral("生成并复制"));
        row("busy caption", zelvo::busyGenerateCaption, QStringLiteral("使劲生成中"));
        row("done caption", zelvo::doneGenerateCaption, QStringLiteral("生成与复制"));
        row("professional", zelvo::inputCaptions[0], QStringLiteral("代码输入（将生成好的代码安装到950区）"));
        row("basic", zelvo::inputCaptions[1],
            QStringLiteral("代码输入（将生成好的代码安装到750区,并生成点位符代码放190区）"));
        row("tmall", zelvo::inputCaptions[2], QStringLiteral("代码输入（将生成好的代码安装到990区）"));
    }

    void windowTextsReadAsTheChineseTheyStandFor() {
        QFETCH(QByteArray, text);
        QFETCH(QString, shown);
        QCOMPARE(toQString(text.toStdString()), shown);
    }

    void textEndsBeforeAZeroCharacter() {
        QCOMPARE(toText(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd")), Text("ab"));
    }
};

QTEST_MAIN(TextBoundaryTest)
#include "text_boundary_test.moc"
