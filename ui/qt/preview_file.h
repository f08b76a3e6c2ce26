#pragma once

// The preview page "yl.htm" in the program's directory: written by each generation, opened with
// the desktop's default handler, deleted when the window closes. No operation reports a failure
// to the user or throws.

#include <string>

#include "generator/text_rules.h"

namespace zelvo {

// The absolute directory of the running executable, in the file system's encoding, without a
// trailing separator (so the root directory is the empty string). Needs a QCoreApplication.
std::string programDirectory();

class PreviewFile {
  public:
    // `directory` as programDirectory() gives it; the path is formed from it at every use.
    explicit PreviewFile(std::string directory);

    // The directory, a separator, then "yl.htm".
    std::string path() const;

    // Creates the file or cuts it to zero length, then writes exactly `bytes`. Never follows a
    // symbolic link at the path, so nothing outside the directory is written. True when every
    // byte was written; after a failed write part-way the file keeps what was written so far.
    bool write(const Bytes& bytes) const;

    // Asks the desktop to open the path with its default handler and returns at once, without
    // checking that the file exists or examining the outcome.
    void open() const;

    // Deletes the directory entry at the path (a symbolic link itself, never its target) and
    // ignores the outcome.
    void remove() const;

  private:
    std::string directory_;
};

}  // namespace zelvo
