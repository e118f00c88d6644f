#include "Trace.h"

#include <cinttypes>

#include "JsonText.h"

namespace QuarnHost {

JsonFields& JsonFields::add(std::string_view name, std::string_view json) {
  if (!members_.empty())
    members_ += ',';
  members_ += jsonString(name);
  members_ += ':';
  members_ += json;
  return *this;
}

JsonFields& JsonFields::number(std::string_view name, std::int64_t value) {
  return add(name, std::to_string(value));
}

JsonFields& JsonFields::text(std::string_view name, std::string_view value) {
  return add(name, jsonString(value));
}

JsonFields& JsonFields::boolean(std::string_view name, bool value) {
  return add(name, value ? "true" : "false");
}

JsonFields& JsonFields::raw(std::string_view name, std::string_view json) {
  return add(name, json);
}

std::string traceResult(std::int32_t result) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "\"0x%08" PRIX32 "\"", static_cast<std::uint32_t>(result));
  return hex;
}

Trace::Trace(std::FILE* out) : out_(out) {}

std::unique_ptr<Trace> Trace::open(const std::string& path) {
  if (path == "-")
    return std::make_unique<Trace>(stderr);
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr)
    return nullptr;
  auto trace = std::make_unique<Trace>(file);
  trace->ownsOut_ = true;
  return trace;
}

Trace::~Trace() {
  if (ownsOut_)
    std::fclose(out_);
}

void Trace::Call::done(const JsonFields& args, std::string_view result, const JsonFields& more) {
  if (trace_ == nullptr)
    return;
  // The call is over: the line names no call of its own in "in".
  trace_->running_.pop_back();
  trace_->write("call", fn_, args, "result", result, more.members());
  trace_->running_.push_back(fn_);
}

void Trace::back(const char* fn, const JsonFields& args, std::string_view answer) {
  write("back", fn, args, "answer", answer, {});
}

void Trace::write(const char* dir, const char* fn, const JsonFields& args,
                  std::string_view resultName, std::string_view result, const std::string& more) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::string line =
      "{\"seq\":" + std::to_string(++seq_) + ",\"dir\":\"" + dir + "\",\"fn\":" + jsonString(fn);
  if (std::string_view(dir) == "back" && !running_.empty())
    line += ",\"in\":" + jsonString(running_.back());
  if (!args.empty())
    line += ",\"args\":" + args.object();
  if (!result.empty())
    line.append(",\"").append(resultName).append("\":").append(result);
  if (!more.empty())
    line += "," + more;
  line += "}\n";
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
}

std::uint64_t Trace::handedOut(const Quarn::MediaChunk* chunk) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return held_[chunk] = ++chunks_;
}

std::uint64_t Trace::givenBack(const Quarn::MediaChunk* chunk) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = held_.find(chunk);
  if (it == held_.end())
    return 0;
  const std::uint64_t n = it->second;
  held_.erase(it);
  return n;
}

std::uint64_t Trace::numberOf(const Quarn::MediaChunk* chunk) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = held_.find(chunk);
  return it == held_.end() ? 0 : it->second;
}

}  // namespace QuarnHost
