// The code page a host answers for a script that does not say its encoding.
// The plug-in decodes with the code page it is told and reads unnamed text
// as UTF-8, so a legacy script read without one loses every letter outside
// ASCII. A host asked to detect ("auto") looks at the file first and answers
// what it found; UTF-8 and marked text are left to the plug-in as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CodePageSettings.h"
#include "Diagnosis.h"

namespace QuarnHost {

/// What the host found out about a file's encoding, and what it answers.
struct CodePageDetection {
  enum class Basis {
    Utf8,          // UTF-8 after any mark, well-formed to the end or through
                   // its first 256 characters outside ASCII: no answer
    FollowedMark,  // a byte-order mark the plug-in follows itself
    Mark,          // a mark the settings make the plug-in ignore: its encoding
    Guess,         // ICU's guess, at kConfidentGuess or above
    Uncertain,     // ICU's guess, not followed: below kConfidentGuess, or a
                   // code page that does not keep the ASCII markup
    NoGuess,       // not UTF-8, and ICU has no guess (or cannot be loaded)
    Unread,        // the file could not be read
  };
  Basis basis = Basis::Unread;
  /// The answer to "Name"; empty for none, and the text is read as UTF-8.
  std::string name;
  /// Guess and Uncertain: ICU's guess and its confidence, 0 to 100.
  std::string guess;
  std::int32_t confidence = 0;
  /// FollowedMark and Mark: the mark as people write it ("UTF-16 LE").
  std::string mark;
};

/// Decides for a file's `bytes`, which the plug-in reads with
/// `overrideEmbedded` answered as given.
CodePageDetection detectCodePage(std::string_view bytes, std::optional<bool> overrideEmbedded);

/// One line for people: what was found in `file` (a name) and how it is
/// read, e.g. "film.ass is not UTF-8 and looks like windows-1251 (ICU's
/// confidence 62 of 100): reading it as windows-1251".
std::string describeDetection(const CodePageDetection& detection, const std::string& file,
                              const SettingNames& names);

/// The settings a host answers with for `location`, the URL the plug-in is
/// given: `asked` itself unless its code page is kDetectCodePage, which is
/// replaced by the detected one (or by none).
struct AnsweredCodePage {
  CodePageSettings settings;
  /// Set when the host was asked to detect.
  std::optional<CodePageDetection> detection;
  /// The file's name, or the location when it names no local file.
  std::string file;
};
AnsweredCodePage answerCodePage(const CodePageSettings& asked, std::string_view location);

}  // namespace QuarnHost
