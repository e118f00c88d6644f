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

/// What a piece's first look returns when the mark decided everything.
constexpr std::size_t kDecided = static_cast<std::size_t>(-1);

/// How much of a file is read at a time while it is checked for UTF-8.
constexpr std::size_t kPiece = std::size_t{1} << 14;

/// Whether the regular file at `path` is UTF-8 after its first bytes, which
/// `decide` is shown first and which tells how many to skip; none when it
/// cannot be read. Most scripts are UTF-8, and this is all that detection
/// costs them: the file goes through one small buffer, up to the point the
/// evidence decides, since a fresh buffer the size of the file took longer
/// to fill than reading it.
template <class Decide>
std::optional<bool> isUtf8File(const std::string& path, Decide&& decide) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return std::nullopt;
  std::optional<bool> valid;
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::vector<unsigned char> buffer(kPiece + 3);
    std::size_t kept = 0;  // the start of a sequence the last piece cut off
    bool first = true;
    Utf8Evidence evidence;
    for (;;) {
      const ssize_t got = read(fd, buffer.data() + kept, kPiece);
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0)
        break;
      const unsigned char* text = buffer.data();
      std::size_t size = kept + static_cast<std::size_t>(got);
      if (first) {
        first = false;
        const std::size_t skip =
            decide(std::string_view(reinterpret_cast<const char*>(text), size));
        if (skip == kDecided) {
          valid = false;
          break;
        }
        text += skip;
        size -= skip;
      }
      // A sequence of up to four bytes may go on in the next piece.
      std::size_t whole = size;
      for (std::size_t back = 1; got != 0 && back <= 3 && back <= size; ++back) {
        const unsigned char byte = text[size - back];
        if ((byte & 0xC0) != 0x80) {
          whole = byte >= 0xC0 ? size - back : size;
          break;
        }
      }
      const Utf8Evidence::Verdict verdict = evidence.look(text, text + whole);
      if (verdict != Utf8Evidence::Verdict::Undecided || got == 0) {
        valid = verdict != Utf8Evidence::Verdict::NotUtf8;
        break;
      }
      kept = size - whole;
      std::memmove(buffer.data(), text + whole, kept);
    }
  }
  close(fd);
  return valid;
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
  const std::string confidence =
      "ICU's confidence " + std::to_string(detection.confidence) + " of 100";
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
      return file + " is not UTF-8 and looks like " + detection.name + " (" + confidence +
             "): reading it as " + detection.name;
    case Basis::Uncertain:
      return file + " is not UTF-8, and ICU's guess, " + detection.guess + " at confidence " +
             std::to_string(detection.confidence) + " of 100" + ", is too uncertain to follow" +
             asUtf8 + nameIt;
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
  std::optional<CodePageDetection> byMark;
  const std::optional<bool> utf8 = isUtf8File(path, [&](std::string_view start) {
    std::size_t skip = 0;
    byMark = decideByMark(start, asked.overrideEmbedded, skip);
    return byMark ? kDecided : skip;
  });
  if (byMark) {
    detection = *byMark;
  } else if (utf8 == std::optional<bool>(true)) {
    detection.basis = CodePageDetection::Basis::Utf8;
  } else if (utf8) {
    // Not UTF-8: the whole text is looked at, the mark decided nothing.
    const SourceFile file = readSourceFile(path);
    if (!file.readable || file.bytes.size() != file.size)
      return answer;
    detection = detectCodePage(file.bytes, asked.overrideEmbedded);
  }
  if (!detection.name.empty())
    answer.settings.name = detection.name;
  return answer;
}

}  // namespace QuarnHost
