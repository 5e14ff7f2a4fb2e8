#include "platform/store/profile.h"

#include "platform/store/profile_parse.h"
#include "platform/store/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace klv::platform {

using namespace profile_detail;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

int64_t modifiedNs(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

bool ProfileFile::load(const std::filesystem::path& path) {
    m_sections.clear();
    m_sectionIndex.clear();
    m_hadBom = false;
    m_hasOverlong = false;
    m_source = path;
    m_sourceId = {};
    addSection("", true, false);

    LineReader reader(kProfileLineLimit);
    if (!reader.open(path))
        return errno == ENOENT;
    struct stat st {};
    if (::fstat(reader.fd(), &st) == 0) {
        m_sourceId = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                      static_cast<uint64_t>(st.st_size), modifiedNs(st)};
    }
    LineReader::Line line;
    while (reader.next(line)) {
        Line stored;
        stored.end = line.end;
        if (line.overlong) {
            stored.overlong = true;
            stored.offset = line.offset;
            stored.length = line.length;
            m_hasOverlong = true;
            // A header too long to read opens a section nobody can name.
            if (opensSection(line.text))
                addSection("", false, true);
            m_sections.back().lines.push_back(std::move(stored));
            continue;
        }
        stored.text.assign(line.text);
        const ParsedLine parsed = parseLine(stored.text);
        if (parsed.kind == LineKind::Header)
            addSection(parsed.name, true, true);
        Section& section = m_sections.back();
        section.lines.push_back(std::move(stored));
        if (parsed.kind == LineKind::Key)
            indexKey(section, section.lines.size() - 1);
    }
    m_hadBom = reader.hadBom();
    if (reader.error() != 0) {
        errno = reader.error();
        return false;
    }
    return true;
}

ProfileFile::Section& ProfileFile::addSection(std::string_view name, bool findable,
                                              bool withHeader) {
    Section section;
    section.name.assign(name);
    section.findable = findable;
    m_sections.push_back(std::move(section));
    // The lead-in (keys before any header) answers to the empty name, like the first "[]".
    if (findable && (withHeader || m_sections.size() == 1))
        m_sectionIndex.emplace(fold(name), m_sections.size() - 1);
    return m_sections.back();
}

void ProfileFile::indexKey(Section& section, size_t lineIndex) {
    const ParsedLine parsed = parseLine(section.lines[lineIndex].text);
    section.keys.emplace(fold(parsed.name), lineIndex);
}

const ProfileFile::Section* ProfileFile::findSection(std::string_view name) const {
    const auto it = m_sectionIndex.find(fold(name));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

ProfileFile::Section* ProfileFile::findSection(std::string_view name) {
    const auto it = m_sectionIndex.find(fold(name));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

std::optional<std::string_view> ProfileFile::find(std::string_view section,
                                                  std::string_view key) const {
    const Section* s = findSection(section);
    if (s == nullptr)
        return std::nullopt;
    const auto it = s->keys.find(fold(key));
    if (it == s->keys.end())
        return std::nullopt;
    return parseLine(s->lines[it->second].text).value;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key,
                                   std::string_view fallback, size_t maxLength) const {
    return std::string(find(section, key).value_or(fallback).substr(0, maxLength));
}

int32_t ProfileFile::getInt(std::string_view section, std::string_view key,
                            int32_t fallback) const {
    return profileInt(find(section, key), fallback);
}

void ProfileFile::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    // A line end inside a value would end the line early and turn the rest into another line.
    value = value.substr(0, value.find_first_of("\r\n"));
    if (m_sections.empty())
        addSection("", true, false);
    Section* target = findSection(section);
    if (target == nullptr) {
        // A new section goes at the end of the file, after a blank line when the file has
        // anything in it.
        auto last = std::find_if(m_sections.rbegin(), m_sections.rend(),
                                 [](const Section& s) { return !s.lines.empty(); });
        if (last != m_sections.rend()) {
            Line& tail = last->lines.back();
            if (tail.end == LineReader::End::None)
                tail.end = LineReader::End::CrLf;
            if (tail.overlong || !isBlank(tail.text))
                last->lines.push_back(Line{});
        }
        Section& added = addSection(section, true, true);
        Line header;
        header.text = "[" + std::string(section) + "]";
        added.lines.push_back(std::move(header));
        target = &added;
    }

    Line line;
    line.text.reserve(key.size() + value.size() + 1);
    line.text.append(key).append("=").append(value);
    const auto found = target->keys.find(fold(key));
    if (found != target->keys.end()) {
        target->lines[found->second] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so blank lines that separate it from the next
    // section stay where they are (and no indexed key line moves).
    const size_t headerLines = target == &m_sections.front() ? 0 : 1;
    size_t at = target->lines.size();
    while (at > headerLines && !target->lines[at - 1].overlong &&
           isBlank(target->lines[at - 1].text))
        --at;
    if (at > 0 && target->lines[at - 1].end == LineReader::End::None)
        target->lines[at - 1].end = LineReader::End::CrLf;
    target->lines.insert(target->lines.begin() + static_cast<ptrdiff_t>(at), std::move(line));
    target->keys.emplace(fold(key), at);
}

bool ProfileFile::copyOverlong(ReplacingFile& out) const {
    // Lines too long to keep in memory are copied from the file they were read from, which
    // must still be the same file.
    const int fd = ::open(m_source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      static_cast<uint64_t>(st.st_dev) == m_sourceId.device &&
                      static_cast<uint64_t>(st.st_ino) == m_sourceId.inode &&
                      static_cast<uint64_t>(st.st_size) == m_sourceId.size &&
                      modifiedNs(st) == m_sourceId.modifiedNs;
    if (!same) {
        ::close(fd);
        errno = ESTALE;
        return false;
    }
    std::string chunk(64 * 1024, '\0');
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            if (line.overlong) {
                uint64_t done = 0;
                while (done < line.length) {
                    const size_t want =
                        static_cast<size_t>(std::min<uint64_t>(chunk.size(), line.length - done));
                    const ssize_t n =
                        ::pread(fd, chunk.data(), want, static_cast<off_t>(line.offset + done));
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n <= 0) {
                        const int error = n < 0 ? errno : ESTALE;
                        ::close(fd);
                        errno = error;
                        return false;
                    }
                    out.write(std::string_view(chunk.data(), static_cast<size_t>(n)));
                    done += static_cast<uint64_t>(n);
                }
            } else {
                out.write(line.text);
            }
            out.write(lineEndText(line.end));
        }
    }
    ::close(fd);
    return true;
}

bool ProfileFile::save(const std::filesystem::path& path) const {
    ReplacingFile out;
    if (!out.begin(path))
        return false;
    if (m_hadBom)
        out.write(kBom);
    if (m_hasOverlong) {
        if (!copyOverlong(out))
            return false;
    } else {
        for (const Section& section : m_sections) {
            for (const Line& line : section.lines) {
                out.write(line.text);
                out.write(lineEndText(line.end));
            }
        }
    }
    return out.commit();
}

bool writeProfileStrings(const std::filesystem::path& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& keys) {
    // A line end in a name would split its line: the section or key could never be read back,
    // and the rest of the name would land in the file as lines of their own (another song's
    // section in klv.eq, say). Such a name is refused and the file left as it is.
    const auto splitsLine = [](std::string_view name) {
        return name.find_first_of("\r\n") != std::string_view::npos;
    };
    bool refused = splitsLine(section);
    for (const auto& entry : keys)
        refused = refused || splitsLine(entry.first);
    if (refused) {
        errno = EINVAL;
        return false;
    }
    ProfileFile file;
    if (!file.load(path))
        return false;
    for (const auto& [key, value] : keys)
        file.set(section, key, value);
    return file.save(path);
}

bool writeProfileString(const std::filesystem::path& path, std::string_view section,
                        std::string_view key, std::string_view value) {
    return writeProfileStrings(path, section, {{std::string(key), std::string(value)}});
}

} // namespace klv::platform
