// Output that is still being written. An interrupted capture (Ctrl-C, SIGTERM, SIGHUP) must
// leave neither a half-written file nor a half-filled folder, and must not have touched an
// earlier complete output of the same name: so every output is written under a partial name
// and only moved to its final name when complete.
#pragma once

#include <sys/types.h>

#include <string>

namespace capture {

// `path` with ".partial" before its extension, hidden: "dir/demo.mp4" gives
// "dir/.demo.partial.mp4", "sheet.jpg" gives ".sheet.partial.jpg".
std::string partialName(const std::string& path);

// A file or a folder being written. While the object lives, SIGINT, SIGTERM and SIGHUP first
// stop the writer process, if one is set, and remove the path, then end the program as the
// signal would have (status 128 + signal). The destructor removes the path too (a failed
// capture), unless commit() has moved it to its final name. At most four at a time.
class PartialOutput {
  public:
    enum class Kind { File, Folder };
    // Removes whatever is at `path` already (left by a capture that was killed outright);
    // a Folder is then created empty.
    PartialOutput(std::string path, Kind kind);
    ~PartialOutput();
    PartialOutput(const PartialOutput&) = delete;
    PartialOutput& operator=(const PartialOutput&) = delete;

    const std::string& path() const { return path_; }
    // The process writing the file (ffmpeg): killed before the file is removed, so that it
    // cannot write the file again.
    void setWriter(pid_t pid);
    // Moves the output to `target`, with the signals held off: a File is renamed over it;
    // each file of a Folder is renamed into the folder `target` (made when missing), over a
    // file of the same name. False with `error` when a rename fails.
    bool commit(const std::string& target, std::string* error);

  private:
    std::string path_;
    Kind kind_;
    int slot_ = -1;
};

} // namespace capture
