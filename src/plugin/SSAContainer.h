// The plug-in object: the reference-counted Plugin face and the SSA/ASS
// container component in one object.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "framework/Plugin.h"
#include "plugin/FormatHeader.h"
#include "subtitle/SubtitleParserTemplate.h"

namespace Quarn {

/// The object getPlugin returns. Its Plugin face is the object's own address;
/// its container face (what queryInterface hands out) is the embedded
/// component. Destroying through either face destroys the whole object.
class SSAContainer : public Plugin, public SubtitleParserTemplate<SSAContainer> {
 public:
  explicit SSAContainer(PluginHost* host);
  /// A format header the host neither took nor discarded goes with it.
  ~SSAContainer() override;

  Result queryInterface(const String<char>& id, void** out) override;

  // Identification by name and media type (ssa/SSAIdentification.cpp).
  bool probe(const SourceDescriptor* source, std::int32_t a, std::int32_t b,
             std::vector<FormatDescriptor>* formats) override;
  void reservedA(std::int32_t value) override;
  Result reservedB(std::int32_t value) override;
  std::int32_t findMediaType(const String<unsigned char>& mediaType) override;
  std::uint32_t getMediaTypeCount() override;
  String<unsigned char> getMediaTypeName(std::uint32_t index) override;
  std::int32_t getMediaTypeValue(std::uint32_t index) override;
  FormatTag getFormatTag() override;

  // Reading a script (ssa/SSAOpen.cpp).
  Result open(const SourceDescriptor* source) override;

  /// Frees a header still held (data block and object); ResultOk always.
  /// Takes the component's lock.
  Result discardHeader() override;
  /// Hands a held header to the caller through `headers`; the caller frees
  /// its block (an array) and the header. Takes the component's lock.
  bool takeHeader(List<MediaBuffer*>& headers) override;

  /// The format header installed by open, or null. Still owned by the container.
  const TypedMediaBuffer* formatHeader() const { return formatHeader_.get(); }

 protected:
  /// Takes ownership of `header` as the format header, freeing one still held.
  void installFormatHeader(FormatHeaderPtr header);

 private:
  using MediaTypeTable = std::map<String<unsigned char>, std::int32_t, SortsAfter<unsigned char>>;

  static MediaTypeTable buildMediaTypeTable();

  FormatHeaderPtr formatHeader_;
  MediaTypeTable mediaTypes_;
};

}  // namespace Quarn
