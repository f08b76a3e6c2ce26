#pragma once

// The form's multi-line edit box (编辑框4 and 编辑框6), made to stay responsive with very long
// lines. Qt lays a paragraph out whole, even with wrapping off: one pasted line of a few megabytes
// (a base64 image, a minified page) froze the window for seconds. This box shows a line longer than
// `displayPieceLength` characters as several paragraphs, its display pieces, and marks the breaks
// between them as its own. Everything that reads the box sees the exact text without those breaks:
// text(), copy, cut, a drag and the X11 selection. The user edits as usual; a line break the user
// types or pastes is always a real one.

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

class QMimeData;
class QTextBlock;

namespace zelvo {

class MultiLineBox final : public QPlainTextEdit {
    Q_OBJECT

  public:
    // The longest line that is shown as one paragraph. Laying it out takes well under a
    // millisecond; a break inside a piece's last quarter falls after a space where there is one.
    static constexpr qsizetype displayPieceLength = 1024;

    explicit MultiLineBox(QWidget* parent = nullptr);

    // Replaces the whole text; each line break in it ("\n", "\r\n", "\r", U+2029) becomes a
    // paragraph of the box. Clears the undo history.
    void setText(QStringView text);
    // The whole text, each of the user's paragraph breaks as "\n" and the display breaks left out;
    // every other character as it is, U+2028 and non-breaking spaces included.
    QString text() const;
    // The exact text between two positions of the document.
    QString text(int from, int to) const;

    // Whether the paragraph continues the one before it on the same line, behind a display break.
    static bool continuesLine(const QTextBlock& block);

  protected:
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Inserts the text at the cursor, its long lines in display pieces, its line breaks as real
    // paragraph breaks.
    static void insertInPieces(QTextCursor& cursor, QStringView text);
    // Deletes across a display break as if it were not there; false when none is at the cursor.
    bool deleteAcrossDisplayBreak(bool forward);
    void insertLineBreak();
};

}  // namespace zelvo
