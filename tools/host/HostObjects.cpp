#include "HostObjects.h"

#include <algorithm>
#include <utility>

namespace QuarnHost {

bool EnginePluginHost::isFormatSupported(const Quarn::String<char>& tag) {
  return tag.equals("SSA");
}

void EnginePluginHost::pluginDestroying(Quarn::Plugin*) {
  destroying_ = true;
}

void EnginePluginHost::pluginDestroyed(Quarn::Plugin*) {
  destroyed_ = destroying_;
}

EngineContainerHost::EngineContainerHost(std::string preferredLanguage,
                                         const CodePageSettings& settings)
    : preferredLanguage_(std::move(preferredLanguage)),
      overrideEmbedded_(settings.overrideEmbedded) {
  if (settings.name)
    codePageName_.emplace(settings.name->c_str());
}

EngineContainerHost::~EngineContainerHost() {
  // Whatever is left belongs to us; a normal run has destroyed it already.
  destroyWithdrawnStreams();
}

std::uint64_t EngineContainerHost::newId() {
  return nextId_++;
}

Quarn::String<char> EngineContainerHost::getPreferredLanguage() {
  return Quarn::String<char>(preferredLanguage_.c_str());
}

void EngineContainerHost::getSetting(const Quarn::Setting& setting, Quarn::SettingValue* value) {
  if (value == nullptr)
    return;
  value->tag = Quarn::SettingTagNone;
  if (!setting.section.equals("CodePage"))
    return;
  if (setting.name.equals("OverrideEmbedded") && overrideEmbedded_) {
    value->tag = Quarn::SettingTagBoolean;
    value->value.boolean = *overrideEmbedded_ ? 1 : 0;
  } else if (setting.name.equals("Name") && codePageName_) {
    value->tag = Quarn::SettingTagText;
    value->value.text = &*codePageName_;
  }
}

void EngineContainerHost::streamAdded(Quarn::StreamInterface& stream) {
  // Offered twice (a second selectProgram) is still one stream to destroy.
  if (std::find(streams_.begin(), streams_.end(), &stream) == streams_.end())
    streams_.push_back(&stream);
}

void EngineContainerHost::streamRemoved(std::uint64_t streamId) {
  const auto it = std::find_if(streams_.begin(), streams_.end(),
                               [streamId](auto* s) { return s->streamId() == streamId; });
  if (it == streams_.end())
    return;
  withdrawn_.push_back(*it);
  streams_.erase(it);
}

void EngineContainerHost::selectStream(std::uint64_t streamId, std::int32_t) {
  selected_ = streamId;
}

Quarn::StreamInterface* EngineContainerHost::streamToPlay() const {
  if (streams_.empty())
    return nullptr;
  if (selected_) {
    for (Quarn::StreamInterface* stream : streams_) {
      if (stream->streamId() == *selected_)
        return stream;
    }
  }
  return streams_.front();
}

void EngineContainerHost::destroyWithdrawnStreams() {
  for (Quarn::StreamInterface* stream : withdrawn_)
    delete stream;
  withdrawn_.clear();
}

void EngineContainerHost::destroyAllStreams() {
  destroyWithdrawnStreams();
  for (Quarn::StreamInterface* stream : streams_)
    delete stream;
  streams_.clear();
}

}  // namespace QuarnHost
