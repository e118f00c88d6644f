// Every crossing of the plug-in boundary, one JSON line each: the calls a
// host makes into the module and the calls the module makes back into the
// host, in the order they complete. A host writer reads it to see what the
// plug-in asked of the host and when. Hosts hold a null Trace* when tracing
// is off, and every call site then costs one test of that pointer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Quarn {
class MediaChunk;
}

namespace QuarnHost {

/// The members of one JSON object, built in order: {"stream":7,"rate":-1000}.
class JsonFields {
 public:
  JsonFields& number(std::string_view name, std::int64_t value);
  JsonFields& text(std::string_view name, std::string_view value);
  JsonFields& boolean(std::string_view name, bool value);
  /// `json` is written as it stands: an object, a list or null.
  JsonFields& raw(std::string_view name, std::string_view json);

  bool empty() const { return members_.empty(); }
  /// The object, braces included.
  std::string object() const { return "{" + members_ + "}"; }
  /// The members without braces, to extend another object.
  const std::string& members() const { return members_; }

 private:
  JsonFields& add(std::string_view name, std::string_view json);

  std::string members_;
};

/// A result code as the trace writes it: eight hex digits in quotes.
std::string traceResult(std::int32_t result);

class Trace {
 public:
  /// Writes to `out`, which must outlive the trace; each line is flushed.
  explicit Trace(std::FILE* out);
  /// A trace to `path`: standard error for "-", else a file made anew there
  /// and closed with the trace. Null, with errno set, when it cannot be made.
  static std::unique_ptr<Trace> open(const std::string& path);
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  /// A call the host makes into the module. The module's calls back into the
  /// host while it runs name it in "in"; its own line, written by done(),
  /// comes after them. Does nothing when `trace` is null.
  class Call {
   public:
    Call(Trace* trace, const char* fn) : trace_(trace), fn_(fn) {
      if (trace_ != nullptr)
        trace_->running_.push_back(fn);
    }
    ~Call() {
      if (trace_ != nullptr)
        trace_->running_.pop_back();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    /// Whether the line will be written: build its fields only then.
    explicit operator bool() const { return trace_ != nullptr; }
    /// Writes the line. `result` is a JSON value (traceResult, true, 42),
    /// empty for an operation that returns nothing; `more` adds members
    /// after it.
    void done(const JsonFields& args, std::string_view result, const JsonFields& more = {});

   private:
    Trace* trace_;
    const char* fn_;
  };

  /// A call the module made into the host, now complete; "in" names the
  /// innermost host call running, if any. `answer` is a JSON value, empty
  /// for a call that returns nothing.
  void back(const char* fn, const JsonFields& args, std::string_view answer);

  /// The number of a chunk just handed out: its place in hand-out order.
  std::uint64_t handedOut(const Quarn::MediaChunk* chunk);
  /// The number of a chunk being given back, which it then loses (the
  /// module may hand the same object out again); 0 for one never handed out.
  std::uint64_t givenBack(const Quarn::MediaChunk* chunk);
  /// The number of a chunk held, or 0.
  std::uint64_t numberOf(const Quarn::MediaChunk* chunk) const;

 private:
  void write(const char* dir, const char* fn, const JsonFields& args, std::string_view resultName,
             std::string_view result, const std::string& more);

  std::FILE* out_;
  bool ownsOut_ = false;
  /// An element's threads take turns at the plug-in, but a line is written
  /// whole whatever they do.
  mutable std::mutex mutex_;
  std::uint64_t seq_ = 0;
  std::uint64_t chunks_ = 0;
  std::vector<const char*> running_;
  std::unordered_map<const Quarn::MediaChunk*, std::uint64_t> held_;
};

}  // namespace QuarnHost
