// What the player prints: JSON Lines or the human view.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include <quarn/MediaBuffer.h>
#include <quarn/Result.h>

#include "ResultText.h"

namespace QuarnPlay {

// Shared with the other hosts.
using QuarnHost::formatMediaTime;
using QuarnHost::formatResultCode;
using QuarnHost::openResultName;
using QuarnHost::payloadText;

/// The description of one stream as the host reads it.
struct StreamSummary {
  std::uint64_t id = 0;
  std::string name;
  std::string language;
  std::string region;
  std::uint32_t type = 0;
  Quarn::FormatDescriptor format;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

/// Receives the run's events in this order: probe, open, the offered streams,
/// header, seek, the stream about to be read, chunks, end. Each view prints
/// what its format shows; --quiet leaves the end alone.
class Report {
 public:
  virtual ~Report() = default;
  virtual void probe(bool accepted) = 0;
  virtual void open(Quarn::Result result) = 0;
  virtual void streamOffered(const StreamSummary& stream) = 0;
  virtual void header(std::string_view tag, std::int32_t kind, std::uint32_t length,
                      std::string_view text) = 0;
  virtual void seek(std::uint32_t requested, std::optional<std::uint32_t> reached,
                    Quarn::Result result) = 0;
  /// True when streamReading needs the number of entries to come.
  virtual bool wantsEntryCount() const = 0;
  virtual void streamReading(const StreamSummary& stream, std::optional<std::uint64_t> entries) = 0;
  virtual void chunk(std::uint32_t timestamp, std::uint32_t duration, std::uint32_t length,
                     std::string_view text) = 0;
  virtual void end(std::uint64_t chunks, bool stalled) = 0;
};

/// Common ground: the destination, --quiet, and flushing each line when the
/// lines must appear as the clock reaches them.
class ReportTo : public Report {
 public:
  ReportTo(std::FILE* out, bool quiet, bool flushEachLine)
      : out_(out), quiet_(quiet), flushEachLine_(flushEachLine) {}

 protected:
  void writeLine(const std::string& line);
  bool quiet() const { return quiet_; }

 private:
  std::FILE* out_;
  bool quiet_;
  bool flushEachLine_;
};

class JsonReport : public ReportTo {
 public:
  using ReportTo::ReportTo;
  void probe(bool accepted) override;
  void open(Quarn::Result result) override;
  void streamOffered(const StreamSummary& stream) override;
  void header(std::string_view tag, std::int32_t kind, std::uint32_t length,
              std::string_view text) override;
  void seek(std::uint32_t requested, std::optional<std::uint32_t> reached,
            Quarn::Result result) override;
  bool wantsEntryCount() const override { return false; }
  void streamReading(const StreamSummary&, std::optional<std::uint64_t>) override {}
  void chunk(std::uint32_t timestamp, std::uint32_t duration, std::uint32_t length,
             std::string_view text) override;
  void end(std::uint64_t chunks, bool stalled) override;
};

/// A line about the stream, then one line per entry. The header and the seek
/// come after the stream line, so they wait until it is printed.
class HumanReport : public ReportTo {
 public:
  using ReportTo::ReportTo;
  void probe(bool) override {}
  void open(Quarn::Result result) override { opened_ = result == Quarn::ResultOk; }
  void streamOffered(const StreamSummary&) override {}
  void header(std::string_view tag, std::int32_t kind, std::uint32_t length,
              std::string_view text) override;
  void seek(std::uint32_t requested, std::optional<std::uint32_t> reached,
            Quarn::Result result) override;
  bool wantsEntryCount() const override { return !quiet(); }
  void streamReading(const StreamSummary& stream, std::optional<std::uint64_t> entries) override;
  void chunk(std::uint32_t timestamp, std::uint32_t duration, std::uint32_t length,
             std::string_view text) override;
  void end(std::uint64_t chunks, bool stalled) override;

 private:
  void flushPending();

  std::string pending_;
  bool streamShown_ = false;
  /// A failed open is told on standard error alone.
  bool opened_ = false;
};

}  // namespace QuarnPlay
