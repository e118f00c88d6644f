// The hosts' explanation of a refusal held to the truth: arbitrary bytes
// are written to a script file, the plug-in opens it, and the explanation
// must say that it opens exactly when open returns ResultOk, and name, when
// it does not, the step of the reader the plug-in's own log stopped at.
//
// Byte 0 is the host's CodePage settings (bits 0-1 OverrideEmbedded
// absent/true/false, bits 2-5 Name); the rest is the file.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "Diagnosis.h"
#include "FuzzCheck.h"
#include "ScratchFile.h"
#include "framework/ContainerInterface.h"
#include "framework/Plugin.h"
#include "support/FakeHost.h"

namespace {

using QuarnHost::Refusal;

constexpr const char* kCodePages[] = {
    nullptr,     "windows-1252", "UTF-16LE", "UTF-16BE", "UTF-16",     "UTF-7",
    "Shift_JIS", "no-such-cp",   "UTF-32",   "",         "ISO-8859-5", "GB18030"};
constexpr std::size_t kCodePageCount = sizeof kCodePages / sizeof kCodePages[0];

using TakeFunction = std::vector<const char*>* (*)();

// The recorder is loaded by its path before the plug-in's logger looks for
// a logging library by name, which then finds it by its soname.
TakeFunction loadRecorder() {
  void* library = dlopen(QUARN_LOG_RECORDER, RTLD_NOW | RTLD_GLOBAL);
  FUZZ_CHECK(library != nullptr);
  auto take = reinterpret_cast<TakeFunction>(dlsym(library, "LogRecorder_take"));
  FUZZ_CHECK(take != nullptr);
  return take;
}

bool logged(const std::vector<const char*>& formats, const char* part) {
  for (const char* format : formats) {
    if (std::strstr(format, part) != nullptr)
      return true;
  }
  return false;
}

// The step the plug-in's log shows its reader stopped at.
Refusal refusalLogged(const std::vector<const char*>& formats) {
  struct Refused {
    const char* part;
    Refusal refusal;
  };
  static constexpr Refused kRefused[] = {
      {"Failed to open file", Refusal::Unreadable},
      {"more than a text may hold", Refusal::TooLarge},
      {"holds only a", Refusal::OnlyMark},
      {"the file is empty", Refusal::Empty},
      {": no converter for ", Refusal::UnknownCodePage},
      {"nothing could be decoded as", Refusal::NothingDecoded},
      {"no text once decoded as", Refusal::NothingDecoded},
      {"does not begin with a well-formed UTF-8 character", Refusal::NotUtf8Start},
  };
  for (const Refused& refused : kRefused) {
    if (logged(formats, refused.part))
      return refused.refusal;
  }
  if (!logged(formats, "**Found events tag") && !logged(formats, "**Found implied events tag"))
    return Refusal::NoEventsSection;
  const bool format = logged(formats, "**found event format tag");
  if (!format && !logged(formats, "**missed event format tag"))
    return Refusal::NoFormatLine;
  if (format && !(logged(formats, "**got start pos") && logged(formats, "**got end pos")))
    return Refusal::NoTimeColumns;
  return Refusal::NoEntries;
}

// The causes an explanation names within a refusal of the text, each held
// to what the plug-in's log shows it met. What the text would give read
// otherwise ("with ... it would still not open: ...") is not this reading.
void checkNamedCause(const std::string& said, const std::vector<const char*>& formats) {
  // The causes are matched where the explanation puts them, not anywhere:
  // it quotes lines and column names of the script, which may say anything.
  auto startsWith = [&said](const char* part) { return said.rfind(part, 0) == 0; };
  static const std::regex kPassedOver(
      R"(^line [0-9]+, "\[[^\]]{0,15}\]", is not read as a section line: write it \[V4\+? )"
      R"(Styles\]; so the styles Format: line, line [0-9]+, was read as the events Format: line)");
  const bool eventsMark = logged(formats, "**Found events tag");
  const bool implied = logged(formats, "**Found implied events tag");
  // A styles line passed over: no styles section began, and a Format: line
  // opened the events by itself.
  if (std::regex_search(said, kPassedOver))
    FUZZ_CHECK(implied && !logged(formats, "**Found style tag") &&
               logged(formats, "**found event format tag"));
  if (startsWith("the script has no [Events] section"))
    FUZZ_CHECK(!eventsMark && !implied);
  if (startsWith("the [Events] section, from line"))
    FUZZ_CHECK(eventsMark || implied);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TakeFunction takeLog = loadRecorder();
  static const QuarnFuzz::ScratchFile scratch("quarn-explain");
  if (size < 1)
    return 0;
  scratch.write(data + 1, size - 1);

  QuarnHost::CodePageSettings settings;
  Quarn::Testing::FakePluginHost pluginHost;
  Quarn::Testing::FakeContainerHost host;
  const int overrideEmbedded = data[0] & 3;
  if (overrideEmbedded == 1 || overrideEmbedded == 2) {
    settings.overrideEmbedded = overrideEmbedded == 1;
    host.setBoolean("OverrideEmbedded", overrideEmbedded == 1);
  }
  if (const char* codePage = kCodePages[(data[0] >> 2 & 15) % kCodePageCount]) {
    settings.name = codePage;
    host.setText("Name", codePage);
  }

  Quarn::Plugin* plugin = nullptr;
  FUZZ_CHECK(getPlugin(&pluginHost, &plugin) == Quarn::ResultOk && plugin != nullptr);
  void* face = nullptr;
  FUZZ_CHECK(plugin->queryInterface(Quarn::String<char>(Quarn::kContainerInterfaceId), &face) ==
             Quarn::ResultOk);
  auto* container = static_cast<Quarn::ContainerInterface*>(face);
  container->setHost(&host, 7);
  takeLog();
  const Quarn::String<unsigned char> location(("file://" + scratch.path).c_str());
  Quarn::SourceDescriptor source;
  source.location = &location;
  const Quarn::Result opened = container->open(&source);
  const std::vector<const char*> formats = *takeLog();

  const QuarnHost::Explanation said = QuarnHost::explainFile(
      QuarnHost::readSourceFile(scratch.path), settings, QuarnHost::kPlayerOptions);
  if ((said.refusal == Refusal::None) != (opened == Quarn::ResultOk)) {
    std::fprintf(stderr, "open returned %08X, the explanation says %s: %s\n",
                 static_cast<unsigned>(opened), QuarnHost::refusalName(said.refusal),
                 said.text.c_str());
    FUZZ_CHECK(false);
  }
  if (opened != Quarn::ResultOk) {
    const Refusal logged = refusalLogged(formats);
    if (said.refusal != logged) {
      std::fprintf(stderr, "the log shows %s, the explanation says %s: %s\n",
                   QuarnHost::refusalName(logged), QuarnHost::refusalName(said.refusal),
                   said.text.c_str());
      FUZZ_CHECK(false);
    }
    FUZZ_CHECK(!said.text.empty() && said.text.find('\n') == std::string::npos);
    if (said.refusal >= Refusal::NoEventsSection &&
        said.text.find("it would still not open") == std::string::npos)
      checkNamedCause(said.text, formats);
  }

  container->closeStreams(false);
  host.destroyRemovedStreams();
  container->discardHeader();
  FUZZ_CHECK(plugin->release() == 0);
  return 0;
}
