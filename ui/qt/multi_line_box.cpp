#include "ui/qt/multi_line_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <memory>
#include <vector>

namespace zelvo {

namespace {

// Set on the block format of a paragraph that continues the line of the paragraph before it.
// Block formats travel with the paragraphs through every edit and through undo and redo.
constexpr int continuesLineProperty = QTextFormat::UserProperty + 1;

QTextBlockFormat continuing(QTextBlockFormat format, bool continues) {
    if (continues) {
        format.setProperty(continuesLineProperty, true);
    } else {
        format.clearProperty(continuesLineProperty);
    }
    return format;
}

// The characters that the document itself turns into paragraph breaks: the line breaks, and the
// two frame marks, which no text of a plain box can hold otherwise.
bool isLineBreak(QChar character) {
    return character == u'\n' || character == u'\r' || character == QChar::ParagraphSeparator ||
           character == QChar(0xFDD0) || character == QChar(0xFDD1);
}

// Where the display piece of `line` that starts at `start` ends.
qsizetype pieceEnd(QStringView line, qsizetype start) {
    const qsizetype limit = start + MultiLineBox::displayPieceLength;
    if (limit >= line.size()) {
        return line.size();
    }
    // After a space in the piece's last quarter, so that a word stays whole where it can.
    const qsizetype window = MultiLineBox::displayPieceLength / 4;
    const qsizetype space = line.mid(limit - window, window).lastIndexOf(u' ');
    if (space >= 0) {
        return limit - window + space + 1;
    }
    // Never between the two halves of a surrogate pair.
    return line[limit - 1].isHighSurrogate() ? limit - 1 : limit;
}

// A text as the box's paragraphs: lines and display pieces joined by U+2029, and the numbers of
// the paragraphs that continue the one before them, in order.
struct Paragraphs {
    QString text;
    std::vector<int> continuations;
};

Paragraphs paragraphsOf(QStringView text) {
    Paragraphs paragraphs;
    paragraphs.text.reserve(text.size() + text.size() / MultiLineBox::displayPieceLength + 1);
    int number = 0;
    qsizetype lineStart = 0;
    for (;;) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < text.size() && !isLineBreak(text[lineEnd])) {
            ++lineEnd;
        }
        const QStringView line = text.mid(lineStart, lineEnd - lineStart);
        for (qsizetype start = 0; start < line.size();) {
            if (start > 0) {
                paragraphs.text += QChar::ParagraphSeparator;
                paragraphs.continuations.push_back(++number);
            }
            const qsizetype end = pieceEnd(line, start);
            paragraphs.text += line.mid(start, end - start);
            start = end;
        }
        if (lineEnd == text.size()) {
            return paragraphs;
        }
        paragraphs.text += QChar::ParagraphSeparator;
        ++number;
        const bool crLf = text[lineEnd] == u'\r' && lineEnd + 1 < text.size() && text[lineEnd + 1] == u'\n';
        lineStart = lineEnd + (crLf ? 2 : 1);
    }
}

// False when no paragraph of the document can be a display piece: the format that marks them
// has never been made.
bool mayHoldDisplayBreaks(const QTextDocument& document) {
    const QList<QTextFormat> formats = document.allFormats();
    return std::any_of(formats.begin(), formats.end(),
                       [](const QTextFormat& format) { return format.hasProperty(continuesLineProperty); });
}

}  // namespace

MultiLineBox::MultiLineBox(QWidget* parent) : QPlainTextEdit(parent) {}

bool MultiLineBox::continuesLine(const QTextBlock& block) {
    return block.isValid() && block.blockFormat().boolProperty(continuesLineProperty);
}

void MultiLineBox::setText(QStringView text) {
    const Paragraphs paragraphs = paragraphsOf(text);
    QPlainTextEdit::setPlainText(paragraphs.text);
    if (paragraphs.continuations.empty()) {
        return;
    }
    QTextDocument* document = this->document();
    const bool undoRedo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor edit(document);
    edit.beginEditBlock();
    for (const int number : paragraphs.continuations) {
        QTextCursor paragraph(document->findBlockByNumber(number));
        paragraph.setBlockFormat(continuing(paragraph.blockFormat(), true));
    }
    edit.endEditBlock();
    document->setUndoRedoEnabled(undoRedo);
}

QString MultiLineBox::text() const {
    return text(0, document()->characterCount() - 1);
}

QString MultiLineBox::text(int from, int to) const {
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    // The document's own characters, paragraph breaks as U+2029; toPlainText() would also turn
    // non-breaking spaces into spaces.
    QString raw = range.selectedText();
    if (!mayHoldDisplayBreaks(*document())) {
        return raw.replace(QChar::ParagraphSeparator, u'\n');
    }
    QString exact;
    exact.reserve(raw.size());
    int copied = from;
    for (QTextBlock block = document()->findBlock(from).next(); block.isValid() && block.position() <= to;
         block = block.next()) {
        const int paragraphBreak = block.position() - 1;
        exact += QStringView(raw).mid(copied - from, paragraphBreak - copied);
        if (!continuesLine(block)) {
            exact += u'\n';
        }
        copied = paragraphBreak + 1;
    }
    exact += QStringView(raw).mid(copied - from);
    return exact;
}

QMimeData* MultiLineBox::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto data = std::make_unique<QMimeData>();
    data->setText(text(cursor.selectionStart(), cursor.selectionEnd()));
    // The caller owns it, as with the base class's own.
    return data.release();
}

void MultiLineBox::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || source == nullptr || !source->hasText()) {
        return;
    }
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertInPieces(cursor, source->text());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void MultiLineBox::keyPressEvent(QKeyEvent* event) {
    if (!isReadOnly()) {
        const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
        // Shift+Enter too: a line separator inside the paragraph would reach the code as U+2028.
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
            insertLineBreak();
            event->accept();
            return;
        }
        if ((event->key() == Qt::Key_Backspace && plain && deleteAcrossDisplayBreak(false)) ||
            (event->matches(QKeySequence::Delete) && deleteAcrossDisplayBreak(true))) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MultiLineBox::insertInPieces(QTextCursor& cursor, QStringView text) {
    const QTextBlockFormat realBreak = continuing(cursor.blockFormat(), false);
    const QTextBlockFormat displayBreak = continuing(cursor.blockFormat(), true);
    const Paragraphs paragraphs = paragraphsOf(text);
    auto continuation = paragraphs.continuations.begin();
    int number = 0;
    for (const QStringView paragraph :
         QStringView(paragraphs.text).tokenize(QChar(QChar::ParagraphSeparator))) {
        if (number > 0) {
            const bool continues = continuation != paragraphs.continuations.end() && *continuation == number;
            cursor.insertBlock(continues ? displayBreak : realBreak);
            continuation += continues ? 1 : 0;
        }
        cursor.insertText(paragraph.toString());
        ++number;
    }
}

void MultiLineBox::insertLineBreak() {
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    // A new paragraph takes the format of the one it splits: never the display break's mark.
    cursor.insertBlock(continuing(cursor.blockFormat(), false));
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool MultiLineBox::deleteAcrossDisplayBreak(bool forward) {
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        return false;
    }
    if (forward ? !(cursor.atBlockEnd() && continuesLine(cursor.block().next()))
                : !(cursor.atBlockStart() && continuesLine(cursor.block()))) {
        return false;
    }
    // The display break is not part of the text: the key deletes the character beyond it.
    cursor.beginEditBlock();
    for (int i = 0; i < 2; ++i) {
        if (forward) {
            cursor.deleteChar();
        } else {
            cursor.deletePreviousChar();
        }
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

}  // namespace zelvo
