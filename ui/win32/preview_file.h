#pragma once

// The preview page "yl.htm": written by each generation next to the program, or, where the
// program's directory cannot be written (Program Files, a read-only folder), in a folder of the
// program's own in the user's temporary directory. 预览结果 opens the file that was written;
// closing deletes it. No operation reports a failure to the user, throws or blocks.

#include <optional>
#include <string>

#include "generator/text_rules.h"

namespace zelvo {

// The directory of the running executable (GetModuleFileNameW cut at its last backslash), without
// a trailing separator, so a program in a drive's root gives "C:". Nothing when it cannot be read.
std::optional<std::wstring> programDirectory();

// The user's temporary directory (GetTempPathW) without its trailing backslash.
std::wstring temporaryDirectory();

class PreviewFile {
  public:
    // `directory` as programDirectory() gives it; without one, only the private folder is used.
    explicit PreviewFile(std::optional<std::wstring> directory,
                         std::wstring temporaryDirectory = zelvo::temporaryDirectory());

    // The program directory, a backslash, then "yl.htm"; the private folder's file when the
    // program directory is unknown.
    std::wstring path() const;
    // The temporary directory, "\zelvo-fullscreen\yl.htm".
    std::wstring privatePath() const;
    // What 预览结果 opens: the file the last successful write went to, otherwise path().
    std::wstring openedPath() const;

    // Creates the file or cuts it to zero length, then writes exactly `bytes`, opened for this
    // program's use alone: next to the program when its directory can be written, otherwise in the
    // private folder. Writes only to a regular file: never through a reparse point (a symbolic
    // link or junction) at the path. True when every byte was written.
    bool write(const Bytes& bytes);

    // Asks the shell to open openedPath() with its default handler ("open", SW_SHOWNORMAL) and
    // returns at once, without checking that the file exists or examining the outcome.
    void open() const;

    // Deletes path(), and the private folder's file when this run wrote one; ignores the outcome.
    void remove() const;

  private:
    std::optional<std::wstring> directory_;
    std::wstring temporaryDirectory_;
    std::optional<std::wstring> written_;
};

}  // namespace zelvo
