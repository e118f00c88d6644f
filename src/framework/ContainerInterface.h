// The container face of a plug-in: probing and opening a source, programmes,
// streams and media types, in slot order.
#pragma once

#include <cstdint>
#include <vector>

#include "HostInterfaces.h"
#include "List.h"
#include "MediaBuffer.h"
#include "Records.h"
#include "Result.h"
#include "String.h"

namespace Quarn {

/// Obtained from Plugin::queryInterface; borrowed: it lives as long as the
/// plug-in object and shares its reference count. Expected calling order:
/// setHost, probe (optional), open, getProgramIds, selectProgram, stream
/// reads, closeStreams(false), discardHeader, then the plug-in's last release.
class ContainerInterface {
 public:
  ContainerInterface() = default;
  ContainerInterface(const ContainerInterface&) = delete;
  ContainerInterface& operator=(const ContainerInterface&) = delete;

  /// Slot 0. Destroying through this face destroys the whole plug-in object,
  /// bypassing its reference count and the host notifications.
  virtual ~ContainerInterface() = default;

  /// Slot 1. Stores the host (not owned) and the container id. Required
  /// before open.
  virtual void setHost(ContainerHost* host, std::uint64_t containerId);

  /// Slot 2. True when the container takes the source. When it refuses a
  /// source it could read, it appends the format it needs to `formats`
  /// (optional, owned by the caller). The two integers are unused.
  virtual bool probe(const SourceDescriptor* source, std::int32_t a, std::int32_t b,
                     std::vector<FormatDescriptor>* formats) = 0;
  /// Slot 3.
  virtual void reservedA(std::int32_t value) = 0;
  /// Slot 4.
  virtual Result reservedB(std::int32_t value) = 0;
  /// Slot 5. Reads and parses the source; the descriptor is borrowed.
  virtual Result open(const SourceDescriptor* source) = 0;
  /// Slot 6. A new copy of the local path of the opened source; empty if none.
  virtual String<unsigned char> getSourcePath() = 0;
  /// Slot 7. The id given to setHost.
  virtual std::uint64_t getContainerId();
  /// Slot 8. Stores 0 in both and returns ResultOk.
  virtual Result getCounters(std::uint32_t& first, std::uint32_t& second);
  /// Slot 9. Drops a format header that was not taken.
  virtual Result discardHeader() = 0;
  /// Slot 10. The programme ids; the list belongs to the caller.
  virtual List<unsigned long long> getProgramIds() = 0;
  /// Slot 11.
  virtual String<unsigned char> getProgramName(std::uint64_t programId) = 0;
  /// Slot 12. Offers the programme's streams to the host and selects one.
  virtual Result selectProgram(std::uint64_t programId) = 0;
  /// Slot 13. With keep false, withdraws every stream and frees the entries.
  virtual Result closeStreams(bool keep) = 0;
  /// Slot 14. The source's size in bytes.
  virtual Result getSourceSize(std::uint64_t* size) = 0;
  /// Slot 15. The value of a media type, -1 when not served.
  virtual std::int32_t findMediaType(const String<unsigned char>& mediaType) = 0;
  /// Slot 16.
  virtual std::uint32_t getMediaTypeCount() = 0;
  /// Slot 17. A new string; empty when the index is out of range.
  virtual String<unsigned char> getMediaTypeName(std::uint32_t index) = 0;
  /// Slot 18. 0 when the index is out of range.
  virtual std::int32_t getMediaTypeValue(std::uint32_t index) = 0;

  ContainerHost* host() const { return host_; }

 protected:
  ContainerHost* host_ = nullptr;
  std::uint64_t containerId_ = 0;
  std::uint32_t reservedWord_ = 0;
};

}  // namespace Quarn
