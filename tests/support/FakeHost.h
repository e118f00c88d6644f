// Host objects for tests: they implement the host interfaces and record every
// call in order, so suites assert on what the plug-in asked of the host.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/HostInterfaces.h"
#include "framework/Plugin.h"
#include "framework/StreamInterface.h"

namespace Quarn::Testing {

/// One recorded host call: its name and a printable argument.
struct HostCall {
  std::string name;
  std::string argument;
  bool operator==(const HostCall& o) const { return name == o.name && argument == o.argument; }
};

/// Thread-safe, ordered record of host calls.
class CallLog {
 public:
  void add(std::string name, std::string argument = {});
  std::vector<HostCall> calls() const;
  std::vector<std::string> names() const;
  std::size_t count(const std::string& name) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<HostCall> calls_;
};

class FakePluginHost : public PluginHost {
 public:
  bool isFormatSupported(const String<char>& tag) override;
  void pluginDestroying(Plugin* plugin) override;
  void pluginDestroyed(Plugin* plugin) override;

  /// What isFormatSupported answers.
  bool formatSupported = true;
  CallLog log;
  /// The addresses passed to the two notifications, in call order.
  std::vector<const void*> destroyingKeys;
  std::vector<const void*> destroyedKeys;
};

class FakeContainerHost : public ContainerHost {
 public:
  std::uint64_t newId() override;
  String<char> getPreferredLanguage() override;
  void getSetting(const Setting& setting, SettingValue* value) override;
  void streamAdded(StreamInterface& stream) override;
  void streamRemoved(std::uint64_t streamId) override;
  void selectStream(std::uint64_t streamId, std::int32_t enable) override;

  /// Answer with a boolean (tag 1) to setting `name`.
  void setBoolean(const std::string& name, bool value);
  /// Answer with a text (tag 11) to setting `name`.
  void setText(const std::string& name, const std::string& value);
  void setPreferredLanguage(const std::string& language);

  /// Destroys the offered streams that have since been withdrawn, as a host
  /// does after streamRemoved; returns how many.
  int destroyRemovedStreams();

  /// The next id newId hands out; it then counts up.
  std::atomic<std::uint64_t> nextId{1};
  CallLog log;
  std::vector<std::uint64_t> addedStreams;
  /// The objects offered, in call order.
  std::vector<const StreamInterface*> addedObjects;
  std::vector<std::uint64_t> removedStreams;
  std::vector<std::pair<std::uint64_t, std::int32_t>> selectedStreams;

 private:
  std::mutex mutex_;
  std::map<std::uint64_t, StreamInterface*> offered_;
  std::string language_;
  std::map<std::string, bool> booleans_;
  std::map<std::string, String<char>> texts_;
};

class FakeConsumer : public StreamConsumer {
 public:
  explicit FakeConsumer(std::int32_t time = 0) : mediaTime(time) {}
  std::int32_t getMediaTime() override;

  std::atomic<std::int32_t> mediaTime;
  std::atomic<int> queries{0};
};

}  // namespace Quarn::Testing
