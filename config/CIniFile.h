#pragma once

// The INI library: static operations that each read the whole file into an ordered list of
// records, work on it and, when they change something, write the whole list back before they
// return. The file on disk is the only state. All strings are narrow and all comparisons exact.
//
// File syntax read by Load (each line trimmed of " \t\n\r" first; blank lines skipped):
//   # or ; at the start      a comment line, kept with the record below it; a commented-out
//                            record when what follows the mark is a header or key line (a
//                            commented "[" without "]" stays a comment line)
//   [name]...                a section header (only when '[' is the first character; what
//                            follows the first ']' is dropped); no ']' throws std::out_of_range
//   key=value                a key line; only the first '=' splits, nothing else is trimmed
// Anything else (a line that is neither) is kept verbatim as a comment line, so it stays with
// the record below it; comment lines after the last record are kept in a trailing record
// (`CommentsOnly`). Lines end at LF, CR LF or a lone CR. A last line without a line end is read
// like any other; a UTF-8 byte order mark at the start is skipped. A file that is no narrow text
// (UTF-16 with its byte order mark, or holding NUL bytes) is not loaded, so never rewritten.
//
// Save writes every line with CR LF whatever the platform, and replaces the file atomically: a
// failed or interrupted save leaves the old file as it was. Nothing larger than kMaxFileBytes
// is written, since Load would refuse it.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CIniFile {
public:
    struct Record {
        // The comment lines directly above the record, each with its mark and one "\n".
        std::string Comments;
        // ' ' for an active record, '#' or ';' for a commented-out one.
        char Commented = ' ';
        std::string Section;
        // Empty for a section header.
        std::string Key;
        std::string Value;
        // Holds only the comment lines after the last record of the file: no line of its own,
        // no section. Only Load makes one, as the last record.
        bool CommentsOnly = false;

        bool operator==(const Record&) const = default;
    };

    enum CommentChar : char {
        Pound = '#',
        SemiColon = ';',
    };

    // Search predicates; a comments-only record matches none of them.
    struct RecordSectionIs {
        explicit RecordSectionIs(std::string section) : section_(std::move(section)) {}
        bool operator()(const Record& record) const;

    private:
        std::string section_;
    };
    struct RecordSectionKeyIs {
        RecordSectionKeyIs(std::string section, std::string key)
            : section_(std::move(section)), key_(std::move(key)) {}
        bool operator()(const Record& record) const;

    private:
        std::string section_;
        std::string key_;
    };

    // Ordering predicates for Sort: plain byte-wise comparison of Section or Key.
    struct AscendingSectionSort {
        bool operator()(const Record& a, const Record& b) const { return a.Section < b.Section; }
    };
    struct DescendingSectionSort {
        bool operator()(const Record& a, const Record& b) const { return b.Section < a.Section; }
    };
    struct AscendingRecordSort {
        bool operator()(const Record& a, const Record& b) const { return a.Key < b.Key; }
    };
    struct DescendingRecordSort {
        bool operator()(const Record& a, const Record& b) const { return b.Key < a.Key; }
    };

    // Far above any settings file a person writes or this program saves (the real one is well
    // under a kilobyte); a larger file, or anything that is no regular file, is not read
    // (platform::LastFileFailure says why).
    static constexpr std::size_t kMaxFileBytes = std::size_t{1} << 20;

    // False for UTF-16 or UTF-32 text (FF FE or FE FF first) and for any text holding a NUL
    // byte: read as narrow text it would be garbage, and saved back it would stay garbage.
    static bool IsNarrowText(std::string_view text);
    // Starts with a UTF-16 byte order mark (Notepad's "Unicode").
    static bool IsUtf16Text(std::string_view text);
    // What SetValue refuses: a key or value that a save followed by a load would not give back.
    static bool IsStorableKey(std::string_view key);
    static bool IsStorableValue(std::string_view value);

    // False when the file cannot be read or is no narrow text; content is then left as it was. A
    // header line without ']' throws std::out_of_range (naming the line) and also leaves content
    // alone.
    static bool Load(const std::string& FileName, std::vector<Record>& content);
    // The records of a file's text, as Load reads them (and with the same exception).
    static std::vector<Record> Parse(std::string_view text);
    // Replaces the file with content; false (old file untouched) when it cannot be written.
    static bool Save(const std::string& FileName, const std::vector<Record>& content);
    static bool Create(const std::string& FileName);

    // Every operation below that reads the file lets Load's std::out_of_range through.

    // Appends a header, even when the section already has one. False for a name that could
    // not be read back (holding ']' or a line break).
    static bool AddSection(const std::string& SectionName, const std::string& FileName);
    // Sets the first matching record's value (commented-out ones too) or adds the key: a new
    // key goes directly after the first record of its section, a new section at the end.
    // Never creates the file. False for a key or value that could not be read back as given
    // (an empty key; a key holding '=' or starting with a blank, '[', '#' or ';'; a line break
    // in either).
    static bool SetValue(const std::string& KeyName, const std::string& Value,
                         const std::string& SectionName, const std::string& FileName);
    // SetValue for several keys in turn, with one read and one write: all of them or none.
    static bool SetValues(const std::vector<std::pair<std::string, std::string>>& KeyValues,
                          const std::string& SectionName, const std::string& FileName);
    static std::string GetValue(const std::string& KeyName, const std::string& SectionName,
                                const std::string& FileName);
    static std::vector<Record> GetRecord(const std::string& KeyName, const std::string& SectionName,
                                         const std::string& FileName);
    static bool RecordExists(const std::string& KeyName, const std::string& SectionName,
                             const std::string& FileName);
    static bool SectionExists(const std::string& SectionName, const std::string& FileName);
    static std::vector<std::string> GetSectionNames(const std::string& FileName);
    static std::vector<Record> GetSections(const std::string& FileName);
    static std::vector<Record> GetSection(const std::string& SectionName,
                                          const std::string& FileName);
    // The file rebuilt as one text with "\n" between lines and none after the last.
    static std::string Content(const std::string& FileName);
    static bool RenameSection(const std::string& OldSectionName, const std::string& NewSectionName,
                              const std::string& FileName);
    // Only '#' and ';' are accepted as marks: any other would not be read back as one.
    static bool CommentRecord(CommentChar cc, const std::string& KeyName,
                              const std::string& SectionName, const std::string& FileName);
    static bool UnCommentRecord(const std::string& KeyName, const std::string& SectionName,
                                const std::string& FileName);
    static bool CommentSection(char CommentChar, const std::string& SectionName,
                               const std::string& FileName);
    static bool UnCommentSection(const std::string& SectionName, const std::string& FileName);
    static bool DeleteRecord(const std::string& KeyName, const std::string& SectionName,
                             const std::string& FileName);
    static bool DeleteSection(const std::string& SectionName, const std::string& FileName);
    static bool SetSectionComments(const std::string& Comments, const std::string& SectionName,
                                   const std::string& FileName);
    static bool SetRecordComments(const std::string& Comments, const std::string& KeyName,
                                  const std::string& SectionName, const std::string& FileName);
    // Sections by name, each followed by its keys by key, in the same direction. Records above
    // the first header stay first and the trailing comments last, both as they were. A section
    // with several headers keeps them together, followed by its keys once. False when the file
    // has no header.
    static bool Sort(const std::string& FileName, bool Descending);
};

// Removes every leading (TrimDir 1), trailing (2) or leading and trailing (0) character that
// occurs in ChrsToTrim.
void Trim(std::string& str, const std::string& ChrsToTrim = " \t\n\r", int TrimDir = 0);
