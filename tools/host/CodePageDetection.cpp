#include "CodePageDetection.h"

#include <rules/ByteOrderMarks.h>
#include <rules/Utf8.h>

#include "IcuText.h"

namespace QuarnHost {

CodePageDetection detectCodePage(std::string_view bytes, std::optional<bool> overrideEmbedded) {
  using Basis = CodePageDetection::Basis;
  CodePageDetection found;
  const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
  // A mark names the encoding for certain. The plug-in follows it only when
  // told that the code page does not override it; otherwise the mark's own
  // encoding is answered, except for UTF-8, which is read as it is anyway.
  if (const Quarn::ByteOrderMark* mark =
          Quarn::findByteOrderMark(text, std::min<std::size_t>(bytes.size(), 4))) {
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
    text += mark->skip;
    bytes.remove_prefix(mark->skip);
    found.mark.clear();
  }
  if (Quarn::isValidUtf8(text, bytes.size())) {
    found.basis = Basis::Utf8;
    return found;
  }
  const std::optional<EncodingGuess> guess = guessEncoding(bytes);
  if (!guess) {
    found.basis = Basis::NoGuess;
    return found;
  }
  found.guess = guess->name;
  found.confidence = guess->confidence;
  found.basis = guess->confidence >= kConfidentGuess ? Basis::Guess : Basis::Uncertain;
  if (found.basis == Basis::Guess)
    found.name = guess->name;
  return found;
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
  const SourceFile file = readSourceFile(path);
  answer.file = fileNameOf(file);
  if (!file.readable || file.bytes.size() != file.size)
    return answer;
  detection = detectCodePage(file.bytes, asked.overrideEmbedded);
  if (!detection.name.empty())
    answer.settings.name = detection.name;
  return answer;
}

}  // namespace QuarnHost
