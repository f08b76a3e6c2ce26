#include "ui/qt/multi_line_box.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

using zelvo::MultiLineBox;

namespace {

constexpr qsizetype pieceLength = MultiLineBox::displayPieceLength;

QString repeated(const QString& unit, qsizetype length) {
    QString text;
    while (text.size() < length) {
        text += unit;
    }
    return text.left(length);
}

// The longest paragraph of the box: what one layout of Qt's has to lay out at once.
qsizetype longestParagraph(const MultiLineBox& box) {
    qsizetype longest = 0;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        longest = std::max<qsizetype>(longest, block.length() - 1);
    }
    return longest;
}

}  // namespace

// The box shows long lines in display pieces, and every way of reading it gives the exact text.
class MultiLineBoxTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        box_ = std::make_unique<MultiLineBox>();
        box_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        box_->resize(600, 100);
        box_->show();
        QApplication::setActiveWindow(box_.get());
        QVERIFY(QTest::qWaitForWindowActive(box_.get()));
        box_->setFocus();
    }

    void textComesBackExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("paragraphs");  // at least

        const QString word = repeated(QStringLiteral("iVBORw0KGgo"), 5 * pieceLength + 7);
        const QString spaced = repeated(QStringLiteral("<a href=\"#\">x</a> "), 5 * pieceLength);
        // Surrogate pairs across every piece boundary: an odd offset before a run of emoji.
        const QString emoji = QStringLiteral("a") + repeated(QStringLiteral("😀"), 3 * pieceLength);
        const QString exact = repeated(QStringLiteral("x"), pieceLength);

        QTest::newRow("empty") << QString() << QString() << 1;
        QTest::newRow("short lines and every line break")
            << QStringLiteral("a\r\nb\rc\nd\u2029e\u2028f\u00A0\n")
            << QStringLiteral("a\nb\nc\nd\ne\u2028f\u00A0\n") << 6;
        QTest::newRow("one long word") << word << word << 6;
        QTest::newRow("one long spaced line") << spaced << spaced << 5;
        QTest::newRow("emoji across the pieces") << emoji << emoji << 3;
        QTest::newRow("a line of exactly one piece") << exact << exact << 1;
        QTest::newRow("long lines between short ones")
            << QStringLiteral("top\n") + word + QStringLiteral("\n\n") + spaced + QStringLiteral("\nend")
            << QStringLiteral("top\n") + word + QStringLiteral("\n\n") + spaced + QStringLiteral("\nend")
            << 14;
    }

    void textComesBackExactly() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(int, paragraphs);

        box_->setText(text);

        QCOMPARE(box_->text(), expected);
        QVERIFY(box_->document()->blockCount() >= paragraphs);
        QVERIFY(longestParagraph(*box_) <= pieceLength);
        for (QTextBlock block = box_->document()->begin(); block.isValid(); block = block.next()) {
            const QString piece = block.text();
            QVERIFY2(piece.isEmpty() || (!piece.front().isLowSurrogate() && !piece.back().isHighSurrogate()),
                     "a piece boundary splits a surrogate pair");
        }
        box_->selectAll();
        box_->copy();
        QCOMPARE(QApplication::clipboard()->text(), expected);
    }

    // A selection that spans display breaks copies and cuts the characters the user sees, and
    // nothing in their place.
    void partOfALongLineIsCopiedAndCutExactly() {
        const QString line = repeated(QStringLiteral("0123456789"), 3 * pieceLength);
        box_->setText(QStringLiteral("head\n") + line);
        const int firstPiece = box_->document()->findBlockByNumber(1).position();
        QTextCursor cursor = box_->textCursor();
        cursor.setPosition(firstPiece + pieceLength - 5);
        cursor.setPosition(box_->document()->findBlockByNumber(3).position() + 5, QTextCursor::KeepAnchor);
        box_->setTextCursor(cursor);

        box_->copy();
        const QString copied = line.mid(pieceLength - 5, pieceLength + 10);
        QCOMPARE(QApplication::clipboard()->text(), copied);

        box_->cut();
        QCOMPARE(QApplication::clipboard()->text(), copied);
        QCOMPARE(box_->text(),
                 QStringLiteral("head\n") + line.left(pieceLength - 5) + line.mid(2 * pieceLength + 5));
    }

    // A paste is shown in pieces too, and one undo takes it back whole.
    void aLongPasteIsExactAndUndoneWhole() {
        box_->setText(QStringLiteral("<div>\n</div>"));
        const QString image = repeated(QStringLiteral("QUJD"), 4 * pieceLength) + QStringLiteral("\nnext");
        QApplication::clipboard()->setText(image);
        QTextCursor cursor = box_->textCursor();
        cursor.setPosition(5);
        box_->setTextCursor(cursor);

        QTest::keyClick(box_.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box_->text(), QStringLiteral("<div>") + image + QStringLiteral("\n</div>"));
        QVERIFY(longestParagraph(*box_) <= pieceLength + 5);

        QTest::keyClick(box_.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box_->text(), QStringLiteral("<div>\n</div>"));
        QTest::keyClick(box_.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box_->text(), QStringLiteral("<div>") + image + QStringLiteral("\n</div>"));
    }

    // Enter is always a real line break, also inside a piece, at a piece's start or end, and with
    // Shift (which would otherwise put a U+2028 into the code).
    void enterBreaksTheLineWhereTheUserPressesIt_data() {
        QTest::addColumn<int>("offset");  // from the start of the second piece
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("inside a piece") << 10 << Qt::KeyboardModifiers();
        QTest::newRow("at a piece's start") << 0 << Qt::KeyboardModifiers();
        QTest::newRow("at a piece's end") << -1 << Qt::KeyboardModifiers();
        QTest::newRow("Shift+Enter") << 10 << Qt::KeyboardModifiers(Qt::ShiftModifier);
    }

    void enterBreaksTheLineWhereTheUserPressesIt() {
        QFETCH(int, offset);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        const QString line = repeated(QStringLiteral("abcdefghij"), 3 * pieceLength);
        box_->setText(line);
        const QTextBlock second = box_->document()->findBlockByNumber(1);
        QTextCursor cursor = box_->textCursor();
        // At a piece's end: the end of the first piece, just before the display break.
        cursor.setPosition(offset < 0 ? second.position() - 1 : second.position() + offset);
        box_->setTextCursor(cursor);
        const qsizetype split = offset < 0 ? second.position() - 1 : second.position() - 1 + offset;

        QTest::keyClick(box_.get(), Qt::Key_Return, modifiers);

        QCOMPARE(box_->text(), line.left(split) + u'\n' + line.mid(split));
    }

    // Backspace and Delete next to a display break delete the neighbouring character, as if the
    // break were not there.
    void deletingNextToADisplayBreakDeletesACharacter() {
        const QString line = repeated(QStringLiteral("abcdefghij"), 2 * pieceLength);
        box_->setText(line);
        const int secondPiece = box_->document()->findBlockByNumber(1).position();
        QTextCursor cursor = box_->textCursor();
        cursor.setPosition(secondPiece);
        box_->setTextCursor(cursor);

        QTest::keyClick(box_.get(), Qt::Key_Backspace);
        QString expected = line;
        expected.remove(pieceLength - 1, 1);
        QCOMPARE(box_->text(), expected);

        box_->setText(line);
        cursor = box_->textCursor();
        cursor.setPosition(box_->document()->findBlockByNumber(1).position() - 1);
        box_->setTextCursor(cursor);
        QTest::keyClick(box_.get(), Qt::Key_Delete);
        expected = line;
        expected.remove(pieceLength, 1);
        QCOMPARE(box_->text(), expected);
    }

  private:
    std::unique_ptr<MultiLineBox> box_;
};

QTEST_MAIN(MultiLineBoxTest)
#include "multi_line_box_test.moc"
