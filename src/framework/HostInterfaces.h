// The host objects the plug-in calls back. Hosts implement them; slots the
// plug-in never calls are named placeholders with harmless bodies so that the
// declaration order follows the slot numbers.
#pragma once

#include <cstdint>

#include "Records.h"
#include "String.h"

namespace Quarn {

class Plugin;
class StreamInterface;

/// The host context given to getPlugin. The plug-in keeps it for its whole
/// life and never releases it.
class PluginHost {
 public:
  virtual ~PluginHost() = default;  // slot 0
  virtual void hostReserved1() {}   // slot 1
  virtual void hostReserved2() {}   // slot 2
  virtual void hostReserved3() {}   // slot 3
  virtual void hostReserved4() {}   // slot 4
  virtual void hostReserved5() {}   // slot 5
  virtual void hostReserved6() {}   // slot 6
  /// True when the host handles streams of format `tag` ("SSA"). Borrowed.
  virtual bool isFormatSupported(const String<char>& tag) = 0;  // slot 7
  /// Called once, before the plug-in object is destroyed.
  virtual void pluginDestroying(Plugin* plugin) = 0;  // slot 8
  /// Called once, after the object is gone: `plugin` is only a key and must
  /// not be dereferenced.
  virtual void pluginDestroyed(Plugin* plugin) = 0;  // slot 9
};

/// The host side of one container. The container calls it, sometimes while
/// holding its own lock: implementations must not call back into the same
/// container from another thread and wait for it.
class ContainerHost {
 public:
  virtual ~ContainerHost() = default;  // slot 0
  /// A fresh identifier on every call (programme and stream ids).
  virtual std::uint64_t newId() = 0;  // slot 1
  virtual void hostReserved2() {}     // slot 2
  /// The preferred subtitle language ("en", "pt-BR", ...), possibly empty.
  /// The returned string belongs to the caller.
  virtual String<char> getPreferredLanguage() = 0;  // slot 3
  virtual void hostReserved4() {}                   // slot 4
  /// Fills `*value`, setting its tag in every case. `setting` is borrowed.
  virtual void getSetting(const Setting& setting, SettingValue* value) = 0;  // slot 5
  virtual void hostReserved6() {}                                            // slot 6
  virtual void hostReserved7() {}                                            // slot 7
  virtual void hostReserved8() {}                                            // slot 8
  virtual void hostReserved9() {}                                            // slot 9
  virtual void hostReserved10() {}                                           // slot 10
  virtual void hostReserved11() {}                                           // slot 11
  virtual void hostReserved12() {}                                           // slot 12
  virtual void hostReserved13() {}                                           // slot 13
  virtual void hostReserved14() {}                                           // slot 14
  virtual void hostReserved15() {}                                           // slot 15
  virtual void hostReserved16() {}                                           // slot 16
  virtual void hostReserved17() {}                                           // slot 17
  virtual void hostReserved18() {}                                           // slot 18
  virtual void hostReserved19() {}                                           // slot 19
  virtual void hostReserved20() {}                                           // slot 20
  /// A stream of the container is offered. The host does not own it.
  virtual void streamAdded(StreamInterface& stream) = 0;  // slot 21
  /// The stream with `streamId` is withdrawn; the host must not read it any
  /// more and now destroys the stream object.
  virtual void streamRemoved(std::uint64_t streamId) = 0;  // slot 22
  /// The host should activate the stream; `enable` is always 1.
  virtual void selectStream(std::uint64_t streamId, std::int32_t enable) = 0;  // slot 23
};

/// The reader of one stream.
class StreamConsumer {
 public:
  virtual ~StreamConsumer() = default;  // slot 0
  virtual void consumerReserved1() {}   // slot 1
  virtual void consumerReserved2() {}   // slot 2
  /// The media time in milliseconds; negative while none is known.
  virtual std::int32_t getMediaTime() = 0;  // slot 3
};

}  // namespace Quarn
