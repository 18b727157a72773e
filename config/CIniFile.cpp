#include "CIniFile.h"

#include "platform/AtomicFile.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace {

constexpr char kBlanks[] = " \t\n\r";
constexpr char kActive = ' ';
constexpr char kHeaderOpen = '[';
constexpr char kHeaderClose = ']';
constexpr char kKeySeparator = '=';
constexpr char kLineEnd[] = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianBom = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianBom = "\xFE\xFF";

using Record = CIniFile::Record;
using Records = std::vector<Record>;

bool IsCommentMark(char c) {
    return c == CIniFile::Pound || c == CIniFile::SemiColon;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Section names that a save followed by a load gives back unchanged.
bool IsStorableSection(std::string_view name) {
    return name.find(kHeaderClose) == std::string_view::npos && !HasLineBreak(name);
}

bool IsHeader(const Record& record) {
    return !record.CommentsOnly && record.Key.empty();
}

void AppendLine(std::string& block, std::string_view line) {
    block.append(line);
    block.push_back('\n');
}

// Parses one trimmed, non-blank line that is not a plain comment. False when it is neither a
// header nor a key line.
bool ParseRecordLine(std::string line, std::string& currentSection, Record& record,
                     int lineNumber) {
    if (line.front() == kHeaderOpen) {
        line.erase(line.begin());
        const size_t close = line.find(kHeaderClose);
        if (close == std::string::npos) {
            throw std::out_of_range("line " + std::to_string(lineNumber) +
                                    ": section header without ']'");
        }
        line.erase(close);
        record.Section = line;
        currentSection = line;
        return true;
    }
    const size_t separator = line.find(kKeySeparator);
    // A line without a key ("=value") would be saved as an empty header and lose its value:
    // it is kept as an odd line instead.
    if (separator == std::string::npos || separator == 0) {
        return false;
    }
    record.Section = currentSection;
    record.Key = line.substr(0, separator);
    record.Value = line.substr(separator + 1);
    return true;
}

Records ParseText(std::string_view text) {
    // Editors on Windows may put a UTF-8 byte order mark before the first header.
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    Records content;
    std::string pending;
    std::string currentSection;
    int lineNumber = 0;
    while (!text.empty()) {
        // A line ends at LF, CR LF or a lone CR (old Mac files), mixed as they come.
        const size_t end = text.find_first_of("\r\n");
        std::string line(text.substr(0, end));
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end != std::string_view::npos && text[end] == '\r' && next < text.size() &&
            text[next] == '\n') {
            ++next;
        }
        text.remove_prefix(next);
        ++lineNumber;
        Trim(line, kBlanks);
        if (line.empty()) {
            continue;
        }
        const bool marked = IsCommentMark(line.front());
        if (marked && line.find_first_of("[=") == std::string::npos) {
            AppendLine(pending, line);
            continue;
        }
        Record record;
        std::string body = line;
        if (marked) {
            record.Commented = line.front();
            body.erase(body.begin());
            Trim(body, kBlanks);
            // A note that only looks like the start of a header ("; [see page 4") is a note:
            // what a comment holds must not make the whole file unreadable.
            if (!body.empty() && body.front() == kHeaderOpen &&
                body.find(kHeaderClose) == std::string::npos) {
                AppendLine(pending, line);
                continue;
            }
        }
        if (body.empty() || !ParseRecordLine(body, currentSection, record, lineNumber)) {
            // Neither header nor key: kept word for word with the record it stood above.
            AppendLine(pending, line);
            continue;
        }
        record.Comments = std::move(pending);
        pending.clear();
        content.push_back(std::move(record));
    }
    if (!pending.empty()) {
        Record trailer;
        trailer.Comments = std::move(pending);
        trailer.CommentsOnly = true;
        content.push_back(std::move(trailer));
    }
    return content;
}

std::string RecordLine(const Record& record) {
    if (record.CommentsOnly) {
        return {};
    }
    if (record.Key.empty()) {
        return std::string(1, kHeaderOpen) + record.Section + kHeaderClose;
    }
    return record.Key + kKeySeparator + record.Value;
}

// Comment lines as they go to disk: each with CR LF, whatever ends it in memory.
void AppendComments(std::string& out, std::string_view comments, std::string_view lineEnd) {
    while (!comments.empty()) {
        const size_t end = comments.find('\n');
        std::string_view line = comments.substr(0, end);
        comments.remove_prefix(end == std::string_view::npos ? comments.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        out.append(line);
        out.append(lineEnd);
    }
}

std::string Serialise(const Records& content) {
    std::string out;
    for (const Record& record : content) {
        AppendComments(out, record.Comments, kLineEnd);
        if (record.CommentsOnly) {
            continue;
        }
        out.push_back(record.Commented);
        out.append(RecordLine(record));
        out.append(kLineEnd);
    }
    // A kept line that starts with a byte order mark would be skipped as one (or the file taken
    // for UTF-16) when it is read again; the reader trims the blank that keeps it a line.
    if (out.starts_with(kUtf8Bom) || out.starts_with(kUtf16LittleEndianBom) ||
        out.starts_with(kUtf16BigEndianBom)) {
        out.insert(out.begin(), ' ');
    }
    return out;
}

template <typename Predicate> Records::iterator FindFirst(Records& content, Predicate predicate) {
    return std::find_if(content.begin(), content.end(), predicate);
}

// Loads, lets change() work on the records and saves when it returns true.
template <typename Change> bool Modify(const std::string& fileName, Change change) {
    Records content;
    if (!CIniFile::Load(fileName, content)) {
        return false;
    }
    if (!change(content)) {
        return false;
    }
    return CIniFile::Save(fileName, content);
}

bool SetValueIn(Records& content, const std::string& key, const std::string& value,
                const std::string& section) {
    if (!CIniFile::IsStorableKey(key) || !CIniFile::IsStorableValue(value)) {
        return false;
    }
    auto match = FindFirst(content, CIniFile::RecordSectionKeyIs(section, key));
    if (match != content.end()) {
        match->Value = value;
        return true;
    }
    Record added;
    added.Section = section;
    added.Key = key;
    added.Value = value;
    auto first = FindFirst(content, CIniFile::RecordSectionIs(section));
    if (first == content.end()) {
        Record header;
        header.Section = section;
        content.push_back(std::move(header));
        content.push_back(std::move(added));
    } else {
        content.insert(first + 1, std::move(added));
    }
    return true;
}

std::string WithLineEnd(std::string comments) {
    if (!comments.empty() && comments.back() != '\n') {
        comments.push_back('\n');
    }
    return comments;
}

} // namespace

bool CIniFile::RecordSectionIs::operator()(const Record& record) const {
    return !record.CommentsOnly && record.Section == section_;
}

bool CIniFile::RecordSectionKeyIs::operator()(const Record& record) const {
    return !record.CommentsOnly && record.Section == section_ && record.Key == key_;
}

bool CIniFile::Load(const std::string& FileName, std::vector<Record>& content) {
    const std::optional<std::string> text = platform::ReadWholeFile(FileName, kMaxFileBytes);
    if (!text || !IsNarrowText(*text)) {
        return false;
    }
    content = ParseText(*text);
    return true;
}

bool CIniFile::IsUtf16Text(std::string_view text) {
    return text.starts_with(kUtf16LittleEndianBom) || text.starts_with(kUtf16BigEndianBom);
}

bool CIniFile::IsNarrowText(std::string_view text) {
    return !IsUtf16Text(text) && text.find('\0') == std::string_view::npos;
}

bool CIniFile::IsStorableKey(std::string_view key) {
    if (key.empty() || key.find(kKeySeparator) != std::string_view::npos || HasLineBreak(key)) {
        return false;
    }
    const char first = key.front();
    return first != ' ' && first != '\t' && first != kHeaderOpen && !IsCommentMark(first);
}

bool CIniFile::IsStorableValue(std::string_view value) {
    return !HasLineBreak(value);
}

std::vector<CIniFile::Record> CIniFile::Parse(std::string_view text) {
    return ParseText(text);
}

bool CIniFile::Save(const std::string& FileName, const std::vector<Record>& content) {
    const std::string text = Serialise(content);
    // Written, it could not be read again: the file stays as it was. (A file just under the
    // limit grows when saved, each line by its blank and its CR.)
    if (text.size() > kMaxFileBytes) {
        platform::RecordFileFailure("it would be larger than 1 MiB (" +
                                    std::to_string(kMaxFileBytes) +
                                    " bytes) once saved, too large to be read again");
        return false;
    }
    return platform::ReplaceFileAtomically(FileName, text);
}

bool CIniFile::Create(const std::string& FileName) {
    return Save(FileName, {});
}

bool CIniFile::AddSection(const std::string& SectionName, const std::string& FileName) {
    if (!IsStorableSection(SectionName)) {
        return false;
    }
    return Modify(FileName, [&](Records& content) {
        Record header;
        header.Section = SectionName;
        content.push_back(std::move(header));
        return true;
    });
}

bool CIniFile::SetValue(const std::string& KeyName, const std::string& Value,
                        const std::string& SectionName, const std::string& FileName) {
    return SetValues({{KeyName, Value}}, SectionName, FileName);
}

bool CIniFile::SetValues(const std::vector<std::pair<std::string, std::string>>& KeyValues,
                         const std::string& SectionName, const std::string& FileName) {
    if (!IsStorableSection(SectionName)) {
        return false;
    }
    return Modify(FileName, [&](Records& content) {
        for (const auto& [key, value] : KeyValues) {
            if (!SetValueIn(content, key, value, SectionName)) {
                return false;
            }
        }
        return true;
    });
}

std::string CIniFile::GetValue(const std::string& KeyName, const std::string& SectionName,
                               const std::string& FileName) {
    const std::vector<Record> found = GetRecord(KeyName, SectionName, FileName);
    return found.empty() ? std::string() : found.front().Value;
}

std::vector<CIniFile::Record> CIniFile::GetRecord(const std::string& KeyName,
                                                  const std::string& SectionName,
                                                  const std::string& FileName) {
    Records content;
    if (!Load(FileName, content)) {
        return {};
    }
    auto match = FindFirst(content, RecordSectionKeyIs(SectionName, KeyName));
    if (match == content.end()) {
        return {};
    }
    return {*match};
}

bool CIniFile::RecordExists(const std::string& KeyName, const std::string& SectionName,
                            const std::string& FileName) {
    return !GetRecord(KeyName, SectionName, FileName).empty();
}

bool CIniFile::SectionExists(const std::string& SectionName, const std::string& FileName) {
    Records content;
    if (!Load(FileName, content)) {
        return false;
    }
    return FindFirst(content, RecordSectionIs(SectionName)) != content.end();
}

std::vector<std::string> CIniFile::GetSectionNames(const std::string& FileName) {
    std::vector<std::string> names;
    for (const Record& header : GetSections(FileName)) {
        names.push_back(header.Section);
    }
    return names;
}

std::vector<CIniFile::Record> CIniFile::GetSections(const std::string& FileName) {
    Records content;
    if (!Load(FileName, content)) {
        return {};
    }
    Records headers;
    std::copy_if(content.begin(), content.end(), std::back_inserter(headers), IsHeader);
    return headers;
}

std::vector<CIniFile::Record> CIniFile::GetSection(const std::string& SectionName,
                                                   const std::string& FileName) {
    Records content;
    if (!Load(FileName, content)) {
        return {};
    }
    Records keys;
    const RecordSectionIs inSection(SectionName);
    std::copy_if(content.begin(), content.end(), std::back_inserter(keys),
                 [&](const Record& record) { return inSection(record) && !record.Key.empty(); });
    return keys;
}

std::string CIniFile::Content(const std::string& FileName) {
    Records content;
    if (!Load(FileName, content)) {
        return {};
    }
    std::string text;
    for (size_t i = 0; i < content.size(); ++i) {
        const Record& record = content[i];
        if (i > 0) {
            text.push_back('\n');
        }
        if (record.CommentsOnly) {
            text.append(record.Comments.substr(0, record.Comments.size() - 1));
            continue;
        }
        text.append(record.Comments);
        if (record.Commented != kActive) {
            text.push_back(record.Commented);
        }
        text.append(RecordLine(record));
    }
    return text;
}

bool CIniFile::RenameSection(const std::string& OldSectionName, const std::string& NewSectionName,
                             const std::string& FileName) {
    if (!IsStorableSection(NewSectionName)) {
        return false;
    }
    return Modify(FileName, [&](Records& content) {
        const RecordSectionIs inOld(OldSectionName);
        for (Record& record : content) {
            if (inOld(record)) {
                record.Section = NewSectionName;
            }
        }
        return true;
    });
}

bool CIniFile::CommentRecord(CommentChar cc, const std::string& KeyName,
                             const std::string& SectionName, const std::string& FileName) {
    if (!IsCommentMark(cc)) {
        return false;
    }
    return Modify(FileName, [&](Records& content) {
        auto match = FindFirst(content, RecordSectionKeyIs(SectionName, KeyName));
        if (match == content.end()) {
            return false;
        }
        match->Commented = cc;
        return true;
    });
}

bool CIniFile::UnCommentRecord(const std::string& KeyName, const std::string& SectionName,
                               const std::string& FileName) {
    return Modify(FileName, [&](Records& content) {
        auto match = FindFirst(content, RecordSectionKeyIs(SectionName, KeyName));
        if (match == content.end()) {
            return false;
        }
        match->Commented = kActive;
        return true;
    });
}

bool CIniFile::CommentSection(char CommentChar, const std::string& SectionName,
                              const std::string& FileName) {
    if (!IsCommentMark(CommentChar)) {
        return false;
    }
    return Modify(FileName, [&](Records& content) {
        const RecordSectionIs inSection(SectionName);
        for (Record& record : content) {
            if (inSection(record)) {
                record.Commented = CommentChar;
            }
        }
        return true;
    });
}

bool CIniFile::UnCommentSection(const std::string& SectionName, const std::string& FileName) {
    return Modify(FileName, [&](Records& content) {
        const RecordSectionIs inSection(SectionName);
        for (Record& record : content) {
            if (inSection(record)) {
                record.Commented = kActive;
            }
        }
        return true;
    });
}

bool CIniFile::DeleteRecord(const std::string& KeyName, const std::string& SectionName,
                            const std::string& FileName) {
    return Modify(FileName, [&](Records& content) {
        auto match = FindFirst(content, RecordSectionKeyIs(SectionName, KeyName));
        if (match == content.end()) {
            return false;
        }
        content.erase(match);
        return true;
    });
}

bool CIniFile::DeleteSection(const std::string& SectionName, const std::string& FileName) {
    return Modify(FileName, [&](Records& content) {
        std::erase_if(content, RecordSectionIs(SectionName));
        return true;
    });
}

bool CIniFile::SetSectionComments(const std::string& Comments, const std::string& SectionName,
                                  const std::string& FileName) {
    return Modify(FileName, [&](Records& content) {
        const RecordSectionIs inSection(SectionName);
        auto header = FindFirst(
            content, [&](const Record& record) { return inSection(record) && IsHeader(record); });
        if (header == content.end()) {
            return false;
        }
        header->Comments = WithLineEnd(Comments);
        return true;
    });
}

bool CIniFile::SetRecordComments(const std::string& Comments, const std::string& KeyName,
                                 const std::string& SectionName, const std::string& FileName) {
    return Modify(FileName, [&](Records& content) {
        auto match = FindFirst(content, RecordSectionKeyIs(SectionName, KeyName));
        if (match == content.end()) {
            return false;
        }
        match->Comments = WithLineEnd(Comments);
        return true;
    });
}

bool CIniFile::Sort(const std::string& FileName, bool Descending) {
    return Modify(FileName, [&](Records& content) {
        auto firstHeader = std::find_if(content.begin(), content.end(), IsHeader);
        if (firstHeader == content.end()) {
            return false;
        }
        Records sorted(content.begin(), firstHeader);
        Records headers;
        Records keys;
        Records trailer;
        for (auto it = firstHeader; it != content.end(); ++it) {
            if (it->CommentsOnly) {
                trailer.push_back(*it);
            } else if (IsHeader(*it)) {
                headers.push_back(*it);
            } else {
                keys.push_back(*it);
            }
        }
        if (Descending) {
            std::stable_sort(headers.begin(), headers.end(), DescendingSectionSort());
            std::stable_sort(keys.begin(), keys.end(), DescendingRecordSort());
        } else {
            std::stable_sort(headers.begin(), headers.end(), AscendingSectionSort());
            std::stable_sort(keys.begin(), keys.end(), AscendingRecordSort());
        }
        std::vector<bool> placed(keys.size(), false);
        for (size_t i = 0; i < headers.size(); ++i) {
            sorted.push_back(headers[i]);
            const bool lastOfName =
                i + 1 == headers.size() || headers[i + 1].Section != headers[i].Section;
            for (size_t k = 0; lastOfName && k < keys.size(); ++k) {
                if (keys[k].Section == headers[i].Section) {
                    sorted.push_back(keys[k]);
                    placed[k] = true;
                }
            }
        }
        // A key whose section has no header (only possible in hand-made content) is kept.
        for (size_t k = 0; k < keys.size(); ++k) {
            if (!placed[k]) {
                sorted.push_back(keys[k]);
            }
        }
        sorted.insert(sorted.end(), trailer.begin(), trailer.end());
        content = std::move(sorted);
        return true;
    });
}

void Trim(std::string& str, const std::string& ChrsToTrim, int TrimDir) {
    const bool left = TrimDir == 0 || TrimDir == 1;
    const bool right = TrimDir == 0 || TrimDir == 2;
    if (right) {
        const size_t last = str.find_last_not_of(ChrsToTrim);
        str.erase(last == std::string::npos ? 0 : last + 1);
    }
    if (left) {
        str.erase(0, str.find_first_not_of(ChrsToTrim));
    }
}
