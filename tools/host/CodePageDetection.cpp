#include "CodePageDetection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <rules/ByteOrderMarks.h>
#include <rules/Utf8.h>

#include "IcuText.h"

namespace QuarnHost {

namespace {

using Basis = CodePageDetection::Basis;

// A mark names the encoding for certain. The plug-in follows it only when
// told that the code page does not override it; otherwise the mark's own
// encoding is answered, except for UTF-8, which is read as it is anyway.
// No value when the text after the mark (`skip` bytes) is to be looked at.
std::optional<CodePageDetection> decideByMark(std::string_view start,
                                              std::optional<bool> overrideEmbedded,
                                              std::size_t& skip) {
  skip = 0;
  const Quarn::ByteOrderMark* mark = Quarn::findByteOrderMark(
      reinterpret_cast<const unsigned char*>(start.data()), std::min<std::size_t>(start.size(), 4));
  if (mark == nullptr)
    return std::nullopt;
  CodePageDetection found;
  found.mark = mark->shown;
  if (overrideEmbedded == std::optional<bool>(false)) {
    found.basis = Basis::FollowedMark;
    return found;
  }
  if (std::string_view(mark->converter) != "UTF8" && isKnownCodePage(mark->converter)) {
    found.basis = Basis::Mark;
    found.name = mark->converter;
    return found;
  }
  skip = mark->skip;
  return std::nullopt;
}

CodePageDetection guess(std::string_view text) {
  CodePageDetection found;
  const std::optional<EncodingGuess> guess = guessEncoding(text);
  if (!guess) {
    found.basis = Basis::NoGuess;
    return found;
  }
  found.guess = guess->name;
  found.confidence = guess->confidence;
  found.basis = guess->confidence >= kConfidentGuess && keepsAscii(guess->name) ? Basis::Guess
                                                                                : Basis::Uncertain;
  if (found.basis == Basis::Guess)
    found.name = guess->name;
  return found;
}

/// Characters outside ASCII, well-formed, after which a text is taken for
/// UTF-8. Legacy text is ill-formed almost at once: over the 464 legacy
/// scripts of scripts/measure-code-page-detection started at each of their
/// lines, the most well-formed characters before the first ill-formed one
/// was 2. Deciding early spares reading the rest of a large UTF-8 script,
/// which cost as much as the player's own read of it; an ASCII script is
/// still read to its end, since its first other byte may come late.
constexpr std::size_t kEnoughUtf8 = 256;

/// Looks at a text a piece at a time for whether it is UTF-8.
class Utf8Evidence {
 public:
  enum class Verdict { Undecided, Utf8, NotUtf8 };

  /// Looks at [text, end), which holds whole sequences only (or the end of
  /// the text).
  Verdict look(const unsigned char* text, const unsigned char* end) {
    for (text = Quarn::skipAscii(text, end); text < end; text = Quarn::skipAscii(text, end)) {
      const Quarn::Utf8Step step = Quarn::nextUtf8(text, end);
      if (!step.wellFormed)
        return Verdict::NotUtf8;
      if (++characters_ == kEnoughUtf8)
        return Verdict::Utf8;
      text += step.length;
    }
    return Verdict::Undecided;
  }

 private:
  std::size_t characters_ = 0;
};

/// How much of a file is read at a time while it is checked for UTF-8.
constexpr std::size_t kPiece = std::size_t{1} << 14;

/// Whether the file open as `fd` is UTF-8 from byte `from` on; none when it
/// cannot be read. Most scripts are UTF-8, and this is all that detection
/// costs them: the file goes through one small buffer, up to the point the
/// evidence decides, since a fresh buffer the size of the file took longer
/// to fill than reading it.
std::optional<bool> isUtf8From(int fd, std::size_t from) {
  if (lseek(fd, static_cast<off_t>(from), SEEK_SET) < 0)
    return std::nullopt;
  std::vector<unsigned char> buffer(kPiece + 3);
  std::size_t kept = 0;  // the start of a sequence the last piece cut off
  Utf8Evidence evidence;
  for (;;) {
    const ssize_t got = read(fd, buffer.data() + kept, kPiece);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return std::nullopt;
    const std::size_t size = kept + static_cast<std::size_t>(got);
    // A sequence of up to four bytes may go on in the next piece.
    std::size_t whole = size;
    for (std::size_t back = 1; got != 0 && back <= 3 && back <= size; ++back) {
      const unsigned char byte = buffer[size - back];
      if ((byte & 0xC0) != 0x80) {
        whole = byte >= 0xC0 ? size - back : size;
        break;
      }
    }
    const Utf8Evidence::Verdict verdict = evidence.look(buffer.data(), buffer.data() + whole);
    if (verdict != Utf8Evidence::Verdict::Undecided || got == 0)
      return verdict != Utf8Evidence::Verdict::NotUtf8;
    kept = size - whole;
    std::memmove(buffer.data(), buffer.data() + whole, kept);
  }
}

/// What the regular file at `path` shows: its mark, then whether it is
/// UTF-8, and only when it is not, the whole text for ICU's guess.
CodePageDetection detectInFile(const std::string& path, std::optional<bool> overrideEmbedded) {
  CodePageDetection found;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return found;
  struct stat info;
  char start[4];
  const ssize_t started =
      fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? pread(fd, start, sizeof start, 0) : -1;
  std::size_t skip = 0;
  std::optional<bool> utf8;
  if (started >= 0) {
    const std::optional<CodePageDetection> byMark = decideByMark(
        std::string_view(start, static_cast<std::size_t>(started)), overrideEmbedded, skip);
    if (byMark)
      found = *byMark;
    else
      utf8 = isUtf8From(fd, skip);
  }
  close(fd);
  if (utf8 == std::optional<bool>(true)) {
    found.basis = Basis::Utf8;
  } else if (utf8) {
    const SourceFile file = readSourceFile(path);
    if (file.readable && file.bytes.size() == file.size && file.size >= skip)
      found = guess(std::string_view(file.bytes).substr(skip));
  }
  return found;
}

}  // namespace

CodePageDetection detectCodePage(std::string_view bytes, std::optional<bool> overrideEmbedded) {
  std::size_t skip = 0;
  if (std::optional<CodePageDetection> decided = decideByMark(bytes, overrideEmbedded, skip))
    return *decided;
  bytes.remove_prefix(skip);
  const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
  if (Utf8Evidence().look(text, text + bytes.size()) != Utf8Evidence::Verdict::NotUtf8) {
    CodePageDetection found;
    found.basis = Basis::Utf8;
    return found;
  }
  return guess(bytes);
}

std::string describeDetection(const CodePageDetection& detection, const std::string& file,
                              const SettingNames& names) {
  using Basis = CodePageDetection::Basis;
  const std::string asUtf8 = ": reading it as UTF-8";
  const std::string nameIt =
      "; name its encoding with " + std::string(names.codepage) + names.separator + "NAME";
  const std::string outOf100 = std::to_string(detection.confidence) + " of 100";
  switch (detection.basis) {
    case Basis::Utf8:
      return file + " is well-formed UTF-8" + asUtf8;
    case Basis::FollowedMark:
      return file + " starts with a " + detection.mark +
             " byte-order mark, which the plug-in follows: reading it as " + detection.mark;
    case Basis::Mark:
      return file + " starts with a " + detection.mark + " byte-order mark: reading it as " +
             detection.name;
    case Basis::Guess:
      return file + " is not UTF-8 and looks like " + detection.name + " (ICU's confidence " +
             outOf100 + "): reading it as " + detection.name;
    case Basis::Uncertain:
      return file + " is not UTF-8, and ICU's guess, " + detection.guess + " at confidence " +
             outOf100 + ", is too uncertain to follow" + asUtf8 + nameIt;
    case Basis::NoGuess:
      return file + " is not UTF-8, and ICU has no guess at its encoding" + asUtf8 + nameIt;
    case Basis::Unread:
      break;
  }
  return "the encoding of " + file + " was not detected, as the file cannot be read" + asUtf8;
}

AnsweredCodePage answerCodePage(const CodePageSettings& asked, std::string_view location) {
  AnsweredCodePage answer;
  answer.settings = asked;
  answer.file = std::string(location);
  if (asked.name != std::optional<std::string>(kDetectCodePage))
    return answer;
  answer.settings.name.reset();
  answer.settings.detected = true;
  CodePageDetection& detection = answer.detection.emplace();
  std::string path;
  if (explainUrl(location, path).refusal != Refusal::None)
    return answer;
  answer.file = path.substr(path.rfind('/') + 1);
  detection = detectInFile(path, asked.overrideEmbedded);
  if (!detection.name.empty())
    answer.settings.name = detection.name;
  return answer;
}

}  // namespace QuarnHost
