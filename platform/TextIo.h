// Text files and numbers, shared by every reader and writer of both programs.
//
// Data files are 8-bit text, one item per line. Readers accept CR, LF and CR LF line ends (a last
// line without an end still counts); writers end every line with CR LF. Number conversions follow
// the value kinds of the data files: text that is no number reads as 0.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace textio {

// Line reader over a whole file held in memory (files are small; maps are read once per load).
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(std::string content) : data_(std::move(content)) {}
    // Opens and reads the whole file; false (and an empty reader) when it cannot be opened.
    bool open(const std::string& path);
    bool isOpen() const { return open_; }
    // End of file: no further line to read.
    bool eof() const { return pos_ >= data_.size(); }
    // The next line without its end; "" at end of file.
    std::string readLine();
    // Same, as a view into the reader's buffer (valid while the reader lives).
    std::string_view readLineView();

private:
    std::string data_;
    std::size_t pos_ = 0;
    bool open_ = false;
};

// Splits a whole text into lines with the same rules as LineReader.
std::vector<std::string> splitLines(std::string_view text);

// Integer: leading blanks and tabs skipped, optional '-' or '+', then decimal digits up to the first
// other character; 0 when there are none. Wraps like a 32-bit integer.
std::int32_t toInt(std::string_view text);
// Byte: the integer kept in a signed 8-bit field ("300" -> 44, "200" -> -56).
std::int8_t toByte(std::string_view text);
// Real: the standard text-to-double conversion, stored as float; 0 when the text is no number.
float toReal(std::string_view text);
double toDouble(std::string_view text);

// Writes lines, each ended with CR LF, into a string; then saves it safely.
class LineWriter {
public:
    void line(std::string_view text) {
        out_.append(text);
        out_.append("\r\n");
    }
    const std::string& content() const { return out_; }

private:
    std::string out_;
};

// Writes `content` to `path` so that the old file is replaced only once the new content is complete:
// a temporary file in the same folder, flushed, then renamed over the old one. false on any failure
// (the old file, if any, is left untouched). Only regular files are replaced: a path naming a device,
// FIFO, socket or folder is refused with a notice; a symbolic link is written through (the file it
// names is replaced and the link stays), and one that names nothing or no regular file is refused.
bool writeFileAtomic(const std::string& path, std::string_view content);

// The parts of writeFileAtomic for a writer that replaces several files at once: writes `content`
// into a new temporary file beside `path` (named as writeFileAtomic's), not yet flushed to the disk;
// `temp` gets its name and the caller renames it into place or removes it. false (and nothing left)
// when `path` names a folder, FIFO, device or socket (with a notice) or the temporary cannot be
// written complete. A link at `path` is not followed: the rename replaces the link.
bool writeTemporary(const std::string& path, std::string_view content, std::string& temp);
// Flushes everything written on the file system that holds `folder`, then the folder's own names:
// one sync for all the files a writer made there, instead of one per file.
bool syncFolderFiles(const std::string& folder);
// Flushes the names of `folder` (renames and removals in it).
bool syncFolder(const std::string& folder);

// writeFileAtomic for content made piece by piece (a large export): the pieces go into a temporary
// file beside `path`; commit() flushes it and renames it over `path`. A writer destroyed without a
// successful commit removes its temporary, and the old file stays.
class StreamingFileWriter {
public:
    explicit StreamingFileWriter(const std::string& path);
    ~StreamingFileWriter();
    StreamingFileWriter(const StreamingFileWriter&) = delete;
    StreamingFileWriter& operator=(const StreamingFileWriter&) = delete;
    // Appends; a write that fails makes commit() fail.
    void write(std::string_view text);
    // false when the temporary could not be made, a write failed or the rename failed.
    bool commit();

private:
    void flush();
    std::string path_, temp_, buffer_;
    int fd_ = -1;
    bool ok_ = false;
};

// Largest text file any reader takes: 256 MiB. Larger files are refused with a notice.
constexpr std::uint64_t kMaxTextFileBytes = 256ull << 20;

// Reads a whole file; false when it cannot be opened, is no regular file (a FIFO, device, socket or
// folder: never waited on, never read without end) or is larger than kMaxTextFileBytes. Refusals of
// a file that exists come with a notice.
bool readFile(const std::string& path, std::string& content);
// True when `path` opens as a regular file for reading (without waiting on a FIFO).
bool isRegularFile(const std::string& path);
// The same without the notice and with a size limit of the caller's: `problem` (when given) says
// why an existing file was refused, and stays empty for a missing file or a folder.
bool readRegularFile(const std::string& path, std::string& content, std::uint64_t maxBytes,
                     std::string* problem);

// Notices: problems with files that the caller's false alone would not explain (a device refused, a
// text file too large). The program routes them to its warnings log or screen log; by default they
// go to standard error. The sink must not call back into the writers of this file.
using NoticeSink = void (*)(void* user, const std::string& text);
void setNoticeSink(NoticeSink sink, void* user);
void notice(const std::string& text);

// Temporary files of writeFileAtomic are named ".<name>.<pid>.partial-XXXXXX". Removes those in
// `folder` whose process no longer runs (a save killed mid-way); returns how many were removed.
int removeStaleTemporaries(const std::string& folder);

// A configured or stored path: a backslash is read as a separator on POSIX.
std::string nativePath(std::string_view path);

// A folder path as the programs keep folders: ending with '/' ("a" -> "a/", "a/" stays). "" stays ""
// (the current folder, to which names are joined as they are); a caller that wants "./" or "/" for
// it says so. Backslashes are left as they are (nativePath first where they count as separators).
std::string asFolder(std::string path);

// Joins by plain concatenation (folders carry their own trailing separator), then nativePath.
std::string joinPath(std::string_view folder, std::string_view name);

// Formats a number the way the data files show numbers: the shortest plain decimal (no exponent)
// that reads back as the same value; 0 for infinities and NaN.
std::string formatReal(double value);

} // namespace textio
