// The stream face: reading, seeking and describing one stream, in slot order.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <utility>

#include "HostInterfaces.h"
#include "List.h"
#include "LockSpace.h"
#include "MediaBuffer.h"
#include "Properties.h"
#include "Result.h"
#include "String.h"

namespace Quarn {

/// A stream offered to the host with streamAdded. The container never
/// destroys it: the host does, after streamRemoved.
///
/// The rate is signed: 1000 is normal forward playback, a negative value reads
/// backward. The rate and the last end time are read and written from host
/// threads without a lock, so they are atomic; parameters and flag are plain.
class StreamInterface {
 public:
  StreamInterface(std::uint64_t containerId, std::uint64_t streamId, std::uint32_t kindFlags);
  StreamInterface(const StreamInterface&) = delete;
  StreamInterface& operator=(const StreamInterface&) = delete;

  virtual ~StreamInterface();  // slot 0

  virtual Result reservedA() = 0;  // slot 1
  /// Slot 2.
  virtual void getValuePair(std::int32_t& first, std::int32_t& second);
  /// Slot 3. Assigns copies of the stream's non-empty texts to the given
  /// outputs (each optional); true when at least one was written.
  virtual bool getDescription(String<unsigned char>* name, String<char>* language,
                              String<char>* region, std::int32_t unused) = 0;
  /// Slot 4. The stream's format; owned by the stream.
  virtual const FormatDescriptor& getFormat() = 0;
  /// Slot 5. The stream's properties; owned by the stream.
  virtual const ImageProperties& getProperties() = 0;
  /// Slot 6.
  virtual std::uint32_t getStreamType() = 0;
  /// Slot 7.
  virtual std::uint32_t getKindFlags();
  /// Slot 8. Under the stream's own lock: the linked streams whose mask holds
  /// every bit of `mask`, in key order. The list belongs to the caller.
  virtual List<StreamInterface*> getLinkedStreams(std::uint32_t mask);
  /// Slot 9. The reader whose media clock paces the stream (not owned).
  virtual Result setConsumer(StreamConsumer* consumer) = 0;
  /// Slot 10. Back to the first entry in the current direction.
  virtual Result rewind() = 0;
  /// Slot 11. The nearest sync point to `time` in the current direction.
  virtual Result findSyncPoint(std::int32_t unused, std::uint32_t time, std::uint32_t* out) = 0;
  /// Slot 12. Moves the read position; `*reached` (optional) gets the time landed on.
  virtual Result seekStream(std::uint32_t time, std::uint32_t* reached, std::int32_t flag) = 0;
  virtual Result reservedB() = 0;  // slot 13
  /// Slot 14. `*chunk` receives a new chunk owned by the caller, who gives it
  /// back with its release(), or null. A chunk may be given back after the
  /// plug-in's last release, but not after its module is unloaded.
  virtual Result readStream(MediaChunk** chunk) = 0;
  /// Slot 15. The end time of the last chunk handed out.
  virtual std::int32_t getExtraValue();
  /// Slot 16.
  virtual bool isFlagSet();
  /// Slot 17. Stores the rate; true.
  virtual bool setRate(std::int32_t rate);
  /// Slot 18.
  virtual std::int32_t getRate();
  /// Slot 19. Stores the value; true.
  virtual bool setParamA(std::int32_t value);
  /// Slot 20.
  virtual std::int32_t getParamA();
  /// Slot 21.
  virtual void setParamB(std::int32_t value);
  /// Slot 22.
  virtual std::int32_t getParamB();
  /// Slot 23. Hands over the container's format header: appends it to
  /// `headers` (a node from the list's own allocator) and returns true. The
  /// caller then owns the buffer, a TypedMediaBuffer reached with
  /// static_cast, and its block, an array. False, with the list unchanged,
  /// when the container holds no header: none was made yet, or it was taken
  /// (through any stream or the container itself) or discarded. The base,
  /// which has no container, always answers false.
  virtual bool takeHeader(List<MediaBuffer*>& headers);

  std::uint64_t streamId() const { return streamId_; }
  std::uint64_t containerId() const { return containerId_; }

 protected:
  std::int32_t streamNumber_ = 0;
  std::uint64_t containerId_;
  std::uint64_t streamId_;
  bool flag_ = false;
  std::atomic<std::int32_t> rate_{0};
  std::int32_t paramA_ = 0;
  std::int32_t paramB_ = 0;
  std::int32_t valuePair_[2] = {0, 0};
  LockSpace streamLock_;
  std::map<std::uint64_t, std::pair<std::uint32_t, StreamInterface*>> linkedStreams_;
  std::uint32_t kindFlags_;
  std::atomic<std::int32_t> lastEndTime_{0};
};

}  // namespace Quarn
