// What the failure suites share: a script on disk, a host whose own
// bookkeeping stays out of the failure count, and a container made and
// destroyed the way a host does it.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "failure/FailingNew.h"
#include "framework/Records.h"
#include "plugin/SSAContainer.h"
#include "support/FakeHost.h"

namespace Quarn::Testing {

/// Three events in file order: out of time order so that the sort has work,
/// one with commas in its text, one with a non-ASCII letter written as
/// `accent` (its UTF-8 form, or a single byte for a legacy code page).
inline std::string failureScript(const std::string& accent) {
  return "[Script Info]\r\nTitle: failures\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname\r\n"
         "Style: Default,Arial\r\n\r\n[Events]\r\n"
         "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
         "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,second\r\n"
         "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world\r\n"
         "Dialogue: 0,0:00:07.00,0:00:09.00,Default,,0,0,0,,Caf" +
         accent + "\r\n";
}

/// The entries of failureScript as the stream hands them out, in time order.
inline std::vector<std::string> failureScriptEntries() {
  return {"Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world",
          "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,second",
          "Dialogue: 0,0:00:07.00,0:00:09.00,Default,,0,0,0,,Caf\xC3\xA9"};
}

/// How a call made with the k-th allocation armed to fail ended.
struct ArmedCall {
  Result result = ResultOk;
  bool badAlloc = false;    ///< std::bad_alloc left the call
  bool otherThrow = false;  ///< anything else left it
  bool reached = false;     ///< the k-th allocation happened
};

/// "bad_alloc", "another exception" or the result's name.
inline std::string outcomeName(const ArmedCall& call) {
  return call.badAlloc     ? "bad_alloc"
         : call.otherThrow ? "another exception"
                           : resultName(call.result);
}

/// Runs `call` with the k-th allocation armed (k 0: nothing armed).
template <class Call>
ArmedCall callArmed(std::int64_t k, Call&& call) {
  ArmedCall out;
  if (k > 0)
    FailingNew::arm(k);
  try {
    out.result = call();
  } catch (const std::bad_alloc&) {
    out.badAlloc = true;
  } catch (...) {
    out.otherThrow = true;
  }
  out.reached = FailingNew::disarm();
  return out;
}

/// The fake host, with its call log kept out of the failure count (it is test
/// machinery, and an exception from a host callback is not what is tested),
/// and the last stream offered to it remembered.
class ExemptHost : public FakeContainerHost {
 public:
  std::uint64_t newId() override {
    FailingNew::Exempt exempt;
    return FakeContainerHost::newId();
  }
  String<char> getPreferredLanguage() override {
    FailingNew::Exempt exempt;
    return FakeContainerHost::getPreferredLanguage();
  }
  void getSetting(const Setting& setting, SettingValue* value) override {
    FailingNew::Exempt exempt;
    FakeContainerHost::getSetting(setting, value);
  }
  void streamAdded(StreamInterface& stream) override {
    FailingNew::Exempt exempt;
    offered = &stream;
    FakeContainerHost::streamAdded(stream);
  }
  void streamRemoved(std::uint64_t streamId) override {
    FailingNew::Exempt exempt;
    FakeContainerHost::streamRemoved(streamId);
  }
  void selectStream(std::uint64_t streamId, std::int32_t enable) override {
    FailingNew::Exempt exempt;
    FakeContainerHost::selectStream(streamId, enable);
  }

  StreamInterface* offered = nullptr;
};

/// A container on the heap with its two hosts, torn down as a host does:
/// streams closed and destroyed, header discarded, the object released
/// through its Plugin face.
class ContainerCycle {
 public:
  explicit ContainerCycle(const char* codePage = nullptr) : container(new SSAContainer(&plugins)) {
    if (codePage != nullptr)
      host.setText("Name", codePage);
    container->setHost(&host, 3);
  }
  ~ContainerCycle() {
    container->closeStreams(false);
    host.destroyRemovedStreams();
    container->discardHeader();
    static_cast<Plugin*>(container)->release();
  }
  ContainerCycle(const ContainerCycle&) = delete;
  ContainerCycle& operator=(const ContainerCycle&) = delete;

  /// Opens `url` with the k-th allocation of the open armed to fail.
  ArmedCall open(const std::string& url, std::int64_t k = 0) {
    const String<unsigned char> location(url.c_str());
    SourceDescriptor source;
    source.location = &location;
    return callArmed(k, [&] { return container->open(&source); });
  }

  FakePluginHost plugins;
  ExemptHost host;
  SSAContainer* container;
};

}  // namespace Quarn::Testing
