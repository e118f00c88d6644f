#include "HostObjects.h"

#include <algorithm>
#include <utility>

#include "JsonText.h"

namespace QuarnHost {

bool EnginePluginHost::isFormatSupported(const Quarn::String<char>& tag) {
  const bool supported = tag.equals("SSA");
  if (trace_ != nullptr)
    trace_->back("isFormatSupported", JsonFields().text("tag", tag.cText()),
                 supported ? "true" : "false");
  return supported;
}

void EnginePluginHost::pluginDestroying(Quarn::Plugin*) {
  destroying_ = true;
  if (trace_ != nullptr)
    trace_->back("pluginDestroying", {}, {});
}

void EnginePluginHost::pluginDestroyed(Quarn::Plugin*) {
  destroyed_ = destroying_;
  if (trace_ != nullptr)
    trace_->back("pluginDestroyed", {}, {});
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
  const std::uint64_t id = drawId();
  if (trace_ != nullptr)
    trace_->back("newId", {}, std::to_string(id));
  return id;
}

Quarn::String<char> EngineContainerHost::getPreferredLanguage() {
  if (trace_ != nullptr)
    trace_->back("getPreferredLanguage", {}, jsonString(preferredLanguage_));
  return Quarn::String<char>(preferredLanguage_.c_str());
}

void EngineContainerHost::getSetting(const Quarn::Setting& setting, Quarn::SettingValue* value) {
  answerSetting(setting, value);
  if (trace_ == nullptr)
    return;
  JsonFields answer;
  if (value != nullptr) {
    answer.number("tag", value->tag);
    if (value->tag == Quarn::SettingTagBoolean)
      answer.boolean("value", value->value.boolean != 0);
    else if (value->tag == Quarn::SettingTagText && value->value.text != nullptr)
      answer.text("value", value->value.text->cText());
  }
  trace_->back(
      "getSetting",
      JsonFields().text("section", setting.section.cText()).text("name", setting.name.cText()),
      value != nullptr ? answer.object() : "null");
}

void EngineContainerHost::answerSetting(const Quarn::Setting& setting,
                                        Quarn::SettingValue* value) const {
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
  if (trace_ != nullptr)
    trace_->back("streamAdded", JsonFields().number("stream", stream.streamId()), {});
  // Offered twice (a second selectProgram) is still one stream to destroy.
  if (std::find(streams_.begin(), streams_.end(), &stream) == streams_.end())
    streams_.push_back(&stream);
}

void EngineContainerHost::streamRemoved(std::uint64_t streamId) {
  if (trace_ != nullptr)
    trace_->back("streamRemoved", JsonFields().number("stream", streamId), {});
  const auto it = std::find_if(streams_.begin(), streams_.end(),
                               [streamId](auto* s) { return s->streamId() == streamId; });
  if (it == streams_.end())
    return;
  withdrawn_.push_back(*it);
  streams_.erase(it);
}

void EngineContainerHost::selectStream(std::uint64_t streamId, std::int32_t enable) {
  if (trace_ != nullptr)
    trace_->back("selectStream", JsonFields().number("stream", streamId).number("enable", enable),
                 {});
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

void EngineContainerHost::destroy(Quarn::StreamInterface* stream) {
  Trace::Call call(trace_, "~StreamInterface");
  const std::uint64_t id = stream->streamId();
  delete stream;
  if (call)
    call.done(JsonFields().number("stream", id), {});
}

void EngineContainerHost::destroyWithdrawnStreams() {
  for (Quarn::StreamInterface* stream : withdrawn_)
    destroy(stream);
  withdrawn_.clear();
}

void EngineContainerHost::destroyAllStreams() {
  destroyWithdrawnStreams();
  for (Quarn::StreamInterface* stream : streams_)
    destroy(stream);
  streams_.clear();
}

}  // namespace QuarnHost
