#include "support/FakeHost.h"

namespace Quarn::Testing {

void CallLog::add(std::string name, std::string argument) {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.push_back({std::move(name), std::move(argument)});
}

std::vector<HostCall> CallLog::calls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return calls_;
}

std::vector<std::string> CallLog::names() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<std::string> names;
  for (const HostCall& call : calls_)
    names.push_back(call.name);
  return names;
}

std::size_t CallLog::count(const std::string& name) const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::size_t n = 0;
  for (const HostCall& call : calls_)
    n += call.name == name;
  return n;
}

void CallLog::clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.clear();
}

bool FakePluginHost::isFormatSupported(const String<char>& tag) {
  log.add("isFormatSupported", tag.toStdString());
  return formatSupported;
}

void FakePluginHost::pluginDestroying(Plugin* plugin) {
  log.add("pluginDestroying");
  destroyingKeys.push_back(plugin);
}

void FakePluginHost::pluginDestroyed(Plugin* plugin) {
  log.add("pluginDestroyed");
  destroyedKeys.push_back(plugin);
}

std::uint64_t FakeContainerHost::newId() {
  const std::uint64_t id = nextId++;
  log.add("newId", std::to_string(id));
  return id;
}

String<char> FakeContainerHost::getPreferredLanguage() {
  std::lock_guard<std::mutex> guard(mutex_);
  log.add("getPreferredLanguage", language_);
  return String<char>(language_.c_str());
}

void FakeContainerHost::getSetting(const Setting& setting, SettingValue* value) {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::string name = setting.name.toStdString();
  log.add("getSetting",
          std::to_string(setting.domain) + "/" + setting.section.toStdString() + "/" + name);
  value->tag = SettingTagNone;
  if (auto b = booleans_.find(name); b != booleans_.end()) {
    value->tag = SettingTagBoolean;
    value->value.boolean = b->second ? 1 : 0;
  } else if (auto t = texts_.find(name); t != texts_.end()) {
    value->tag = SettingTagText;
    value->value.text = &t->second;
  }
}

void FakeContainerHost::streamAdded(StreamInterface& stream) {
  log.add("streamAdded", std::to_string(stream.streamId()));
  std::lock_guard<std::mutex> guard(mutex_);
  addedStreams.push_back(stream.streamId());
  addedObjects.push_back(&stream);
  offered_[stream.streamId()] = &stream;
}

int FakeContainerHost::destroyRemovedStreams() {
  std::lock_guard<std::mutex> guard(mutex_);
  int destroyed = 0;
  for (std::uint64_t id : removedStreams) {
    auto it = offered_.find(id);
    if (it == offered_.end())
      continue;
    delete it->second;
    offered_.erase(it);
    ++destroyed;
  }
  return destroyed;
}

void FakeContainerHost::streamRemoved(std::uint64_t streamId) {
  log.add("streamRemoved", std::to_string(streamId));
  std::lock_guard<std::mutex> guard(mutex_);
  removedStreams.push_back(streamId);
}

void FakeContainerHost::selectStream(std::uint64_t streamId, std::int32_t enable) {
  log.add("selectStream", std::to_string(streamId) + "," + std::to_string(enable));
  std::lock_guard<std::mutex> guard(mutex_);
  selectedStreams.emplace_back(streamId, enable);
}

void FakeContainerHost::setBoolean(const std::string& name, bool value) {
  std::lock_guard<std::mutex> guard(mutex_);
  texts_.erase(name);
  booleans_[name] = value;
}

void FakeContainerHost::setText(const std::string& name, const std::string& value) {
  std::lock_guard<std::mutex> guard(mutex_);
  booleans_.erase(name);
  texts_.erase(name);
  texts_.emplace(name, String<char>(value.c_str()));
}

void FakeContainerHost::setPreferredLanguage(const std::string& language) {
  std::lock_guard<std::mutex> guard(mutex_);
  language_ = language;
}

std::int32_t FakeConsumer::getMediaTime() {
  ++queries;
  return mediaTime;
}

}  // namespace Quarn::Testing
