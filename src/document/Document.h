#pragma once
// The document the editor window shows, without the window: its path, the
// launch mode that decides how its file is read and written, the text format
// of its file (encoding and line ends, kept for the next save), the text from
// before the last format run or line-end command, and the recent-file history.
// Loading and saving ask their questions through DocumentQuestions, which the
// window answers with its dialogs.

#include "platform/DocumentFile.h"
#include "platform/PlainTextFile.h"
#include "platform/StyledText.h"

#include <array>
#include <cstddef>
#include <string>

namespace kelvra {

// Ends a command quietly: the user declined, nothing to report.
struct CommandDeclined {};

// The recent files, newest first.
class FileHistory {
public:
    static constexpr int kSize = 8;
    // Puts `path` on top, unless it is already the top entry; the oldest entry drops off.
    void Add(const std::string &path);
    const std::string &Entry(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    void SetEntry(int index, std::string path) { entries_.at(static_cast<std::size_t>(index)) = std::move(path); }

private:
    std::array<std::string, kSize> entries_;
};

// The questions loading and saving may raise.
class DocumentQuestions {
public:
    enum class NotInShiftJis { SaveAsUtf8, ReplaceThem, Cancel };
    // Bytes at `count` places of the file at `path` do not decode (`problem`
    // says why; NotText for NUL bytes or UTF-16): true to open the file with
    // them replaced by U+FFFD.
    virtual bool OpenWithReplacements(const std::string &path, std::size_t count, TextProblem problem) = 0;
    // Characters at `count` places cannot be written in Shift-JIS; `characters`
    // lists them (each once, at most ten, separated by blanks).
    virtual NotInShiftJis SaveNotInShiftJis(std::size_t count, const std::string &characters) = 0;
    // Characters at `count` places, which the file wrote with two different
    // codes, would all be written with one of them: true to save so.
    virtual bool SaveRecodedCharacters(std::size_t count, const std::string &characters) = 0;
    // The file's lines end in more than one way; a save writes every line end
    // as `lineEnd`: true to save so.
    virtual bool SaveUnifiedLineEnds(LineEnd lineEnd) = 0;
    // The file at `path` has `otherNames` further names (hard links): true to
    // give only this name the new text, the others keeping the old one.
    virtual bool BreakHardLinks(const std::string &path, std::size_t otherNames) = 0;

protected:
    ~DocumentQuestions() = default;
};

class Document {
public:
    Document();

    const std::string &Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    const std::string &UntitledName() const { return untitledName_; }
    // The path names no file yet.
    bool IsUntitled() const { return path_ == untitledName_; }
    // A new document without a file: `untitledName` becomes its name and path,
    // its file format Shift-JIS with CR LF, and it has no text from before a run.
    void MakeUntitled(std::string untitledName);

    // 0 normal, 1 rich text ("-X1"), 2 read-only viewer ("-X2").
    kelvra::LaunchMode LaunchMode() const { return launchMode_; }
    void SetLaunchMode(kelvra::LaunchMode mode) { launchMode_ = mode; }
    DocumentKind KindToLoad(const std::string &path) const;
    DocumentKind KindToSave(const std::string &path) const;

    // Reads the file at `path`, as rich text when `rich` and the file is RTF; the
    // plain-text format read becomes the one of the next save, and the text
    // from before a run of the previous document is forgotten. Throws
    // std::runtime_error when the file cannot be read and CommandDeclined when
    // the user will not have undecodable bytes replaced.
    LoadedDocument Read(const std::string &path, bool rich, const CharFormat &defaults, DocumentQuestions &questions);
    // The bytes of `content` written as `kind`. Characters that Shift-JIS cannot
    // hold are asked about: saved as UTF-8 (which the document keeps from then
    // on), replaced, or CommandDeclined thrown. Bytes that would change without
    // a word (a character the file wrote with two codes, mixed line ends) are
    // asked about too; CommandDeclined when the user will not have them change.
    std::string Encode(const StyledText &content, DocumentKind kind, DocumentQuestions &questions);
    // Encodes and writes `content` to `path` safely, asking first before it
    // breaks a hard link; throws std::runtime_error on failure.
    void Write(const std::string &path, const StyledText &content, DocumentQuestions &questions);

    const PlainTextFormat &FileFormat() const { return plainFormat_; }

    // The text from before the last format run or line-end command on this
    // document. Another document (read or new) has none until its own run.
    const std::string &RevertText() const { return revertText_; }
    bool HasRevertText() const { return hasRevertText_; }
    void SetRevertText(std::string text) {
        revertText_ = std::move(text);
        hasRevertText_ = true;
    }

    FileHistory &History() { return history_; }
    const FileHistory &History() const { return history_; }

private:
    void ForgetRevertText();
    EncodedText AskAboutLostCharacters(const StyledText &content, EncodedText encoded, DocumentQuestions &questions);

    std::string untitledName_ = "Untitled";
    std::string path_ = "Untitled";
    kelvra::LaunchMode launchMode_ = kelvra::LaunchMode::Normal;
    PlainTextFormat plainFormat_;
    std::string revertText_;
    bool hasRevertText_ = false;
    FileHistory history_;
};

// The characters at the given byte offsets of `text`, each once and at most
// ten, separated by blanks.
std::string CharactersAt(const std::string &text, const std::vector<std::size_t> &offsets);
// The same for code page 932 `bytes`, each offset the start of a two-byte character.
std::string Cp932CharactersAt(const std::string &bytes, const std::vector<std::size_t> &offsets);

} // namespace kelvra
