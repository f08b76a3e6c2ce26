#pragma once

// The preview page "yl.htm": written by each generation next to the program, or, where the
// program's directory cannot be written (an installed program, a read-only folder), in a private
// folder of the user's own in the system's temporary directory. 预览结果 opens the file that was
// written; closing deletes it. No operation reports a failure to the user, throws or blocks.

#include <optional>
#include <string>

#include "generator/text_rules.h"

namespace zelvo {

// The absolute directory of the running executable, as the raw bytes of its path in the file
// system (whatever their encoding), without a trailing separator: the root directory is the empty
// string. Nothing when the executable's path cannot be read.
std::optional<std::string> programDirectory();

// The system's temporary directory: $TMPDIR when it is an absolute path, otherwise /tmp.
std::string temporaryDirectory();

class PreviewFile {
  public:
    // `directory` as programDirectory() gives it; without one, only the private folder is used.
    // The private folder is created in `temporaryDirectory` when it is first needed.
    explicit PreviewFile(std::optional<std::string> directory,
                         std::string temporaryDirectory = zelvo::temporaryDirectory());

    // The program directory, a separator, then "yl.htm"; the private folder's file when the
    // program directory is unknown.
    std::string path() const;
    // The file in the private per-user folder: the temporary directory, "zelvo-fullscreen-" and
    // the user id, then "yl.htm".
    std::string privatePath() const;
    // What 预览结果 opens: the file the last successful write went to, otherwise path().
    std::string openedPath() const;

    // Creates the file or cuts it to zero length, then writes exactly `bytes`: next to the program
    // when its directory can be written, otherwise in the private folder, which is created with
    // mode 0700 and refused when it exists and is not a directory of this user's that only this
    // user may enter. Writes only to a regular file: never follows a symbolic link at the path and
    // never blocks on a FIFO. True when every byte was written; after a failed write part-way the
    // file keeps what was written so far.
    bool write(const Bytes& bytes);

    // Asks the desktop to open openedPath() with its default handler and returns at once, without
    // checking that the file exists or examining the outcome.
    void open() const;

    // Deletes the directory entry at path() (a symbolic link itself, never its target), and the
    // private folder's file when this run wrote one; ignores the outcome.
    void remove() const;

  private:
    // True when the program's directory exists and this user may not write it.
    bool programDirectoryRefusesWrites() const;
    std::string privateFolder() const;

    std::optional<std::string> directory_;
    std::string temporaryDirectory_;
    std::optional<std::string> written_;
};

}  // namespace zelvo
