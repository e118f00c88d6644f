// What a host detecting code pages answers, held to what it looks at: the
// file read a piece at a time must give what the whole text gives, and only
// a mark's code page, or a confident guess that keeps ASCII, is answered.
//
// Byte 0: bits 0-1 OverrideEmbedded (absent/true/false); bits 2-7, when not
// zero, how many bytes before 65536, where a 16 KiB piece ends, the rest
// starts (ASCII fills the file up to there); the rest is the text.
#include <cstdint>
#include <optional>
#include <string>

#include "CodePageDetection.h"
#include "FuzzCheck.h"
#include "IcuText.h"
#include "ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using Basis = QuarnHost::CodePageDetection::Basis;
  static const QuarnFuzz::ScratchFile scratch("quarn-detect");
  if (size < 1)
    return 0;
  std::optional<bool> overrideEmbedded;
  if ((data[0] & 3) == 1 || (data[0] & 3) == 2)
    overrideEmbedded = (data[0] & 3) == 1;
  const std::size_t before = data[0] >> 2;
  std::string bytes(before != 0 ? (std::size_t{1} << 16) - before : 0, 'a');
  bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
  scratch.write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());

  const QuarnHost::CodePageDetection whole = QuarnHost::detectCodePage(bytes, overrideEmbedded);
  const QuarnHost::AnsweredCodePage answered = QuarnHost::answerCodePage(
      {overrideEmbedded, std::string(QuarnHost::kDetectCodePage)}, "file://" + scratch.path);
  FUZZ_CHECK(answered.detection && answered.settings.detected);
  FUZZ_CHECK(answered.detection->basis == whole.basis && answered.detection->name == whole.name);
  FUZZ_CHECK(answered.settings.name.value_or("") == whole.name);
  FUZZ_CHECK(answered.settings.overrideEmbedded == overrideEmbedded);

  switch (whole.basis) {
    case Basis::Guess:
      FUZZ_CHECK(whole.confidence >= QuarnHost::kConfidentGuess && whole.name == whole.guess &&
                 QuarnHost::keepsAscii(whole.name));
      break;
    case Basis::Mark:
      FUZZ_CHECK(!whole.name.empty() && !whole.mark.empty() && overrideEmbedded.value_or(true));
      break;
    default:
      FUZZ_CHECK(whole.name.empty());
  }
  const std::string line =
      QuarnHost::describeDetection(whole, "fuzz.ass", QuarnHost::kPlayerOptions);
  FUZZ_CHECK(!line.empty() && line.find('\n') == std::string::npos);
  return 0;
}
