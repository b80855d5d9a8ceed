#include "platform/directory_listing.h"

#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <wctype.h>

#include "platform/file_descriptor.h"
#include "platform/text_steps.h"

namespace platform {

namespace {

std::optional<std::u32string> codePointsOf(std::string_view utf8) {
    std::u32string out;
    for (size_t pos = 0; pos < utf8.size();) {
        const Utf8Step step = utf8StepAt(utf8, pos);
        if (step.status != Utf8Status::Valid)
            return std::nullopt;
        out.push_back(step.scalar);
        pos += step.length;
    }
    return out;
}

EntryKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

// Fills the entry's kind and link flag.
void judgeEntry(DIR* dir, const dirent& raw, DirectoryEntry& entry) {
    switch (raw.d_type) {
    case DT_REG:
        entry.kind = EntryKind::File;
        return;
    case DT_DIR:
        entry.kind = EntryKind::Folder;
        return;
    case DT_LNK:
        entry.link = true;
        break;
    case DT_UNKNOWN: {
        // File systems that do not tell the type are asked about the entry itself first.
        struct stat own {};
        if (fstatat(dirfd(dir), raw.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        entry.link = S_ISLNK(own.st_mode);
        if (!entry.link) {
            entry.kind = kindOfMode(own.st_mode);
            return;
        }
        break;
    }
    default:
        return;
    }
    // A link is judged by what it leads to.
    struct stat target {};
    if (fstatat(dirfd(dir), raw.d_name, &target, 0) == 0)
        entry.kind = kindOfMode(target.st_mode);
}

// Case folding for every script the system's listing folds, not only ASCII.
class CaseFolder {
public:
    CaseFolder() : locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
    ~CaseFolder() {
        if (locale)
            freelocale(locale);
    }
    CaseFolder(const CaseFolder&) = delete;
    CaseFolder& operator=(const CaseFolder&) = delete;

    char32_t fold(char32_t c) const {
        if (c < 0x80 || !locale)
            return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
        return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
    }

private:
    locale_t locale;
};

const CaseFolder& caseFolder() {
    static const CaseFolder folder;
    return folder;
}

std::optional<std::u32string> foldedCodePoints(const AnsiText& text) {
    const auto utf8 = utf8FromAnsi(text);
    if (!utf8)
        return std::nullopt;
    auto points = codePointsOf(*utf8);
    if (!points)
        return std::nullopt;
    for (char32_t& c : *points)
        c = caseFolder().fold(c);
    return points;
}

bool isForbiddenInPattern(char32_t c) {
    switch (c) {
    case U'|':
    case U'<':
    case U'>':
    case U'"':
    case U':':
    case U'/':
    case U'\\':
        return true;
    default:
        return false;
    }
}

} // namespace

AnsiText displayName(std::string_view native) {
    static const AnsiText replacement = ansi("\uFFFD");
    AnsiText out;
    for (size_t pos = 0; pos < native.size();) {
        const Utf8Step step = utf8StepAt(native, pos);
        if (step.status != Utf8Status::Valid) {
            out += replacement;
            ++pos;
            continue;
        }
        out += ansiFromUtf8(native.substr(pos, step.length)).value_or(replacement);
        pos += step.length;
    }
    return out;
}

struct DirectoryReader::Handle {
    struct Closer {
        void operator()(DIR* stream) const { closedir(stream); }
    };
    std::unique_ptr<DIR, Closer> dir;
};

DirectoryReader::DirectoryReader(const AnsiText& folder, FolderLinks links)
    : handle(std::make_unique<Handle>()) {
    const auto native = nativePath(folder);
    if (!native || native->empty())
        return;
    // O_NOFOLLOW looks at the last component only, so a trailing separator must not be there
    // to turn a link into the folder it names.
    std::string name = *native;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const int flags =
        O_RDONLY | O_DIRECTORY | O_CLOEXEC | (links == FolderLinks::Refuse ? O_NOFOLLOW : 0);
    FileDescriptor descriptor(::open(name.c_str(), flags));
    if (descriptor.get() < 0)
        return;
    handle->dir.reset(fdopendir(descriptor.get()));
    if (handle->dir)
        (void)descriptor.release(); // the stream owns it now
}

DirectoryReader::~DirectoryReader() = default;

bool DirectoryReader::isOpen() const {
    return handle->dir != nullptr;
}

std::optional<DirectoryEntry> DirectoryReader::next() {
    if (!handle->dir)
        return std::nullopt;
    for (;;) {
        const dirent* raw = readdir(handle->dir.get());
        if (!raw)
            return std::nullopt;
        const std::string_view native(raw->d_name);
        if (native == "." || native == "..")
            continue;
        DirectoryEntry entry;
        judgeEntry(handle->dir.get(), *raw, entry);
        auto name = ansiPath(native);
        // The way back must give the same bytes, or opening the name would reach another file.
        if (name && nativePath(*name) == native) {
            entry.name = std::move(*name);
        } else {
            entry.representable = false;
            entry.name = displayName(native);
        }
        return entry;
    }
}

WildcardPattern::WildcardPattern(const AnsiText& pattern) {
    auto points = foldedCodePoints(pattern);
    if (!points)
        return;
    for (char32_t c : *points) {
        if (isForbiddenInPattern(c))
            return;
    }
    isValid = true;
    everyName = *points == U"*.*";
    // The listing's own reading of the habits users type: "?" gives way at a dot or the end,
    // a dot before a wildcard or at the end may stand for no extension at all, and a "*"
    // before a dot stops at the name's last dot.
    const std::u32string& typed = *points;
    for (size_t i = 0; i < typed.size(); ++i) {
        const char32_t next = i + 1 < typed.size() ? typed[i + 1] : U'\0';
        if (typed[i] == U'?')
            folded.push_back(dosQuestion);
        else if (typed[i] == U'.' && (next == U'?' || next == U'*' || next == U'\0'))
            folded.push_back(dosDot);
        else if (typed[i] == U'*' && next == U'.')
            folded.push_back(dosStar);
        else
            folded.push_back(typed[i]);
    }
}

bool WildcardPattern::matches(const AnsiText& name) const {
    if (!isValid)
        return false;
    if (everyName)
        return true;
    const auto folding = foldedCodePoints(name);
    if (!folding)
        return false;
    const std::u32string& text = *folding;
    const std::u32string& pat = folded;
    const size_t lastDot = text.rfind(U'.');
    // takes[p * width + t]: pattern from p matches text from t. Filled from the ends backwards,
    // so the cost stays pattern length times name length whatever the wildcards.
    const size_t width = text.size() + 1;
    std::vector<unsigned char> takes((pat.size() + 1) * width, 0);
    const auto at = [&](size_t p, size_t t) -> unsigned char& { return takes[p * width + t]; };
    at(pat.size(), text.size()) = 1;
    for (size_t p = pat.size(); p-- > 0;) {
        for (size_t t = text.size() + 1; t-- > 0;) {
            const bool more = t < text.size();
            const char32_t c = more ? text[t] : U'\0';
            bool result = false;
            switch (pat[p]) {
            case U'*':
                result = at(p + 1, t) || (more && at(p, t + 1));
                break;
            case dosStar:
                result = at(p + 1, t) || (more && t != lastDot && at(p, t + 1));
                break;
            case dosQuestion:
                if (more && c != U'.') {
                    result = at(p + 1, t + 1);
                } else {
                    size_t after = p;
                    while (after < pat.size() && pat[after] == dosQuestion)
                        ++after;
                    result = at(after, t);
                }
                break;
            case dosDot:
                result = more ? c == U'.' && at(p + 1, t + 1) : at(p + 1, t);
                break;
            default:
                result = more && c == pat[p] && at(p + 1, t + 1);
                break;
            }
            at(p, t) = result ? 1 : 0;
        }
    }
    return at(0, 0) != 0;
}

} // namespace platform
